#pragma once
// Helpers for driving the main window in tests: waiting on the event loop and
// answering modal boxes and file dialogs as a user would.

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace windowtest {

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
inline void spin(int ms)
{
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct SeenBox
{
  QString title;
  QString text;
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
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
    timer.start();
  }

  QList<SeenBox> boxes;
  int fileDialogs = 0;
  QString proposedFile; // what the last file dialog offered


private:
  void poll()
  {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
      return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      if (!box->isVisible())
        return;
      boxes << SeenBox{box->windowTitle(), box->text()};
      const QMessageBox::StandardButton answer =
          answers.isEmpty() ? QMessageBox::Ok : answers.at(qMin(used, answers.size() - 1));
      ++used;
      QAbstractButton *button = box->button(answer);
      if (button)
        button->click();
      else
        box->reject();
      return;
    }
    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
      if (!dialog->isVisible())
        return;
      ++fileDialogs;
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

} // namespace windowtest
