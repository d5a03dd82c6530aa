// The run loop and its controls: time slices of engine steps with the plot
// refreshes the drawing budget allows, Start, Pause, Resume, Stop, the end of
// a run and the breakpoints' requests.

#include "app/lumora.h"

#include "engine/breakpoints.h"
#include "engine/simulator.h"
#include "plots/plotwidgets.h"
#include "plots/spectrumdialog.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

void Lumora::update()
{
  if (!engine)
    return;
  if (engine->finished) {
    // A finished run only refreshes its plots.
    refreshPlots(false);
    return;
  }
  stepTimeSlice();
}

void Lumora::stepTimeSlice()
{
  // Several short steps per tick spare the event loop's round trip; a step
  // that holds the run (pause, a failed save, exit, the end) or a redraw ends
  // the slice, so Qt paints and the buttons react between slices.
  const qint64 sliceEnd = budget.now() + timeSlice;
  for (;;) {
    const qint64 start = budget.now();
    engine->step();
    if (!engine)
      return;
    const qint64 end = budget.now();
    budget.addSteppingTime(end - start);
    if (engine->finished || !engine->runFailure.isEmpty())
      reportRunEnd();
    // A step that pauses or ends the run draws its state whatever the
    // drawing budget says, so that a held run shows where it stopped.
    const bool held = !updateTimer->isActive() || runEndReported || exitPending;
    if (refreshPlots(held) || held || end >= sliceEnd)
      return;
  }
}

bool Lumora::refreshPlots(bool held)
{
  subWindows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  bool decided = false;
  bool drawing = false;
  for (QMdiSubWindow *subWindow : qAsConst(subWindows)) {
    auto *plot = qobject_cast<AbstractPlotWidget *>(subWindow->widget());
    if (!plot || !plot->isRefreshDue(engine))
      continue;
    if (!decided) {
      // All plots due at this iteration redraw together, or none does.
      decided = true;
      drawing = held || budget.mayRedraw();
      if (drawing)
        budget.redrawStarted();
    }
    if (!drawing)
      break;
    plot->refreshPlot(engine);
  }
  return drawing;
}

void Lumora::reportRunEnd()
{
  if (runEndReported || !engine)
    return;
  runEndReported = true;
  // Nothing left to pause or resume; Stop returns to the idle state and the
  // plots keep refreshing.
  setRunState(RunState::Ended);
  progressTimer->stop();
  updateProgressIndicator();
  if (!engine->runFailure.isEmpty()) {
    announce(tr("Run failed: %1").arg(engine->runFailure));
  } else {
    if (progressBar && progressBar->isVisible())
      progressBar->setValue(progressBar->maximum());
    announce(tr("Run finished"));
  }
}

void Lumora::on_startButton_clicked()
{
  if (!engine)
    return;
  budget.restart();
  lastProgress = engine->progress();
  lastSpeedTime = budget.now();
  updateTimer->start();
  progressTimer->start();
  speedTimer->start();
  setRunState(RunState::Running);
}

void Lumora::on_pauseButton_clicked()
{
  updateTimer->stop();
  progressTimer->stop();
  if (runState == RunState::Running)
    setRunState(RunState::Paused);
  // Kept until the run goes on.
  statusBar()->showMessage(tr("Simulation paused"));
  updateProgressIndicator();
}

void Lumora::on_resumeButton_clicked()
{
  statusBar()->clearMessage();
  budget.restart();
  updateTimer->start();
  progressTimer->start();
  setRunState(RunState::Running);
}

void Lumora::on_stopButton_clicked()
{
  if (!engine)
    return;
  updateTimer->stop();
  progressTimer->stop();
  if (!engine->finished) {
    const QMessageBox::StandardButton answer =
        QMessageBox::warning(this, tr("Lumora"), tr("Are you sure you want to stop the simulation?"),
                             QMessageBox::Yes | QMessageBox::Cancel);
    if (answer != QMessageBox::Yes) {
      if (isRunning()) {
        updateTimer->start();
        progressTimer->start();
      }
      return;
    }
    logMessage(tr("Run stopped at %1").arg(stopPoint()));
  }

  ui.mdiArea->closeAllSubWindows();
  statusBar()->clearMessage();
  for (QWidget **widget : {reinterpret_cast<QWidget **>(&fileLabel), reinterpret_cast<QWidget **>(&progressLabel),
                           reinterpret_cast<QWidget **>(&progressBar)}) {
    if (*widget) {
      statusBar()->removeWidget(*widget);
      delete *widget;
      *widget = nullptr;
    }
  }
  setWindowTitle(tr("Lumora"));
  if (spectrumDialog && spectrumDialog->isVisible())
    spectrumDialog->close();
  if (timeProbeDialog && timeProbeDialog->isVisible())
    timeProbeDialog->close();

  breakpoints.clear();
  subWindows.clear();
  delete engine;
  engine = nullptr;
  setRunState(RunState::Idle);
  speedTimer->stop();
  efieldCount = 1;
  sfieldCount = 1;
  hfieldCount = 1;
}

bool Lumora::isRunning() const { return runState == RunState::Running; }

void Lumora::setRunState(RunState state)
{
  runState = state;
  updateActions();
  showRunState();
}

void Lumora::showRunState()
{
  QString text;
  switch (engine ? runState : RunState::Idle) {
  case RunState::Idle:
    break;
  case RunState::Loaded:
    text = tr("Loaded");
    break;
  case RunState::Running:
    text = tr("Running");
    break;
  case RunState::Paused:
    text = tr("Paused");
    break;
  case RunState::Ended:
    text = engine->runFailure.isEmpty() ? tr("Run finished") : tr("Run failed: %1").arg(engine->runFailure);
    break;
  }
  runStateLabel->setText(text);
}

// --- breakpoints ---------------------------------------------------------------

void Lumora::breakpointReached(const QString &type, const QString &fileName)
{
  logMessage(tr("Breakpoint \"%1\" at iteration %2").arg(type).arg(engine ? groupedNumber(engine->iteration) : QString()));
  if (type == QLatin1String("suspend"))
    on_pauseButton_clicked();
  else if (type == QLatin1String("save_line_envelope"))
    saveEEnvelopeOnBreakpoint(fileName);
  else if (type == QLatin1String("exit"))
    exitApplication();
  else if (type == QLatin1String("saveAll"))
    saveAllOnBreakpoint(fileName);
}

void Lumora::exitApplication()
{
  // Emitted from inside the engine's step: hold the run at once, and stop and
  // close only after step() and this update tick have returned, so that the
  // engine is never deleted while it is still executing.
  updateTimer->stop();
  progressTimer->stop();
  if (exitPending)
    return;
  exitPending = true;
  QMetaObject::invokeMethod(
      this, [this] { finishExitApplication(); }, Qt::QueuedConnection);
}

void Lumora::finishExitApplication()
{
  exitPending = false;
  on_stopButton_clicked();
  close();
}
