// The window's breakpoints, saving by hand and closing with the fake engine,
// and every shipped example in the window with the real engines.

#include "windowtestsupport.h"

TEST_F(Window, ExitBreakpointStopsAfterTheStepAndClosesTheWindow)
{
  Lumora *w = started("1 required\nexit action\n5 iterations\n");
  ModalAnswerer yes({QMessageBox::Yes});
  ASSERT_TRUE(waitUntil([&] { return !w->isVisible(); }));
  ASSERT_EQ(yes.boxes.size(), 1);
  EXPECT_EQ(yes.boxes[0], "Are you sure you want to stop the simulation?");
  EXPECT_EQ(w->simulator(), nullptr);
  EXPECT_FALSE(w->speedIndicatorTimer()->isActive());
}

TEST_F(Window, SuspendAndExitAtOneIterationActInFileOrder)
{
  Lumora *w = started("1 required\nsuspend action\n3 iterations\nexit action\n3 iterations\n");
  ModalAnswerer cancel({QMessageBox::Cancel});
  ASSERT_TRUE(waitUntil([&] { return cancel.boxes.size() == 2; }));
  // Paused by the first; the refused stop and exit leave it paused.
  EXPECT_EQ(enabled(), "00110 1111000000");
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_EQ(engine()->iteration, 3);
  EXPECT_TRUE(w->messageLog()->toPlainText().contains("Breakpoint \"exit\" at iteration 3"));
}

TEST_F(Window, SaveBreakpointsWriteAndKeepTheRunGoing)
{
  const QString path = config("FDTD_tagged.txt", "1 required\nsaveAll action\n4 iterations\nmytag file\n"
                                                 "save_line_envelope action\n5 iterations\nline.txt file\n");
  config("Settings.txt", ("1\n" + path + "*\n" + dir.path() + "*\n").toUtf8());
  const WorkingFolder workingFolder(dir.path());
  Lumora *w = make(options());
  ASSERT_TRUE(runTo(6));
  EXPECT_EQ(w->resultsTag(), "mytag");
  const QStringList folders = QDir(dir.path()).entryList({"Simulation results *_mytag"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(QFile::exists(dir.path() + "/" + folders.first() + "/FDTD_tagged.txt"));
  EXPECT_TRUE(testsupport::readAll(dir.filePath("line.txt")).startsWith("! Location [um]\tElectric field [V/m]\n0\t5\n"));
  EXPECT_EQ(enabled(), "01010 1111000000");
  EXPECT_TRUE(w->runTimer()->isActive());
}

TEST_F(Window, FailedLineEnvelopeSaveLeavesTheRunHeld)
{
  Lumora *w = started("1 required\nsave_line_envelope action\n3 iterations\n/nonexistent/dir/line.txt file\n");
  ASSERT_TRUE(waitUntil([&] { return status() == "Saving failed"; }));
  spin(30);
  EXPECT_EQ(engine()->iteration, 3);
  EXPECT_FALSE(w->runTimer()->isActive());
  EXPECT_EQ(enabled(), "01010 1111000000"); // continue with Pause and Resume
  click("pauseButton");
  click("resumeButton");
  EXPECT_TRUE(runTo(5));
}

// --- saving by hand ---------------------------------------------------------------

// Without a results base Save All writes beside the program, or, when that
// folder is not writable (an installed program), into the user's documents;
// saving while paused leaves the run paused.
TEST_F(Window, SaveAllFallsBackToTheDocumentsFolder)
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
  const QString message = "All files have been saved to " + QDir::toNativeSeparators(base + "/" + folders.first());
  EXPECT_EQ(status(), message);
  EXPECT_TRUE(w->messageLog()->toPlainText().endsWith(message));
  EXPECT_EQ(enabled(), "00110 1111000000");
  EXPECT_FALSE(w->runTimer()->isActive());
}

TEST_F(Window, SaveAsAndExportWriteTheActivePlot)
{
  Lumora *w = started("1 required\n");
  click("pauseButton");
  action("actionElectricFieldEnvelope")->trigger();
  // A name without suffix gets ".txt"; the picture dialog proposes the title.
  const QString out = dir.filePath("saved.txt");
  {
    ModalAnswerer answerer({QMessageBox::Ok}, dir.filePath("saved"));
    action("actionSaveAs")->trigger();
  }
  EXPECT_EQ(status(), "File saved");
  EXPECT_TRUE(testsupport::readAll(out).startsWith("! Location [um]\tElectric field [V/m]\n"));
  EXPECT_TRUE(w->messageLog()->toPlainText().endsWith("Saved " + QDir::toNativeSeparators(out)));
  {
    ModalAnswerer answerer({QMessageBox::Ok}, dir.filePath("picture"));
    action("actionExportPicture")->trigger();
    EXPECT_EQ(answerer.proposedFile, dir.filePath("Electric field envelope 1.png"));
  }
  EXPECT_GT(QFileInfo(dir.filePath("picture.png")).size(), 0);
  EXPECT_FALSE(w->runTimer()->isActive()); // saving while paused stays paused
}

// --- closing ----------------------------------------------------------------------

TEST_F(Window, CloseAndExitAskWhileRunning)
{
  Lumora *w = started("1 required\n");
  ASSERT_TRUE(runTo(2));
  {
    ModalAnswerer cancel({QMessageBox::Cancel});
    EXPECT_FALSE(w->close());
    action("actionExit")->trigger();
    ASSERT_EQ(cancel.boxes.size(), 2);
    EXPECT_EQ(cancel.boxes[0], "Are you sure you want to exit the simulator?");
  }
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->runTimer()->isActive());
  {
    ModalAnswerer yes({QMessageBox::Yes});
    action("actionExit")->trigger();
    EXPECT_EQ(yes.boxes.size(), 1);
  }
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->runTimer()->isActive());
}


namespace {

QStringList shippedExamples()
{
  QStringList paths;
  const QDir examples(testsupport::sourceDir() + "/examples");
  for (const QString &name : examples.entryList({"FDTD_*.txt", "UPPE_*.txt"}, QDir::Files, QDir::Name))
    paths << examples.filePath(name);
  return paths;
}

class ShippedExample : public Window, public ::testing::WithParamInterface<QString>
{
};

} // namespace

TEST_P(ShippedExample, RunsInTheWindow)
{
  // The run works on a copy of the examples folder, which is also the working
  // directory: pulse files are found there, and side files stay there.
  const QDir examples(QFileInfo(GetParam()).absolutePath());
  for (const QString &name : examples.entryList(QDir::Files))
    ASSERT_TRUE(QFile::copy(examples.filePath(name), dir.filePath(name)));
  const QString configuration = dir.filePath(QFileInfo(GetParam()).fileName());
  const WorkingFolder workingFolder(dir.path());

  // The Settings file gives the results folder; the command line the file;
  // the engines are the real ones.
  config("Settings.txt", ("1\n" + configuration + " *\n" + dir.path() + " *\n").toUtf8());
  LumoraOptions o = options(configuration);
  o.engineFactory = nullptr;
  ModalAnswerer answerer({QMessageBox::Yes});
  Lumora *w = make(o);
  ASSERT_TRUE(answerer.boxes.isEmpty()) << answerer.boxes.first().toStdString();
  EXPECT_EQ(w->configurationPath(), configuration);
  // An "exit" action may end the run (and delete the engine) on a slow machine
  // before the checks below get their turn: the pointer then becomes null.
  QPointer<Simulator> engine = w->simulator();
  ASSERT_NE(engine, nullptr);

  ASSERT_TRUE(waitUntil([&] { return !engine || engine->finished || engine->iteration >= 20; }, 60000));
  if (!engine)
    return;
  click("pauseButton");

  // Every plot window the run offers, with every row of the selection dialogs.
  for (QAction *a : w->findChild<QMenu *>("menuShow")->actions())
    if (!a->isSeparator() && a->isEnabled())
      a->trigger();
  for (SpectrumDialog *dialog : {w->fourierDialog(), w->probeDialog()})
    if (dialog && dialog->isVisible()) {
      dialog->findChild<QListWidget *>("listWidget")->selectAll();
      dialog->findChild<QPushButton *>("okButton")->click();
    }
  EXPECT_FALSE(mdi()->subWindowList().isEmpty());
  for (QMdiSubWindow *subWindow : mdi()->subWindowList())
    if (auto *plot = qobject_cast<AbstractPlotWidget *>(subWindow->widget()))
      plot->checkBox->setChecked(true);

  // Refreshing with the run going on.
  // (A "suspend" action may pause the run again before ten more steps.)
  const int before = engine->iteration;
  QPushButton *resume = button("resumeButton");
  resume->click();
  ASSERT_TRUE(waitUntil(
      [&] { return !engine || engine->finished || engine->iteration >= before + 10 || resume->isEnabled(); },
      60000));
  if (!engine)
    return;
  EXPECT_TRUE(engine->runFailure.isEmpty()) << engine->runFailure.toStdString();
  for (double v : engine->electricField())
    ASSERT_TRUE(std::isfinite(v));

  action("actionSave_All")->trigger();
  EXPECT_TRUE(status().startsWith("All files have been saved to "));
  const QStringList folders = QDir(dir.path()).entryList({"Simulation results *"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(QFile::exists(dir.path() + "/" + folders.first() + "/" + QFileInfo(GetParam()).fileName()));

  click("stopButton");
  EXPECT_EQ(w->simulator(), nullptr);
  EXPECT_TRUE(action("actionLoad")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedExample, ::testing::ValuesIn(shippedExamples()),
                         [](const ::testing::TestParamInfo<QString> &info) {
                           return testsupport::caseName(QFileInfo(info.param).baseName().toStdString());
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ShippedExample);
