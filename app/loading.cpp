// Loading a configuration: the Load dialog, the Settings file's and the
// command line's automatic load, the status-bar fields of a loaded run and
// the wiring of its breakpoints and signals.

#include "app/lumora.h"

#include "engine/breakpoints.h"
#include "engine/simulator.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>

void Lumora::setConfiguration(const QString &fileName)
{
  configPath = fileName;
  engineType = engineTypeOf(fileName);
  runName = runNameOf(fileName);
}

void Lumora::loadAndStart(const QString &fileName)
{
  setConfiguration(fileName);
  if (readFile(fileName))
    on_startButton_clicked();
}

bool Lumora::open()
{
  if (engine)
    return false;
  const QString fileName = QFileDialog::getOpenFileName(this, tr("Load Config File"), QStringLiteral("."),
                                                        tr("Text files (*.txt)"));
  if (fileName.isEmpty())
    return false;
  return openFile(fileName);
}

bool Lumora::openFile(const QString &fileName)
{
  if (engine)
    return false;
  setConfiguration(fileName);
  if (readFile(fileName)) {
    statusBar()->showMessage(tr("File loaded"), 2000);
    return true;
  }
  statusBar()->showMessage(tr("Loading canceled"), 2000);
  return false;
}

bool Lumora::readFile(QString fileName)
{
  if (engine)
    return false; // one engine at a time: Stop first

  QApplication::setOverrideCursor(Qt::WaitCursor);
  const LoadOutcome outcome = loadConfiguration(fileName, engineType, runName, engineFactory);
  QApplication::restoreOverrideCursor();
  if (!outcome.ok()) {
    // The loader has already discarded an engine that failed to load.
    logMessage(outcome.message);
    QMessageBox::warning(this, tr("Lumora"), outcome.message);
    return false;
  }
  engine = outcome.engine;
  appearedDuringRun.clear();
  runEndReported = false;
  speed = 0.0;

  const QFileInfo file(fileName);
  setWindowTitle(file.fileName() + QStringLiteral(" \u2014 ") + tr("Lumora"));
  logMessage(tr("Loaded %1").arg(QDir::toNativeSeparators(file.absoluteFilePath())));
  const QString summary = setupSummaryText(*engine);
  if (!summary.isEmpty())
    logMessage(summary);
  rememberRecentFile(file.absoluteFilePath());

  fileLabel = new QLabel(file.fileName());
  fileLabel->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
  progressLabel = new QLabel;
  progressLabel->setToolTip(tr("Progress"));
  progressBar = new QProgressBar;
  progressBar->setRange(0, 1000);
  progressBar->setMaximumWidth(160);
  statusBar()->addPermanentWidget(fileLabel);
  statusBar()->addPermanentWidget(progressLabel);
  statusBar()->addPermanentWidget(progressBar);
  lastProgress = engine->progress();
  lastSpeedTime = budget.now();

  // The end is known for the spectral engine (its propagation length) and
  // for a grid run that an exit action ends at a given iteration.
  progressEndValue = engine->progressEnd();
  if (!(progressEndValue > 0.0) && engine->progressAxis() == ProgressAxis::Iterations) {
    for (const AbstractBreakpoint *breakpoint : qAsConst(engine->breakpoints))
      if (breakpoint->type == QLatin1String("exit") && breakpoint->targetIteration > 0 &&
          (progressEndValue <= 0.0 || breakpoint->targetIteration < progressEndValue))
        progressEndValue = breakpoint->targetIteration;
  }
  updateProgressIndicator();

  setRunState(RunState::Loaded);
  connectBreakpoints();
  if (engine->dynamicSpectrogram) {
    connect(engine, &Simulator::updateDynamicSpectrogram, this, &Lumora::updateDynamicSpectrogram);
    connect(engine, &Simulator::createActionSpectrum, this, &Lumora::createActionSpectrum);
    connect(engine, &Simulator::createActionTime, this, &Lumora::createActionTime);
  }
  return true;
}

void Lumora::connectBreakpoints()
{
  breakpoints = engine->breakpoints;
  for (AbstractBreakpoint *breakpoint : qAsConst(breakpoints))
    connect(breakpoint, &AbstractBreakpoint::reached, this, &Lumora::breakpointReached);
}
