// Every shipped example in the window with the real engines: load and start
// it as the command line does, open every plot window the run offers, let the
// windows refresh, save everything, and stop.

#include "testsupport.h"
#include "windowtestsupport.h"

#include "app/lumora.h"
#include "engine/simulator.h"
#include "plots/plotwidgets.h"
#include "plots/spectrumdialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <ostream>
#include <memory>

using windowtest::ModalAnswerer;
using windowtest::waitUntil;

// Readable test names in the test listing.
void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace {

QStringList shippedExamples()
{
  QStringList paths;
  const QDir examples(testsupport::sourceDir() + "/examples");
  for (const QString &name : examples.entryList({"FDTD_*.txt", "UPPE_*.txt"}, QDir::Files, QDir::Name))
    paths << examples.filePath(name);
  return paths;
}

std::string testName(const ::testing::TestParamInfo<QString> &info)
{
  std::string name = QFileInfo(info.param).baseName().toStdString();
  for (char &c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)))
      c = '_';
  return name;
}

// Picks every row of a selection dialog and presses Ok.
void chooseAll(SpectrumDialog *dialog)
{
  auto *list = dialog->findChild<QListWidget *>("listWidget");
  list->selectAll();
  dialog->findChild<QPushButton *>("okButton")->click();
}

} // namespace

class ShippedExample : public ::testing::TestWithParam<QString>
{
};

TEST_P(ShippedExample, RunsInTheWindow)
{
  // The run works on a copy of the examples folder, which is also the working
  // directory: pulse files are found there, and side files stay there.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QDir examples(QFileInfo(GetParam()).absolutePath());
  for (const QString &name : examples.entryList(QDir::Files))
    ASSERT_TRUE(QFile::copy(examples.filePath(name), dir.filePath(name)));
  const QString configuration = dir.filePath(QFileInfo(GetParam()).fileName());
  const QString previous = QDir::currentPath();
  QDir::setCurrent(dir.path());
  struct Restore
  {
    QString path;
    ~Restore() { QDir::setCurrent(path); }
  } restore{previous};

  // The Settings file gives the results folder; the command line the file.
  testsupport::writeFile(dir, "Settings.txt",
                         ("1\n" + configuration + " *\n" + dir.path() + " *\n").toUtf8());
  LumoraOptions options;
  options.settingsPath = dir.filePath("Settings.txt");
  options.configurationFile = configuration;

  ModalAnswerer answerer({QMessageBox::Yes});
  auto window = std::make_unique<Lumora>(options);
  window->show();
  ASSERT_TRUE(answerer.boxes.isEmpty()) << answerer.boxes.first().text.toStdString();
  EXPECT_EQ(window->configurationPath(), configuration);
  Simulator *engine = window->simulator();
  ASSERT_NE(engine, nullptr);

  ASSERT_TRUE(waitUntil([&] { return engine->finished || engine->iteration >= 20; }, 60000));
  window->findChild<QPushButton *>("pauseButton")->click();

  // Every plot window the run offers.
  for (QAction *action : window->findChild<QMenu *>("menuShow")->actions()) {
    if (action->isSeparator() || !action->isEnabled())
      continue;
    action->trigger();
  }
  for (SpectrumDialog *dialog : {window->fourierDialog(), window->probeDialog()})
    if (dialog && dialog->isVisible())
      chooseAll(dialog);
  auto *mdi = window->findChild<QMdiArea *>("mdiArea");
  const QList<QMdiSubWindow *> windows = mdi->subWindowList();
  EXPECT_FALSE(windows.isEmpty());
  for (QMdiSubWindow *subWindow : windows)
    if (auto *plot = qobject_cast<AbstractPlotWidget *>(subWindow->widget()))
      plot->checkBox->setChecked(true);

  // Refreshing with the run going on.
  const int before = engine->iteration;
  window->findChild<QPushButton *>("resumeButton")->click();
  ASSERT_TRUE(waitUntil([&] { return engine->finished || engine->iteration >= before + 10; }, 60000));
  EXPECT_TRUE(engine->runFailure.isEmpty()) << engine->runFailure.toStdString();
  for (double v : engine->electricField())
    ASSERT_TRUE(std::isfinite(v));

  window->findChild<QAction *>("actionSave_All")->trigger();
  EXPECT_TRUE(window->statusBar()->currentMessage().startsWith("All files have been saved to "));
  const QStringList folders = QDir(dir.path()).entryList({"Simulation results *"}, QDir::Dirs);
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(QFile::exists(dir.path() + "/" + folders.first() + "/" + QFileInfo(GetParam()).fileName()));

  window->findChild<QPushButton *>("stopButton")->click();
  EXPECT_EQ(window->simulator(), nullptr);
  EXPECT_TRUE(window->findChild<QAction *>("actionLoad")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedExample, ::testing::ValuesIn(shippedExamples()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ShippedExample);
