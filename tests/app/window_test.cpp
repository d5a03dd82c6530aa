// The main window driven as a user drives it with the fake engine: the
// Settings file, the run state as an event -> enabled-actions table, the
// status bar and log, plot windows and the run loop with its drawing budget.

#include "windowtestsupport.h"

// Line 1 a number (non-zero: load), lines 2 and 3 the text before their last star.
TEST(SettingsFile, Rules)
{
  EXPECT_EQ(settingsValue("/a*b*c"), "/a*b");
  const struct
  {
    const char *name;
    const char *text;
    bool autoLoad;
    const char *path;
    const char *base;
  } cases[] = {
      {"AutoLoad", "1\n/data/FDTD_a.txt *\n/results *\n", true, "/data/FDTD_a.txt", "/results"},
      {"ZeroIgnoresTheOtherLines", "0\n/data/FDTD_a.txt *\n/results *\n", false, "", ""},
      {"EmptyLinesBeforeLineOne", "\n\n2 auto\n/a/FDTD_b.txt*\n*\n", true, "/a/FDTD_b.txt", ""},
      {"PathWithoutStarIsEmpty", "1\n/data/FDTD_a.txt\n/results *\n", true, "", "/results"},
      {"EmptyLineThreeGivesNoBase", "1\n/data/FDTD_a.txt *\n\n", true, "/data/FDTD_a.txt", ""},
      {"NotANumber", "yes\nFDTD_a.txt *\n", false, "", ""},
      {"WordEndsAtTheFirstWhiteSpace", "1\tload\nFDTD_a.txt *\n", true, "FDTD_a.txt", ""},
      {"NegativeIsNonZero", "-1\nFDTD_a.txt *\n", true, "FDTD_a.txt", ""},
      {"BlanksInsideThePath", "1\n  /my data/FDTD a.txt  *  \n", true, "/my data/FDTD a.txt", ""},
  };
  for (const auto &c : cases) {
    QTemporaryDir dir;
    const StartupSettings s = readSettingsFile(testsupport::writeFile(dir, "Settings.txt", c.text));
    EXPECT_EQ(s.autoLoad, c.autoLoad) << c.name;
    EXPECT_EQ(s.configurationPath, QString(c.path)) << c.name;
    EXPECT_EQ(s.resultsBase, QString(c.base)) << c.name;
  }
  EXPECT_FALSE(readSettingsFile("/nonexistent/Settings.txt").autoLoad);
}

namespace {

enum class Event { Load, Start, Pause, Resume, RefusedStop, Stop, RunEnd, EngineSignals };

struct Transition
{
  Event event;
  const char *enabled;
  const char *state;            // the permanent run-state field afterwards
  const char *status = nullptr; // the status bar's passing message afterwards, when given
};

struct StateCase
{
  const char *name;
  const char *config;
  std::vector<Transition> transitions;
};

const char *const grid = "1 required\nA fouriername\n1 spectrumready\nP probename\n";
const char *const failed = "Run failed: The electric field is no longer finite.";

const StateCase stateCases[] = {
    {"LoadFailure", "# nothing\n", {{Event::Load, "00001 0000000000", "", "Loading canceled"}}},
    {"Grid", grid,
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1111001100", "Running"},
      {Event::Pause, "00110 1111001100", "Paused", "Simulation paused"},
      {Event::RefusedStop, "00110 1111001100", "Paused"}, {Event::Resume, "01010 1111001100", "Running"},
      {Event::RefusedStop, "01010 1111001100", "Running"}, {Event::Stop, "00001 0000000000", ""}}},
    {"GridWithoutReadySpectra", "1 required\nA fouriername\n",
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1111000000", "Running"}}},
    {"Spectral", "1 required\n1 uppesignal\n",
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1000110000", "Running"}}},
    {"RunEnd", "1 required\n4 laststep\n",
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1111000000", "Running"},
      {Event::RunEnd, "00010 1111000000", "Run finished", "Run finished"}, {Event::Stop, "00001 0000000000", ""}}},
    {"RunFailure", "1 required\n3 failat\n",
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1111000000", "Running"},
      {Event::RunEnd, "00010 1111000000", failed, failed}}},
    {"DynamicSignals", "1 required\n1 dynamic\nA fouriername\n",
     {{Event::Load, "10000 0000000000", "Loaded"}, {Event::Start, "01010 1111000000", "Running"},
      {Event::EngineSignals, "01010 1111001110", "Running"}}},
};

void PrintTo(const StateCase &c, std::ostream *os) { *os << c.name; }

class RunStates : public Window, public ::testing::WithParamInterface<StateCase>
{
};

} // namespace

TEST_P(RunStates, EventsEnableTheirActions)
{
  const QString path = config("FDTD_run.txt", GetParam().config);
  Lumora *w = make(options());
  EXPECT_EQ(enabled(), "00001 0000000000");
  bool engineFinishedBeforeStop = false;
  for (const Transition &t : GetParam().transitions) {
    ModalAnswerer answerer({t.event == Event::RefusedStop ? QMessageBox::Cancel : QMessageBox::Yes}, path);
    const bool wasRunning = w->runTimer()->isActive();
    if (t.event == Event::Load) {
      ASSERT_TRUE(QMetaObject::invokeMethod(w, "open"));
    } else if (t.event == Event::RunEnd) {
      ASSERT_TRUE(waitUntil([&] { return engine()->finished; }));
      const int steps = engine()->iteration;
      spin(30);
      EXPECT_EQ(engine()->iteration, steps);  // no step once finished
      EXPECT_TRUE(w->runTimer()->isActive()); // ticks go on refreshing plots
    } else if (t.event == Event::EngineSignals) {
      engine()->emitDynamicSignals();
    } else {
      click(t.event == Event::Start    ? "startButton"
            : t.event == Event::Pause  ? "pauseButton"
            : t.event == Event::Resume ? "resumeButton"
                                       : "stopButton");
    }
    EXPECT_EQ(enabled(), t.enabled) << "after event " << static_cast<int>(t.event);
    if (t.event == Event::RefusedStop) {
      EXPECT_EQ(w->runTimer()->isActive(), wasRunning);
    }
    if (t.status) {
      EXPECT_EQ(status(), t.status);
      EXPECT_TRUE(t.event != Event::RunEnd || w->messageLog()->toPlainText().endsWith(t.status));
    }
    // A menu entry's status tip replaces the passing message, not the state.
    QStatusTipEvent hover("Open a plot");
    QApplication::sendEvent(w, &hover);
    EXPECT_EQ(w->runStateStatusLabel()->text(), t.state) << "after event " << static_cast<int>(t.event);
    if (t.event == Event::Stop) { // logged when it ends a run that had not finished
      EXPECT_EQ(w->messageLog()->toPlainText().contains("Run stopped at iteration "),
                !engineFinishedBeforeStop);
    }
    engineFinishedBeforeStop = engine() && engine()->finished;
  }
}

INSTANTIATE_TEST_SUITE_P(Window, RunStates, ::testing::ValuesIn(stateCases), testsupport::ByName());

// Names and units in the status bar, and a progress bar where the end is known.
TEST_F(Window, StatusTexts)
{
  const struct
  {
    const char *config;
    int iteration;
    const char *text;
    int bar; // per mille; -1: no bar
  } cases[] = {
      {"1 required\nexit action\n87556 iterations\n", 43778,
       "Iteration 43 778 \u00b7 43 778 it/s \u00b7 t = 43.8 ps \u00b7 about 1 s left", 500},
      {"1 required\n1 uppesignal\n20 pathlength\n", 2, "z = 2.00 um of 20 um \u00b7 10 % \u00b7 about 9 s left", 100},
      {"1 required\n80 2 dynamicmap\n", 7, "Iteration 7 \u00b7 7 it/s \u00b7 t = 7 fs", 250},
  };
  for (const auto &c : cases) {
    qint64 now = 0;
    LumoraOptions o = options(config("FDTD_run.txt", c.config));
    o.clock = [&now] { return now; };
    Lumora *w = make(o);
    click("pauseButton");
    w->speedIndicatorTimer()->stop();
    engine()->iteration = c.iteration;
    now += 300000000; // too soon to tell a speed
    ASSERT_TRUE(QMetaObject::invokeMethod(w, "updateSpeed"));
    EXPECT_TRUE(w->progressStatusLabel()->text().contains(" 0 it/s") || c.iteration == 2) << c.text;
    now += 700000000; // a second after the start
    ASSERT_TRUE(QMetaObject::invokeMethod(w, "updateSpeed"));
    EXPECT_EQ(w->progressStatusLabel()->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(w->progressStatusBar()->isVisibleTo(w), c.bar >= 0) << c.text;
    EXPECT_EQ(c.bar >= 0 ? w->progressStatusBar()->value() : -1, c.bar);
    EXPECT_EQ(status(), "Simulation paused"); // kept until the run goes on
    window.reset();
  }
}

// The log follows new lines unless the user scrolled up; View -> Messages
// brings a closed log back.
TEST_F(Window, MessageLogFollowsAndComesBack)
{
  Lumora *w = make(options());
  QPlainTextEdit *log = w->messageLog();
  QScrollBar *bar = log->verticalScrollBar();
  for (int i = 0; i < 60; ++i)
    log->appendPlainText(QString::number(i));
  bar->setValue(bar->maximum());
  ModalAnswerer answerer({QMessageBox::Ok}, config("FDTD_bad.txt", "# nothing\n")); // a failed load logs
  ASSERT_TRUE(QMetaObject::invokeMethod(w, "open"));
  EXPECT_EQ(bar->value(), bar->maximum());
  bar->setValue(3);
  ASSERT_TRUE(QMetaObject::invokeMethod(w, "open"));
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(answerer.boxes.size(), 2);

  auto *dock = w->findChild<QDockWidget *>("messageDock");
  dock->close();
  QAction *messages = action("actionMessages");
  ASSERT_TRUE(w->findChild<QMenu *>("menuShow")->actions().contains(messages));
  messages->trigger();
  EXPECT_TRUE(dock->isVisible());
}

// --- plot windows ------------------------------------------------------------------

TEST_F(Window, PlotWindowsJoinTheWindowMenuAndCloseWithStop)
{
  Lumora *w = started("1 required\n");
  click("pauseButton");
  auto *windowMenu = w->findChild<QMenu *>("menuWindow");
  const int baseEntries = windowMenu->actions().size();
  for (const char *a : {"actionElectricFieldEnvelope", "actionPoyntingVector", "actionElectricFieldEnvelope"})
    action(a)->trigger();
  EXPECT_EQ(mdi()->subWindowList(QMdiArea::CreationOrder).last()->windowTitle(), "Electric field envelope 2");
  EXPECT_EQ(windowMenu->actions().at(baseEntries + 1)->text(), "Poynting vector envelope 1");
  EXPECT_TRUE(action("actionSaveAs")->isEnabled());
  ModalAnswerer yes({QMessageBox::Yes});
  click("stopButton");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(mdi()->subWindowList().isEmpty());
  EXPECT_EQ(windowMenu->actions().size(), baseEntries);
  EXPECT_FALSE(action("actionSaveAs")->isEnabled());
}

// Tiling more plots than fit keeps each at its readable size, side by side,
// and the area scrolls; with room enough the tiles fill the area.
TEST_F(Window, TilesKeepPlotsReadable)
{
  Lumora *w = started("1 required\n");
  click("pauseButton");
  for (int i = 0; i < 3; ++i)
    action("actionElectricFieldEnvelope")->trigger();
  for (const QSize size : {QSize(700, 500), QSize(2400, 1600)}) {
    w->resize(size);
    QCoreApplication::processEvents();
    action("actionTile")->trigger();
    QCoreApplication::processEvents();
    const auto windows = mdi()->subWindowList(QMdiArea::CreationOrder);
    for (int i = 0; i < windows.size(); ++i) {
      EXPECT_GE(windows[i]->widget()->width(), AbstractPlotWidget::minimumReadableWidth);
      EXPECT_GE(windows[i]->widget()->height(), AbstractPlotWidget::minimumReadableHeight);
      for (int j = 0; j < i; ++j)
        EXPECT_FALSE(windows[i]->geometry().intersects(windows[j]->geometry())) << i << " " << j;
    }
    const bool scrolls = mdi()->verticalScrollBar()->maximum() > 0 || mdi()->horizontalScrollBar()->maximum() > 0;
    EXPECT_EQ(scrolls, size.width() < 1000) << size.width();
  }
}

TEST_F(Window, RefreshWalkFollowsEachWindowsRefreshTest)
{
  started("1 required\n");
  click("pauseButton");
  action("actionElectricFieldEnvelope")->trigger();
  action("actionElectricFieldEnvelope")->trigger();
  const auto windows = mdi()->subWindowList(QMdiArea::CreationOrder);
  auto *ticked = qobject_cast<RectangularPlotWidget *>(windows[0]->widget());
  auto *unticked = qobject_cast<RectangularPlotWidget *>(windows[1]->widget());
  ASSERT_TRUE(ticked && unticked);
  ticked->checkBox->setChecked(true);
  ticked->lineEdit->setText("2");
  engine()->iteration = 1;
  // Each tick steps once and then walks the windows; E[0] is the iteration.
  for (double expected : {2.0, 2.0, 4.0}) {
    ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
    EXPECT_EQ(ticked->yValues().front(), expected);
  }
  EXPECT_EQ(unticked->yValues().front(), 0.0); // never refreshed since it opened
  ticked->lineEdit->setText("0");               // counts as 1
  ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "update"));
  EXPECT_EQ(ticked->yValues().front(), 5.0);
}

TEST_F(Window, TheTickOfASuspendStillRefreshesThePlots)
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

TEST_F(Window, DialogOpensWindowsForTheSelectedRows)
{
  Lumora *w = started("1 required\nP0 probename\nP1 probename\nP2 probename\n");
  click("pauseButton");
  action("actionTime_series_plot")->trigger();
  SpectrumDialog *dialog = w->probeDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->itemNames(), QStringList({"P0", "P1", "P2"}));
  auto *list = dialog->findChild<QListWidget *>("listWidget");
  list->item(2)->setSelected(true);
  list->item(0)->setSelected(true);
  dialog->findChild<QPushButton *>("okButton")->click();
  QStringList titles;
  for (QMdiSubWindow *s : mdi()->subWindowList(QMdiArea::CreationOrder))
    titles << s->windowTitle();
  titles.sort();
  EXPECT_EQ(titles, QStringList({"P0", "P2"}));
}

namespace {

// Every paint of the watched widget takes costNs on the window's clock.
class SlowPainter : public QObject
{
public:
  SlowPainter(QWidget *watched, qint64 &now, qint64 costNs) : now(now), costNs(costNs)
  {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject *, QEvent *event) override
  {
    if (event->type() == QEvent::Paint) {
      now += costNs;
      ++paints;
    }
    return false;
  }
  qint64 &now;
  qint64 costNs;
  int paints = 0;
};

} // namespace

// A plot at "every 1" whose painting (done by Qt after the refresh) takes
// 50 ms against steps of 1 ms: the drawing budget spaces the redraws so that
// the run still steps more than nine tenths of the time.
TEST_F(Window, SlowPaintingLeavesTheRunItsSpeed)
{
  constexpr qint64 ms = 1000000;
  qint64 painting = 0;
  // The window's clock: 1 ms for every step the engine has made, and the painting.
  const auto now = [&] { return painting + (window && window->simulator() ? window->simulator()->iteration : 0) * ms; };
  LumoraOptions o = options(config("FDTD_paced.txt", "1 required\n"));
  o.clock = now;
  Lumora *w = make(o);
  click("pauseButton");
  action("actionElectricFieldEnvelope")->trigger();
  auto *plot = qobject_cast<AbstractPlotWidget *>(mdi()->subWindowList().first()->widget());
  ASSERT_NE(plot, nullptr);
  plot->checkBox->setChecked(true);
  QCoreApplication::processEvents();
  SlowPainter painter(plot->navigablePlot()->canvas(), painting, 50 * ms);
  const qint64 start = now();
  const int first = engine()->iteration;
  click("resumeButton");
  ASSERT_TRUE(waitUntil([&] { return now() - start >= 20000 * ms; }, 30000));
  click("pauseButton");
  const double stepping = static_cast<double>(engine()->iteration - first) * ms / static_cast<double>(now() - start);
  EXPECT_GE(stepping, 0.9);
  EXPECT_GE(painter.paints, 10); // the plot still follows the run
  EXPECT_EQ(w->runStateStatusLabel()->text(), "Paused");
}
