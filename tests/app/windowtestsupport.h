#pragma once
// What the window tests share: running the event loop until something holds,
// answering modal boxes and file dialogs, and the fixture that builds a
// window over the fake engine.

#include "testsupport.h"
#include "app/settingsfile.h"
#include "fakeengine.h"
#include "app/lumora.h"
#include "plots/plotwidgets.h"
#include "plots/spectrumdialog.h"
#include "engine/simulator.h"

#include <QtWidgets>
#include <QTest>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <cmath>
#include <ostream>

// Runs the event loop until done() holds or timeoutMs passed; returns done().
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000)
{
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs)
      return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// Runs the event loop for about ms milliseconds.
inline void spin(int ms) { waitUntil([] { return false; }, ms); }

// Makes folder the working directory while it lives.
class WorkingFolder
{
public:
  explicit WorkingFolder(const QString &folder) { QDir::setCurrent(folder); }
  ~WorkingFolder() { QDir::setCurrent(previous); }

private:
  const QString previous = QDir::currentPath();
};

// Answers every modal message box that appears while it lives: the answers
// are used in order (the last one repeats) and every box is recorded. File
// dialogs get fileAnswer (empty: cancelled).
class ModalAnswerer
{
public:
  explicit ModalAnswerer(QList<QMessageBox::StandardButton> answers = {QMessageBox::Ok},
                         const QString &fileAnswer = QString())
      : answers(answers), fileAnswer(fileAnswer)
  {
    QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
    timer.start(5);
  }

  QStringList boxes;    // the texts of the boxes seen
  QString proposedFile; // what the last file dialog offered

private:
  void poll()
  {
    QWidget *modal = QApplication::activeModalWidget(); // null when there is none
    if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible()) {
      boxes << box->text();
      const auto answer = answers.value(qMin(used++, answers.size() - 1), QMessageBox::Ok);
      if (QAbstractButton *button = box->button(answer))
        button->click();
      else
        box->reject();
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && dialog->isVisible()) {
      proposedFile = dialog->selectedFiles().value(0);
      if (fileAnswer.isEmpty()) {
        dialog->reject();
      } else {
        dialog->selectFile(fileAnswer);
        static_cast<QDialog *>(dialog)->accept();
      }
    }
  }

  QList<QMessageBox::StandardButton> answers;
  QString fileAnswer;
  int used = 0;
  QTimer timer;
};

class Window : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    FakeEngine::live = 0;
    FakeEngine::destroyedInStep = false;
    QSettings().clear();
  }
  void TearDown() override
  {
    window.reset();
    EXPECT_EQ(FakeEngine::live, 0) << "an engine outlived its window";
    EXPECT_FALSE(FakeEngine::destroyedInStep);
  }
  QString config(const QString &name, const QByteArray &text) { return testsupport::writeFile(dir, name, text); }
  LumoraOptions options(const QString &configurationFile = QString())
  {
    LumoraOptions o;
    o.settingsPath = dir.filePath("Settings.txt");
    o.configurationFile = configurationFile;
    o.engineFactory = [](const QString &, const QStringList &lines, const QString &runName, const QString &) -> Simulator * {
      return new FakeEngine(lines, runName);
    };
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
  FakeEngine *engine() const { return static_cast<FakeEngine *>(window->simulator()); }
  QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(name); }
  QAction *action(const char *name) const { return window->findChild<QAction *>(name); }
  QMdiArea *mdi() const { return window->findChild<QMdiArea *>("mdiArea"); }
  QString status() const { return window->statusBar()->currentMessage(); }
  void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
  bool runTo(int n)
  {
    return waitUntil([&] { return !window->simulator() || window->simulator()->iteration >= n; });
  }
  // Start Pause Resume Stop Load, then Save All and the view actions.
  std::string enabled() const
  {
    std::string s;
    for (const char *b : {"startButton", "pauseButton", "resumeButton", "stopButton"})
      s += button(b)->isEnabled() ? '1' : '0';
    s += action("actionLoad")->isEnabled() ? "1 " : "0 ";
    for (const char *a : {"actionSave_All", "actionElectricFieldEnvelope", "actionMagneticFieldEnvelope",
                          "actionPoyntingVector", "actionFFTSpectrum", "actionUPPE_time_signal",
                          "actionDFTSpectrum", "actionTime_series_plot", "actionSpectrogram",
                          "actionConversion_efficiency"})
      s += action(a)->isEnabled() ? '1' : '0';
    return s;
  }

  QTemporaryDir dir;
  std::unique_ptr<Lumora> window;
};
