// The main window driven as a user drives it: buttons, actions, breakpoints
// and modal questions answered by the test.

#include "apptestengine.h"
#include "testsupport.h"
#include "windowtestsupport.h"

#include "app/lumora.h"
#include "plots/plotwidgets.h"
#include "plots/spectrumdialog.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using windowtest::ModalAnswerer;
using windowtest::spin;
using windowtest::waitUntil;

namespace {

Simulator *appFactory(const QString &, const QStringList &lines, const QString &runName)
{
  return new AppTestEngine(lines, runName);
}

class MainWindowTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    AppTestEngine::live = 0;
    AppTestEngine::destroyedInStep = false;
    QSettings().clear(); // a folder of the test process (see testmain)
  }

  void TearDown() override
  {
    // Nothing may be left asking a question.
    window.reset();
    EXPECT_EQ(AppTestEngine::live, 0) << "an engine outlived its window";
    EXPECT_FALSE(AppTestEngine::destroyedInStep);
  }

  QString config(const QString &name, const QByteArray &text)
  {
    return testsupport::writeFile(dir, name, text);
  }

  LumoraOptions options(const QString &configurationFile = QString())
  {
    LumoraOptions o;
    o.settingsPath = dir.filePath("Settings.txt");
    o.configurationFile = configurationFile;
    o.engineFactory = appFactory;
    return o;
  }

  Lumora *make(const LumoraOptions &o)
  {
    window = std::make_unique<Lumora>(o);
    window->show();
    return window.get();
  }

  // A window that has loaded and started the configuration text.
  Lumora *started(const QByteArray &text, const QString &name = "FDTD_run.txt")
  {
    Lumora *w = make(options(config(name, text)));
    EXPECT_NE(w->simulator(), nullptr);
    return w;
  }

  AppTestEngine *engine() const { return static_cast<AppTestEngine *>(window->simulator()); }

  QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(name); }
  QAction *action(const char *name) const { return window->findChild<QAction *>(name); }
  QMdiArea *mdi() const { return window->findChild<QMdiArea *>("mdiArea"); }
  QString status() const { return window->statusBar()->currentMessage(); }

  // Start, Pause, Resume, Stop, Load as enabled now.
  std::string buttons() const
  {
    std::string s;
    for (const char *name : {"startButton", "pauseButton", "resumeButton", "stopButton"})
      s += button(name)->isEnabled() ? '1' : '0';
    s += action("actionLoad")->isEnabled() ? '1' : '0';
    return s;
  }

  void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }

  // Runs until the engine reached iteration n (or the window went idle).
  bool runTo(int n)
  {
    return waitUntil([&] { return !window->simulator() || window->simulator()->iteration >= n; });
  }

  QTemporaryDir dir;
  std::unique_ptr<Lumora> window;
};

const char *const viewActions[] = {"actionElectricFieldEnvelope", "actionMagneticFieldEnvelope",
                                   "actionPoyntingVector",        "actionFFTSpectrum",
                                   "actionUPPE_time_signal",      "actionDFTSpectrum",
                                   "actionTime_series_plot",      "actionSpectrogram",
                                   "actionConversion_efficiency"};

} // namespace

// --- form ------------------------------------------------------------------------

// --- loading ---------------------------------------------------------------------

struct LoadFailure
{
  const char *name;
  const char *fileName;
  const char *text;
  const char *message; // %1 is the path
};

class LoadFailureTest : public MainWindowTest, public ::testing::WithParamInterface<LoadFailure>
{
};

TEST_P(LoadFailureTest, ShowsOneWarningAndKeepsNoEngine)
{
  const LoadFailure &f = GetParam();
  const QString path = config(f.fileName, f.text);
  Lumora *w = make(options());
  ModalAnswerer answerer({QMessageBox::Ok}, path);
  bool loaded = true;
  ASSERT_TRUE(QMetaObject::invokeMethod(w, "open", Q_RETURN_ARG(bool, loaded)));
  EXPECT_FALSE(loaded);
  ASSERT_EQ(answerer.boxes.size(), 1);
  EXPECT_EQ(answerer.boxes[0].title, "Lumora");
  EXPECT_EQ(answerer.boxes[0].text, QString(f.message).arg(path));
  EXPECT_EQ(status(), "Loading canceled");
  EXPECT_EQ(w->simulator(), nullptr);
  EXPECT_EQ(AppTestEngine::live, 0);
  EXPECT_EQ(buttons(), "00001");
  EXPECT_EQ(w->fileStatusLabel(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LoadFailureTest,
    ::testing::Values(
        LoadFailure{"MissingKeyword", "FDTD_missing.txt", "# nothing\n",
                    "Loading %1 failed:\n Keyword \"required\" not found."},
        LoadFailure{"SyntaxError", "FDTD_syntax.txt", "1 required\n\nwhatever action\n",
                    "%1: Syntax error in line 3.\n\"whatever action\": expected one of suspend, save_line_envelope, exit, saveAll, found "
                    "\"whatever\""},
        LoadFailure{"NegativeIterations", "UPPE_negative.txt", "1 required\nsuspend action\n-4 iterations\n",
                    "%1: Syntax error in line 3.\n\"-4 iterations\": expected a number of "
                    "iterations of at least 0, found \"-4\""},
        LoadFailure{"StoppedEarly", "FDTD_early.txt", "1 stopearly\n1 required\n",
                    "%1: The configuration could not be loaded completely."},
        LoadFailure{"UnknownEngine", "PULSE_x.txt", "1 required\n",
                    "%1: Unknown engine. The file name must begin with \"FDTD\" or \"UPPE\"."}),
    [](const ::testing::TestParamInfo<LoadFailure> &info) { return std::string(info.param.name); });

// --- Settings file and command line ------------------------------------------------

TEST_F(MainWindowTest, SettingsFileLoadsAndStarts)
{
  const QString path = config("FDTD_auto.txt", "1 required\n");
  config("Settings.txt", ("1\n" + path + " *\n" + dir.path() + "/results *\n").toUtf8());
  Lumora *w = make(options());
  ASSERT_NE(w->simulator(), nullptr);
  EXPECT_EQ(w->configurationPath(), path);
  EXPECT_EQ(w->simulator()->runName, "FDTD_auto");
  EXPECT_EQ(w->resultsFolderBase(), dir.path() + "/results");
  EXPECT_EQ(buttons(), "01010"); // running
  EXPECT_TRUE(w->runTimer()->isActive());
  EXPECT_TRUE(w->progressIndicatorTimer()->isActive());
  EXPECT_TRUE(w->speedIndicatorTimer()->isActive());
  // The run begins once the event loop runs.
  EXPECT_EQ(w->simulator()->iteration, 0);
  EXPECT_TRUE(runTo(3));
}

// --- run loop and state table ---------------------------------------------------

TEST_F(MainWindowTest, StartPauseResumeStop)
{
  const QString path = config("FDTD_run.txt", "1 required\n");
  Lumora *w = make(options());
  {
    ModalAnswerer answerer({QMessageBox::Ok}, path);
    ASSERT_TRUE(QMetaObject::invokeMethod(w, "open"));
  }
  EXPECT_EQ(buttons(), "10000");

  click("startButton");
  EXPECT_EQ(buttons(), "01010");
  EXPECT_TRUE(w->runTimer()->isActive());
  EXPECT_EQ(w->runTimer()->interval(), 0);
  EXPECT_EQ(w->progressIndicatorTimer()->interval(), 1000);
  EXPECT_EQ(w->speedIndicatorTimer()->interval(), 1000);
  EXPECT_TRUE(runTo(5));

  click("pauseButton");
  EXPECT_EQ(buttons(), "00110");
  EXPECT_EQ(status(), "Simulation paused");
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_FALSE(w->progressIndicatorTimer()->isActive());
  EXPECT_TRUE(w->speedIndicatorTimer()->isActive());
  const int pausedAt = engine()->iteration;
  EXPECT_TRUE(w->progressStatusLabel()->text().remove(' ').startsWith("Iteration" + QString::number(pausedAt)));
  spin(30);
  EXPECT_EQ(engine()->iteration, pausedAt);

  click("resumeButton");
  EXPECT_EQ(buttons(), "01010");
  EXPECT_TRUE(runTo(pausedAt + 5));

  ModalAnswerer yes({QMessageBox::Yes});
  click("stopButton");
  ASSERT_EQ(yes.boxes.size(), 1);
  EXPECT_EQ(yes.boxes[0].title, "Lumora");
  EXPECT_EQ(yes.boxes[0].text, "Are you sure you want to stop the simulation?");
  EXPECT_EQ(buttons(), "00001");
  EXPECT_EQ(w->simulator(), nullptr);
  EXPECT_EQ(AppTestEngine::live, 0);
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_FALSE(w->progressIndicatorTimer()->isActive());
  EXPECT_FALSE(w->speedIndicatorTimer()->isActive());
  EXPECT_EQ(w->fileStatusLabel(), nullptr);
  EXPECT_EQ(w->progressStatusBar(), nullptr);
  EXPECT_EQ(w->windowTitle(), "Lumora");
  EXPECT_EQ(w->progressStatusLabel(), nullptr);
  EXPECT_TRUE(w->statusBar()->findChildren<QLabel *>().isEmpty() ||
              w->statusBar()->findChildren<QLabel *>().size() <= 1); // the message label only
  EXPECT_TRUE(status().isEmpty());
}

// A refused Stop returns to the state it came from, running or paused.
TEST_F(MainWindowTest, CancelledStopKeepsTheRunAsItWas)
{
  for (bool paused : {false, true}) {
    Lumora *w = started("1 required\n");
    ASSERT_TRUE(runTo(2));
    if (paused)
      click("pauseButton");
    const int at = engine()->iteration;
    ModalAnswerer cancel({QMessageBox::Cancel});
    click("stopButton");
    EXPECT_EQ(cancel.boxes.size(), 1);
    EXPECT_EQ(buttons(), paused ? "00110" : "01010");
    EXPECT_EQ(w->runTimer()->isActive(), !paused);
    EXPECT_EQ(w->progressIndicatorTimer()->isActive(), !paused);
    EXPECT_TRUE(w->speedIndicatorTimer()->isActive());
    spin(30);
    EXPECT_EQ(engine()->iteration > at, !paused);
    window.reset();
  }
}

TEST_F(MainWindowTest, RunEndIsReportedAndKept)
{
  const struct
  {
    const char *config;
    int steps;
    const char *text;
  } cases[] = {
      {"1 required\n4 laststep\n", 4, "Run finished"},
      {"1 required\n3 failat\n", 3, "Run failed: The field is no longer finite at iteration 3"},
  };
  for (const auto &c : cases) {
    Lumora *w = started(c.config);
    ASSERT_TRUE(waitUntil([&] { return engine()->finished; }));
    spin(60);
    EXPECT_EQ(engine()->stepCalls, c.steps) << c.text; // no step once finished
    EXPECT_EQ(buttons(), "00010") << c.text;
    EXPECT_TRUE(w->runTimer()->isActive()); // ticks go on refreshing plots
    EXPECT_EQ(status(), c.text);
    EXPECT_TRUE(w->messageLog()->toPlainText().endsWith(c.text));
    ModalAnswerer answerer;
    click("stopButton");
    EXPECT_TRUE(answerer.boxes.isEmpty());
    EXPECT_EQ(w->simulator(), nullptr);
    window.reset();
  }
}

// Names and units in the status bar, and a progress bar where the end is known.
TEST_F(MainWindowTest, StatusTexts)
{
  const struct
  {
    const char *config;
    int iteration;
    const char *text;
    int bar; // per mille; -1: no bar
  } cases[] = {
      {"1 required\n", 43778, "Iteration 43 778 \u00b7 43 778 it/s \u00b7 t = 43.8 ps", -1},
      {"1 required\nexit action\n87556 iterations\n", 43778,
       "Iteration 43 778 \u00b7 43 778 it/s \u00b7 t = 43.8 ps \u00b7 about 1 s left", 500},
      {"1 required\n1 uppesignal\n20 pathlength\n", 2,
       "z = 2.00 um of 20 um \u00b7 10 % \u00b7 about 9 s left", 100},
      {"1 required\n80 2 dynamicmap\n", 7, "Iteration 7 \u00b7 7 it/s \u00b7 t = 7 fs", 250},
  };
  for (const auto &c : cases) {
    Lumora *w = started(c.config);
    click("pauseButton");
    w->speedIndicatorTimer()->stop();
    engine()->iteration = c.iteration;
    ASSERT_TRUE(QMetaObject::invokeMethod(w, "updateSpeed")); // a second after the load
    EXPECT_EQ(w->progressStatusLabel()->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(w->progressStatusBar()->isVisibleTo(w), c.bar >= 0) << c.text;
    if (c.bar >= 0) {
      EXPECT_EQ(w->progressStatusBar()->value(), c.bar);
    }
    EXPECT_EQ(status(), "Simulation paused"); // kept until the run goes on
    window.reset();
  }
}

// What Start enables follows the engine: the spatial envelopes belong to the
// grid engine, the time signal and FFT spectrum to the spectral engine.
TEST_F(MainWindowTest, StartEnablesViewActionsByEngine)
{
  const struct
  {
    const char *config;
    const char *enabled; // viewActions in order
  } cases[] = {
      {"1 required\nA fouriername\n1 spectrumready\nP probename\n", "111001100"},
      {"1 required\nA fouriername\n", "111000000"},
      {"1 required\n1 uppesignal\n", "000110000"},
  };
  for (const auto &c : cases) {
    started(c.config);
    std::string enabled;
    for (const char *a : viewActions)
      enabled += action(a)->isEnabled() ? '1' : '0';
    EXPECT_EQ(enabled, c.enabled) << c.config;
    EXPECT_TRUE(action("actionSave_All")->isEnabled());
    window.reset();
  }
}

TEST_F(MainWindowTest, EngineSignalsEnableActionsWhenDynamic)
{
  started("1 required\n1 dynamic\nA fouriername\n");
  EXPECT_FALSE(action("actionDFTSpectrum")->isEnabled());
  EXPECT_FALSE(action("actionTime_series_plot")->isEnabled());
  EXPECT_FALSE(action("actionSpectrogram")->isEnabled());
  engine()->emitDynamicSignals();
  EXPECT_TRUE(action("actionDFTSpectrum")->isEnabled());
  EXPECT_TRUE(action("actionTime_series_plot")->isEnabled());
  EXPECT_TRUE(action("actionSpectrogram")->isEnabled());
}

TEST_F(MainWindowTest, StopDisablesEveryViewActionAndClosesWindowsAndDialogs)
{
  Lumora *w = started("1 required\nA fouriername\nB fouriername\n1 spectrumready\nP probename\nQ probename\n"
                      "1 uppesignal\n");
  click("pauseButton");
  action("actionDFTSpectrum")->trigger();
  action("actionTime_series_plot")->trigger();
  action("actionElectricFieldEnvelope")->trigger();
  ASSERT_TRUE(w->fourierDialog() && w->fourierDialog()->isVisible());
  ASSERT_TRUE(w->probeDialog() && w->probeDialog()->isVisible());
  EXPECT_EQ(mdi()->subWindowList().size(), 1);
  ModalAnswerer yes({QMessageBox::Yes});
  click("stopButton");
  for (const char *a : viewActions)
    EXPECT_FALSE(action(a)->isEnabled()) << a;
  EXPECT_FALSE(action("actionSave_All")->isEnabled());
  EXPECT_FALSE(w->fourierDialog()->isVisible());
  EXPECT_FALSE(w->probeDialog()->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(mdi()->subWindowList().isEmpty());
}

// --- plot windows ------------------------------------------------------------------

TEST_F(MainWindowTest, PlotWindowsJoinTheWindowMenuAndEnableWindowActions)
{
  Lumora *w = started("1 required\n");
  click("pauseButton");
  auto *windowMenu = w->findChild<QMenu *>("menuWindow");
  const int baseEntries = windowMenu->actions().size();
  action("actionElectricFieldEnvelope")->trigger();
  action("actionPoyntingVector")->trigger();
  ASSERT_EQ(windowMenu->actions().size(), baseEntries + 2);
  QAction *first = windowMenu->actions().at(baseEntries);
  QAction *second = windowMenu->actions().at(baseEntries + 1);
  EXPECT_EQ(first->text(), "Electric field envelope 1");
  EXPECT_EQ(second->text(), "Poynting vector envelope 1");
  ASSERT_NE(first->actionGroup(), nullptr);
  EXPECT_EQ(first->actionGroup(), second->actionGroup());
  for (const char *a : {"actionSaveAs", "actionClose", "actionCloseAll", "actionTile", "actionCascade"})
    EXPECT_TRUE(action(a)->isEnabled()) << a;

  mdi()->setActiveSubWindow(mdi()->subWindowList(QMdiArea::CreationOrder).first());
  EXPECT_TRUE(first->isChecked());
  EXPECT_FALSE(second->isChecked());

  action("actionCloseAll")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(mdi()->subWindowList().isEmpty());
  EXPECT_EQ(windowMenu->actions().size(), baseEntries);
  for (const char *a : {"actionSaveAs", "actionClose", "actionCloseAll", "actionTile", "actionCascade"})
    EXPECT_FALSE(action(a)->isEnabled()) << a;
}

TEST_F(MainWindowTest, RefreshWalkFollowsEachWindowsRefreshTest)
{
  started("1 required\n");
  click("pauseButton");
  action("actionElectricFieldEnvelope")->trigger();
  action("actionElectricFieldEnvelope")->trigger();
  const auto windows = mdi()->subWindowList(QMdiArea::CreationOrder);
  auto *ticked = qobject_cast<AbstractPlotWidget *>(windows[0]->widget());
  auto *unticked = qobject_cast<AbstractPlotWidget *>(windows[1]->widget());
  ASSERT_TRUE(ticked && unticked);
  ticked->checkBox->setChecked(true);
  ticked->lineEdit->setText("2");
  EXPECT_FALSE(unticked->wantsRefresh(engine()));
  // Each tick steps once and then walks the windows.
  auto *tickedField = qobject_cast<RectangularPlotWidget *>(ticked);
  auto *untickedField = qobject_cast<RectangularPlotWidget *>(unticked);
  ASSERT_TRUE(tickedField && untickedField);
  engine()->iteration = 1;
  ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
  EXPECT_EQ(engine()->iteration, 2);
  EXPECT_EQ(engine()->stepCalls, 1);
  EXPECT_EQ(tickedField->yValues().front(), 2.0);   // 2 is a multiple of 2
  EXPECT_EQ(untickedField->yValues().front(), 0.0); // never refreshed since it opened
  ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
  EXPECT_EQ(tickedField->yValues().front(), 2.0); // 3 is not
  ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
  EXPECT_EQ(tickedField->yValues().front(), 4.0);
  ticked->lineEdit->setText("0"); // counts as 1
  ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
  EXPECT_EQ(tickedField->yValues().front(), 5.0);
}

TEST_F(MainWindowTest, TheTickOfASuspendStillRefreshesThePlots)
{
  started("1 required\nsuspend action\n7 iterations\n");
  action("actionElectricFieldEnvelope")->trigger();
  auto *plot = qobject_cast<RectangularPlotWidget *>(mdi()->subWindowList().first()->widget());
  ASSERT_NE(plot, nullptr);
  plot->checkBox->setChecked(true);
  ASSERT_TRUE(waitUntil([&] { return button("resumeButton")->isEnabled(); }));
  EXPECT_EQ(engine()->iteration, 7);
  EXPECT_EQ(plot->yValues().front(), 7.0);
}

TEST_F(MainWindowTest, DialogOpensWindowsForTheSelectedRows)
{
  Lumora *w = started("1 required\nP0 probename\nP1 probename\nP2 probename\n");
  click("pauseButton");
  action("actionTime_series_plot")->trigger();
  SpectrumDialog *dialog = w->probeDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->itemNames(), QStringList({"P0", "P1", "P2"}));
  EXPECT_TRUE(mdi()->subWindowList().isEmpty());

  emit dialog->selected({2, 0});
  QStringList titles;
  for (QMdiSubWindow *s : mdi()->subWindowList(QMdiArea::CreationOrder))
    titles << s->windowTitle();
  EXPECT_EQ(titles, QStringList({"P2", "P0"}));
  auto *plot = qobject_cast<TimeProbePlotWidget *>(mdi()->subWindowList(QMdiArea::CreationOrder)[0]->widget());
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->objectIndex(), 2);

  // The dialog is kept and brought up to date with probes added meanwhile.
  dialog->hide();
  engine()->probes << "P3";
  action("actionTime_series_plot")->trigger();
  EXPECT_EQ(w->probeDialog(), dialog);
  EXPECT_EQ(dialog->itemNames(), QStringList({"P0", "P1", "P2", "P3"}));
}

// --- breakpoints -------------------------------------------------------------------

TEST_F(MainWindowTest, ExitBreakpointStopsAfterTheStepAndClosesTheWindow)
{
  Lumora *w = started("1 required\nexit action\n5 iterations\n");
  ModalAnswerer yes({QMessageBox::Yes});
  ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }));
  ASSERT_EQ(yes.boxes.size(), 1);
  EXPECT_EQ(yes.boxes[0].text, "Are you sure you want to stop the simulation?");
  EXPECT_EQ(w->simulator(), nullptr);
  EXPECT_EQ(AppTestEngine::live, 0);
  EXPECT_FALSE(AppTestEngine::destroyedInStep);
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_FALSE(w->speedIndicatorTimer()->isActive());
}

TEST_F(MainWindowTest, SuspendAndExitAtOneIterationActInFileOrder)
{
  Lumora *w = started("1 required\nsuspend action\n3 iterations\nexit action\n3 iterations\n");
  ModalAnswerer cancel({QMessageBox::Cancel});
  ASSERT_TRUE(waitUntil([&] { return cancel.boxes.size() == 2; }));
  // Paused by the first; the refused stop and exit leave it paused.
  EXPECT_EQ(buttons(), "00110");
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_EQ(engine()->iteration, 3);
}

TEST_F(MainWindowTest, SaveAllBreakpointSetsTheTagAndWritesTheFolder)
{
  const QString path = config("FDTD_tagged.txt", "1 required\nsaveAll action\n4 iterations\nmytag file\n");
  config("Settings.txt", ("1\n" + path + "*\n" + dir.path() + "*\n").toUtf8());
  Lumora *w = make(options());
  ASSERT_NE(w->simulator(), nullptr);
  ASSERT_TRUE(runTo(6));
  EXPECT_EQ(w->resultsTag(), "mytag");
  const QStringList folders = QDir(dir.path()).entryList({"Simulation results *_mytag"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(QFile::exists(dir.path() + "/" + folders.first() + "/FDTD_tagged.txt"));
  // Saving did not stop the run.
  EXPECT_EQ(buttons(), "01010");
  EXPECT_TRUE(w->runTimer()->isActive());
}

TEST_F(MainWindowTest, SaveAllByHandWhilePausedStaysPaused)
{
  const QString path = config("FDTD_hand.txt", "1 required\n");
  config("Settings.txt", ("1\n" + path + "*\n" + dir.path() + "*\n").toUtf8());
  Lumora *w = make(options());
  click("pauseButton");
  action("actionSave_All")->trigger();
  const QStringList folders = QDir(dir.path()).entryList({"Simulation results *_"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  const QString folder = QDir::toNativeSeparators(dir.filePath(folders.first()));
  EXPECT_EQ(status(), "All files have been saved to " + folder);
  EXPECT_TRUE(w->messageLog()->toPlainText().endsWith("All files have been saved to " + folder));
  EXPECT_EQ(buttons(), "00110");
  EXPECT_FALSE(w->runTimer()->isActive());
}

// Without a results base Save All writes beside the program, or, when that
// folder is not writable (an installed program), into the user's documents.
TEST_F(MainWindowTest, SaveAllFallsBackToTheDocumentsFolder)
{
  LumoraOptions o = options(config("FDTD_fallback.txt", "1 required\n"));
  o.programFolder = dir.filePath("not-there");
  o.documentsFolder = dir.filePath("Documents");
  Lumora *w = make(o);
  click("pauseButton");
  action("actionSave_All")->trigger();
  const QString base = dir.filePath("Documents/Lumora results");
  const QStringList folders = QDir(base).entryList({"Simulation results *"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(QFile::exists(base + "/" + folders.first() + "/FDTD_fallback.txt"));
  EXPECT_TRUE(status().endsWith(QDir::toNativeSeparators(base + "/" + folders.first()))) << status().toStdString();
  EXPECT_TRUE(w->messageLog()->toPlainText().contains(QDir::toNativeSeparators(base)));
}

TEST_F(MainWindowTest, FailedLineEnvelopeSaveLeavesTheRunHeld)
{
  Lumora *w = started("1 required\nsave_line_envelope action\n3 iterations\n/nonexistent/dir/line.txt file\n");
  ASSERT_TRUE(waitUntil([&] { return status() == "Saving failed"; }));
  spin(30);
  EXPECT_EQ(engine()->iteration, 3);
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_EQ(buttons(), "01010"); // continue with Pause and Resume
  click("pauseButton");
  click("resumeButton");
  EXPECT_TRUE(runTo(5));
}

// --- saving by hand ---------------------------------------------------------------

TEST_F(MainWindowTest, SaveAsWritesTheActivePlot)
{
  Lumora *w = started("1 required\n");
  click("pauseButton");
  action("actionElectricFieldEnvelope")->trigger();
  // A name without suffix gets ".txt"; the next dialog starts in that folder
  // and proposes the window title.
  const QString out = dir.filePath("saved.txt");
  {
    ModalAnswerer answerer({QMessageBox::Ok}, dir.filePath("saved"));
    action("actionSaveAs")->trigger();
    EXPECT_EQ(answerer.fileDialogs, 1);
  }
  EXPECT_EQ(status(), "File saved");
  EXPECT_TRUE(QFile::exists(out));
  EXPECT_TRUE(w->messageLog()->toPlainText().endsWith("Saved " + QDir::toNativeSeparators(out)));
  {
    ModalAnswerer answerer({QMessageBox::Ok}, dir.filePath("picture"));
    EXPECT_TRUE(action("actionExportPicture")->isEnabled());
    action("actionExportPicture")->trigger();
    EXPECT_EQ(answerer.fileDialogs, 1);
    EXPECT_EQ(answerer.proposedFile, dir.filePath("Electric field envelope 1.png"));
  }
  EXPECT_GT(QFileInfo(dir.filePath("picture.png")).size(), 0);
  {
    ModalAnswerer answerer({QMessageBox::Ok}, QString());
    action("actionSaveAs")->trigger();
  }
  EXPECT_EQ(status(), "Saving canceled");
  EXPECT_EQ(buttons(), "00110");
  EXPECT_FALSE(w->runTimer()->isActive());
}

// --- closing ----------------------------------------------------------------------

TEST_F(MainWindowTest, CloseWhileRunningAsksAndHoldsTheRun)
{
  Lumora *w = started("1 required\n");
  ASSERT_TRUE(runTo(2));
  {
    ModalAnswerer cancel({QMessageBox::Cancel});
    EXPECT_FALSE(w->close());
    ASSERT_EQ(cancel.boxes.size(), 1);
    EXPECT_EQ(cancel.boxes[0].title, "Lumora");
    EXPECT_EQ(cancel.boxes[0].text, "Are you sure you want to exit the simulator?");
  }
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->runTimer()->isActive());
  {
    ModalAnswerer yes({QMessageBox::Yes});
    EXPECT_TRUE(w->close());
  }
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->runTimer()->isActive());
}

TEST_F(MainWindowTest, ExitActionAsksUnlessFinished)
{
  Lumora *w = started("1 required\n");
  {
    ModalAnswerer cancel({QMessageBox::Cancel});
    action("actionExit")->trigger();
    EXPECT_EQ(cancel.boxes.size(), 1);
  }
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(action("actionLoad")->isEnabled());
  {
    ModalAnswerer yes({QMessageBox::Yes});
    action("actionExit")->trigger();
    EXPECT_EQ(yes.boxes.size(), 1);
  }
  EXPECT_FALSE(w->isVisible());
  // Destroying the window deletes the engine (checked in TearDown).
}

// --- log, recent files, window state ----------------------------------------------
