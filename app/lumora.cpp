#include "app/lumora.h"

#include "app/enginefactory.h"
#include "app/settingsfile.h"
#include "engine/breakpoints.h"
#include "engine/simulator.h"
#include "plots/childwindow.h"
#include "plots/plotwidgets.h"
#include "plots/resultsaving.h"
#include "plots/spectrumdialog.h"
#include "postprocessing/spectrogrampostprocessing.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include <cmath>

namespace {

const char *const recentFilesKey = "recentFiles";
const char *const lastFolderKey = "lastFolder";

// 43778 -> "43 778".
QString grouped(long long value)
{
  QString digits = QString::number(std::llabs(value));
  for (int i = digits.size() - 3; i > 0; i -= 3)
    digits.insert(i, QLatin1Char(' '));
  return value < 0 ? QLatin1Char('-') + digits : digits;
}

// Seconds with the prefix that keeps three significant digits readable.
QString formatSeconds(double t)
{
  static const char *const units[] = {"s", "ms", "\u00b5s", "ns", "ps", "fs", "as"};
  double v = t;
  int k = 0;
  while (k < 6 && v != 0.0 && std::fabs(v) < 1.0) {
    v *= 1000.0;
    ++k;
  }
  return QString::number(v, 'g', 3) + QLatin1Char(' ') + QString::fromUtf8(units[k]);
}

QString formatDuration(double seconds)
{
  if (seconds < 90.0)
    return QCoreApplication::translate("Lumora", "about %1 s left").arg(std::max(1.0, std::round(seconds)));
  if (seconds < 5400.0)
    return QCoreApplication::translate("Lumora", "about %1 min left").arg(std::round(seconds / 60.0));
  return QCoreApplication::translate("Lumora", "about %1 h left").arg(std::round(seconds / 3600.0));
}

} // namespace

Lumora::Lumora(QWidget *parent) : QMainWindow(parent) { setUpWindow(LumoraOptions()); }

Lumora::Lumora(const LumoraOptions &options, QWidget *parent) : QMainWindow(parent)
{
  setUpWindow(options);
}

Lumora::~Lumora()
{
  updateTimer->stop();
  progressTimer->stop();
  speedTimer->stop();
  // Plot windows read the engine only when asked to; close them before the
  // engine goes so that nothing outlives it holding its data.
  ui.mdiArea->closeAllSubWindows();
  delete engine;
  engine = nullptr;
}

void Lumora::setUpWindow(const LumoraOptions &options)
{
  engineFactory = options.engineFactory ? options.engineFactory : EngineFactory(createEngine);

  ui.setupUi(this);
  programFolder = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : options.programFolder;
  documentsFolder = options.documentsFolder.isEmpty()
                        ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                        : options.documentsFolder;
  windowGroup = new QActionGroup(this);

  // File menu: Load, Recent files, Save As, Save All, Export Picture..., -, Exit.
  recentMenu = new QMenu(tr("Recent files"), this);
  recentMenu->setObjectName(QStringLiteral("menuRecentFiles"));
  ui.menuFile->insertMenu(ui.actionSaveAs, recentMenu);
  exportPictureAction = new QAction(tr("Export Picture..."), this);
  exportPictureAction->setObjectName(QStringLiteral("actionExportPicture"));
  exportPictureAction->setEnabled(false);
  connect(exportPictureAction, &QAction::triggered, this, &Lumora::exportPicture);
  const QList<QAction *> fileEntries = ui.menuFile->actions();
  const int afterSaveAll = fileEntries.indexOf(ui.actionSave_All) + 1;
  ui.menuFile->insertAction(fileEntries.value(afterSaveAll, ui.actionExit), exportPictureAction);
  rebuildRecentMenu();

  // Message log at the bottom: load summaries, saves, breakpoints, run ends.
  auto *dock = new QDockWidget(tr("Messages"), this);
  dock->setObjectName(QStringLiteral("messageDock"));
  logView = new QPlainTextEdit(dock);
  logView->setObjectName(QStringLiteral("messageLog"));
  logView->setReadOnly(true);
  logView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  logView->setMaximumBlockCount(10000);
  dock->setWidget(logView);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  resizeDocks({dock}, {130}, Qt::Vertical);

  connectActions();

  QSettings stored;
  restoreGeometry(stored.value(QStringLiteral("window/geometry")).toByteArray());
  restoreState(stored.value(QStringLiteral("window/state")).toByteArray());

  efieldCount = 1;
  sfieldCount = 1;

  // The run loop: one engine step whenever the event loop is idle, progress
  // and speed once a second.
  updateTimer = new QTimer(this);
  updateTimer->setInterval(0);
  connect(updateTimer, &QTimer::timeout, this, &Lumora::update);
  progressTimer = new QTimer(this);
  progressTimer->setInterval(1000);
  connect(progressTimer, &QTimer::timeout, this, &Lumora::updateProgressIndicator);
  speedTimer = new QTimer(this);
  speedTimer->setInterval(1000);
  connect(speedTimer, &QTimer::timeout, this, &Lumora::updateSpeed);
  updateActions();

  const QString settingsPath =
      options.settingsPath.isEmpty() ? defaultSettingsPath() : options.settingsPath;
  const StartupSettings settings = readSettingsFile(settingsPath);
  if (!options.configurationFile.isEmpty())
    loadAndStart(options.configurationFile);
  else if (settings.autoLoad)
    loadAndStart(settings.configurationPath);
  if (settings.autoLoad)
    resultsBase = settings.resultsBase;
}

void Lumora::connectActions()
{
  QMdiArea *area = ui.mdiArea;
  connect(area, &QMdiArea::subWindowActivated, this, &Lumora::updateActions);
  connect(ui.actionClose, &QAction::triggered, area, &QMdiArea::closeActiveSubWindow);
  connect(ui.actionCloseAll, &QAction::triggered, area, &QMdiArea::closeAllSubWindows);
  connect(ui.actionTile, &QAction::triggered, area, &QMdiArea::tileSubWindows);
  connect(ui.actionCascade, &QAction::triggered, area, &QMdiArea::cascadeSubWindows);
  connect(ui.actionLoad, &QAction::triggered, this, &Lumora::open);
  connect(ui.actionSaveAs, &QAction::triggered, this, &Lumora::saveAs);
  connect(ui.actionSave_All, &QAction::triggered, this, &Lumora::saveAll);
  connect(ui.actionDFTSpectrum, &QAction::triggered, this, &Lumora::showSpectrumDialog);
  connect(ui.actionTime_series_plot, &QAction::triggered, this, &Lumora::showTimeProbeDialog);
  connect(ui.actionExit, &QAction::triggered, this, &Lumora::closeSimulator);
  const std::pair<QAction *, ResultKind> plots[] = {
      {ui.actionElectricFieldEnvelope, ResultKind::ElectricField},
      {ui.actionMagneticFieldEnvelope, ResultKind::MagneticField},
      {ui.actionPoyntingVector, ResultKind::PoyntingVector},
      {ui.actionUPPE_time_signal, ResultKind::TimeSignal},
      {ui.actionFFTSpectrum, ResultKind::FFTSpectrum},
      {ui.actionSpectrogram, ResultKind::Spectrogram},
      {ui.actionConversion_efficiency, ResultKind::ConversionEfficiency}};
  for (const auto &entry : plots) {
    const ResultKind kind = entry.second;
    connect(entry.first, &QAction::triggered, this, [this, kind] { openPlotWindow(kind); });
  }
  // Evolution maps of engines that record planes along z.
  ui.menuShow->addSeparator();
  for (const auto &map : {std::make_pair(ResultKind::SpectralEvolution, tr("Spectral evolution")),
                          std::make_pair(ResultKind::TemporalEvolution, tr("Temporal evolution")),
                          std::make_pair(ResultKind::OutputSpectrogram, tr("Output spectrogram"))}) {
    QAction *action = ui.menuShow->addAction(map.second);
    action->setObjectName(QStringLiteral("action") + QString(map.second).remove(QLatin1Char(' ')));
    const ResultKind kind = map.first;
    connect(action, &QAction::triggered, this, [this, kind] { openPlotWindow(kind); });
    evolutionActions.insert(kind, action);
  }
}

// --- loading ---------------------------------------------------------------------

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

  // The end is known for the spectral engine (its propagation length) and
  // for a grid run that an exit action ends at a given iteration.
  progressEndValue = engine->progressEnd();
  if (!(progressEndValue > 0.0) && !engine->hasTimeSignal()) {
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

void Lumora::breakpointReached(const QString &type, const QString &fileName)
{
  logMessage(tr("Breakpoint \"%1\" at iteration %2").arg(type).arg(engine ? grouped(engine->iteration) : QString()));
  if (type == QLatin1String("suspend"))
    on_pauseButton_clicked();
  else if (type == QLatin1String("save_line_envelope"))
    saveEEnvelopeOnBreakpoint(fileName);
  else if (type == QLatin1String("exit"))
    exitApplication();
  else if (type == QLatin1String("saveAll"))
    saveAllOnBreakpoint(fileName);
}

// --- run loop --------------------------------------------------------------------

void Lumora::update()
{
  if (!engine)
    return;
  // A tick that pauses or ends the run draws its state whatever the drawing
  // budget says, so that a held run shows where it stopped.
  bool held = false;
  if (!engine->finished) {
    engine->step();
    if (!engine)
      return;
    if (engine->finished || !engine->runFailure.isEmpty())
      reportRunEnd();
    held = !updateTimer->isActive() || runEndReported;
  }
  subWindows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (QMdiSubWindow *subWindow : qAsConst(subWindows)) {
    auto *plot = qobject_cast<AbstractPlotWidget *>(subWindow->widget());
    if (plot && (held ? plot->isRefreshDue(engine) : plot->wantsRefresh(engine)))
      plot->refreshWithinBudget(engine);
  }
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

void Lumora::logMessage(const QString &text)
{
  if (!logView)
    return;
  QString lines = text;
  lines.replace(QLatin1Char('\n'), QStringLiteral("\n          "));
  logView->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) +
                           QStringLiteral("  ") + lines);
}

void Lumora::announce(const QString &text)
{
  statusBar()->showMessage(text);
  logMessage(text);
}

void Lumora::on_startButton_clicked()
{
  if (!engine)
    return;
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

void Lumora::updateProgressIndicator()
{
  if (!engine || !progressLabel)
    return;
  progressLabel->setText(progressText());
  updateProgressBar();
}

void Lumora::updateProgressBar()
{
  if (!progressBar || !engine)
    return;
  // Share of the run done: progress against its end, or the distance a
  // dynamic spectrogram's windows cover against the distance it asks for.
  double done = -1.0;
  if (progressEndValue > 0.0) {
    done = engine->progress() / progressEndValue;
  } else if (engine->dynamicSpectrogram) {
    const auto *dynamic =
        dynamic_cast<const DynamicSpectrogramPostprocessing<int, double> *>(engine->spectrogram(0));
    if (dynamic && dynamic->maximumDistance() > 0)
      done = dynamic->windowCount() * dynamic->gridLength() / dynamic->maximumDistance();
  }
  progressBar->setVisible(done >= 0.0);
  if (done >= 0.0)
    progressBar->setValue(static_cast<int>(std::min(1.0, done) * progressBar->maximum()));
}

QString Lumora::progressText() const
{
  if (!engine)
    return QString();
  const QString separator = QStringLiteral(" \u00b7 ");
  const double p = engine->progress();
  if (!engine->hasTimeSignal()) {
    QString text = tr("Iteration %1").arg(grouped(engine->iteration)) + separator +
                   tr("%1 it/s").arg(grouped(std::llround(speed))) + separator +
                   tr("t = %1").arg(formatSeconds(engine->currentTime()));
    if (progressEndValue > 0.0 && speed > 0.0 && p < progressEndValue && !engine->finished)
      text += separator + formatDuration((progressEndValue - p) / speed);
    return text;
  }
  // The spectral engine advances in z (metres); shown in the run's unit.
  const double scale = engine->lengthScale();
  const double unit = scale > 0.0 ? scale : 1.0;
  QString text = QStringLiteral("z = ") + QString::number(p / unit, 'f', 2) + QLatin1Char(' ') +
                 engine->lengthUnit;
  if (progressEndValue > 0.0) {
    text += tr(" of %1 %2").arg(QString::number(progressEndValue / unit, 'g', 6), engine->lengthUnit) +
            separator +
            QStringLiteral("%1 %").arg(static_cast<int>(std::floor(100.0 * std::min(1.0, p / progressEndValue))));
    if (speed > 0.0 && p < progressEndValue && !engine->finished)
      text += separator + formatDuration((progressEndValue - p) / speed);
  }
  return text;
}

void Lumora::updateSpeed()
{
  if (!engine)
    return;
  const double p = engine->progress();
  speed = (p - lastProgress) * 1000.0 / std::max(1, speedTimer->interval());
  lastProgress = p;
  updateProgressIndicator();
}

void Lumora::updateDynamicSpectrogram()
{
  appearedDuringRun.insert(ResultKind::Spectrogram);
  updateActions();
  // Open dynamic spectrogram windows show the rows rebuilt just now.
  const QList<QMdiSubWindow *> windows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (QMdiSubWindow *subWindow : windows) {
    if (auto *plot = qobject_cast<DynamicSpectrogramPlotWidget *>(subWindow->widget()))
      plot->refreshPlot(engine);
  }
}

void Lumora::createActionSpectrum()
{
  appearedDuringRun.insert(ResultKind::Spectrum);
  updateActions();
}

void Lumora::createActionTime()
{
  appearedDuringRun.insert(ResultKind::TimeProbe);
  updateActions();
}

bool Lumora::isRunning() const { return runState == RunState::Running; }

void Lumora::setRunState(RunState state)
{
  runState = state;
  updateActions();
}

// --- breakpoints ---------------------------------------------------------------

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

void Lumora::saveAllOnBreakpoint(QString tag)
{
  saveTag = tag;
  saveAll();
}

bool Lumora::saveEEnvelopeOnBreakpoint(QString fileName)
{
  if (!engine)
    return false;
  if (isRunning()) {
    updateTimer->stop();
    progressTimer->stop();
    statusBar()->showMessage(tr("Simulation paused"));
  }
  if (saveElectricFieldEnvelope(engine, fileName)) {
    logMessage(tr("Saved %1").arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())));
    statusBar()->showMessage(tr("File saved"), 2000);
    if (isRunning()) {
      updateTimer->start();
      progressTimer->start();
    }
    return true;
  }
  logMessage(tr("Saving failed: %1").arg(QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath())));
  statusBar()->showMessage(tr("Saving failed"), 2000);
  return false;
}

// --- saving ----------------------------------------------------------------------

void Lumora::haltForSave()
{
  if (isRunning()) {
    updateTimer->stop();
    progressTimer->stop();
    statusBar()->showMessage(tr("Simulation paused"));
  }
}

void Lumora::resumeAfterSave()
{
  if (isRunning()) {
    updateTimer->start();
    progressTimer->start();
  }
}

void Lumora::saveAll()
{
  if (!engine)
    return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  haltForSave();
  const QString base = resultsBase.isEmpty() ? defaultResultsBase() : resultsBase;
  const SaveAllOutcome outcome =
      saveAllResults(engine, configPath, base, saveTag, QDateTime::currentDateTime(),
                     [this](const QString &message, int timeoutMs) {
                       statusBar()->showMessage(message, timeoutMs);
                     });
  const QString folder = QDir::toNativeSeparators(QDir::cleanPath(outcome.folder));
  if (outcome.succeeded()) {
    statusBar()->showMessage(tr("All files have been saved to %1").arg(folder), 5000);
    logMessage(tr("All files have been saved to %1").arg(folder));
  } else {
    logMessage(statusBar()->currentMessage());
  }
  QApplication::restoreOverrideCursor();
  resumeAfterSave();
}

QString Lumora::defaultResultsBase() const
{
  // An installed program's folder is not writable: the user's documents.
  const QFileInfo folder(programFolder);
  if (folder.isDir() && folder.isWritable())
    return programFolder;
  return QDir(documentsFolder).filePath(QStringLiteral("Lumora results"));
}

QString Lumora::askSaveFileName(const QString &caption, const QString &proposedName,
                                const QString &filter, const QString &suffix)
{
  QSettings stored;
  QString folder = stored.value(QLatin1String(lastFolderKey)).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QDir::currentPath();
  QString name = resultFileNames({proposedName.trimmed()}, Qt::CaseSensitive).value(0);
  name.chop(4); // ".txt"
  const QString proposed = QDir(folder).filePath(name + QLatin1Char('.') + suffix);
  QString selectedFilter;
  QString fileName = QFileDialog::getSaveFileName(this, caption, proposed, filter, &selectedFilter);
  if (fileName.isEmpty())
    return fileName;
  if (QFileInfo(fileName).suffix().isEmpty()) {
    // The suffix of the chosen filter, e.g. "SVG drawing (*.svg)".
    QString chosen = suffix;
    const int star = selectedFilter.indexOf(QLatin1String("*."));
    if (star >= 0)
      chosen = selectedFilter.mid(star + 2).section(QLatin1Char(')'), 0, 0).section(QLatin1Char(' '), 0, 0);
    fileName += QLatin1Char('.') + chosen;
  }
  stored.setValue(QLatin1String(lastFolderKey), QFileInfo(fileName).absolutePath());
  return fileName;
}

AbstractPlotWidget *Lumora::activePlotWidget() const
{
  QMdiSubWindow *active = ui.mdiArea->activeSubWindow();
  return active ? qobject_cast<AbstractPlotWidget *>(active->widget()) : nullptr;
}

void Lumora::saveAs()
{
  haltForSave();
  AbstractPlotWidget *plot = activePlotWidget();
  QString fileName;
  if (plot && engine)
    fileName = askSaveFileName(tr("Save Simulation Results"), plot->title(), tr("Text files (*.txt)"),
                               QStringLiteral("txt"));
  // The dialog runs an event loop: the window may have been closed meanwhile.
  plot = activePlotWidget();
  if (!fileName.isEmpty() && plot && engine) {
    const QString shown = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    if (plot->saveToFile(fileName, engine)) {
      statusBar()->showMessage(tr("File saved"), 2000);
      logMessage(tr("Saved %1").arg(shown));
    } else {
      statusBar()->showMessage(tr("Saving failed"), 2000);
      logMessage(tr("Saving failed: %1").arg(shown));
    }
  } else {
    statusBar()->showMessage(tr("Saving canceled"), 2000);
  }
  resumeAfterSave();
}

bool Lumora::saveFile()
{
  AbstractPlotWidget *plot = activePlotWidget();
  if (!plot || !engine)
    return false;
  const QString fileName =
      askSaveFileName(tr("Save Simulation Results"), plot->title(), tr("Text files (*.txt)"), QStringLiteral("txt"));
  plot = activePlotWidget();
  if (fileName.isEmpty() || !engine || !plot)
    return false;
  return plot->saveToFile(fileName, engine);
}

void Lumora::exportPicture()
{
  AbstractPlotWidget *plot = activePlotWidget();
  if (!plot)
    return;
  const QString fileName =
      askSaveFileName(tr("Export Picture"), plot->title(), AbstractPlotWidget::pictureFilter(), QStringLiteral("png"));
  plot = activePlotWidget();
  if (fileName.isEmpty() || !plot) {
    statusBar()->showMessage(tr("Saving canceled"), 2000);
    return;
  }
  const QString shown = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
  if (plot->exportPicture(fileName)) {
    statusBar()->showMessage(tr("Picture saved"), 2000);
    logMessage(tr("Picture saved to %1").arg(shown));
  } else {
    statusBar()->showMessage(tr("Saving failed"), 2000);
    logMessage(tr("Saving failed: %1").arg(shown));
  }
}

// --- recent files ----------------------------------------------------------------

void Lumora::rememberRecentFile(const QString &path)
{
  QSettings stored;
  QStringList files = stored.value(QLatin1String(recentFilesKey)).toStringList();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > maximumRecentFiles)
    files.removeLast();
  stored.setValue(QLatin1String(recentFilesKey), files);
  rebuildRecentMenu();
}

void Lumora::rebuildRecentMenu()
{
  recentMenu->clear();
  const QStringList files = QSettings().value(QLatin1String(recentFilesKey)).toStringList();
  for (const QString &path : files) {
    QAction *entry = recentMenu->addAction(QFileInfo(path).fileName());
    entry->setToolTip(QDir::toNativeSeparators(path));
    entry->setData(path);
    connect(entry, &QAction::triggered, this, [this, path] {
      if (openFile(path))
        return;
    });
  }
  updateActions();
}

// --- plot windows ----------------------------------------------------------------

void Lumora::addPlotWindow(AbstractPlotWidget *widget, const QString &title)
{
  connect(widget, &AbstractPlotWidget::exportPictureRequested, this, [this, widget] {
    if (QMdiSubWindow *window = qobject_cast<QMdiSubWindow *>(widget->parentWidget()))
      ui.mdiArea->setActiveSubWindow(window);
    exportPicture();
  });
  auto *child = new ChildWindow(widget, title, ui.mdiArea);
  ui.mdiArea->addSubWindow(child);
  ui.menuWindow->addAction(child->windowMenuAction());
  windowGroup->addAction(child->windowMenuAction());
  child->show();
  widget->refreshPlot(engine);
}

void Lumora::openPlotWindow(ResultKind kind, unsigned short index)
{
  if (!engine)
    return;
  ResultEntry entry = resultEntry(*engine, kind, index);
  unsigned short *counter = kind == ResultKind::ElectricField    ? &efieldCount
                            : kind == ResultKind::PoyntingVector ? &sfieldCount
                            : kind == ResultKind::MagneticField  ? &hfieldCount
                                                                 : nullptr;
  if (counter)
    entry.title += QString::number(*counter);
  if (AbstractPlotWidget *widget = createPlotWidget(engine, entry)) {
    if (counter)
      ++*counter;
    addPlotWindow(widget, entry.title);
  }
}

void Lumora::createEfieldPlotWindow() { openPlotWindow(ResultKind::ElectricField); }
void Lumora::createSfieldPlotWindow() { openPlotWindow(ResultKind::PoyntingVector); }
void Lumora::createHfieldPlotWindow() { openPlotWindow(ResultKind::MagneticField); }
void Lumora::createConversionEfficiencyPlotWindow() { openPlotWindow(ResultKind::ConversionEfficiency); }
void Lumora::createFFTSpectrumPlotWindow() { openPlotWindow(ResultKind::FFTSpectrum); }
void Lumora::createTimePlotWindow() { openPlotWindow(ResultKind::TimeSignal); }
void Lumora::createSpectrumPlotWindow(unsigned short index) { openPlotWindow(ResultKind::Spectrum, index); }
void Lumora::createTimeProbePlotWindow(unsigned short index) { openPlotWindow(ResultKind::TimeProbe, index); }
void Lumora::createSpectrogramPlotWindow() { openPlotWindow(ResultKind::Spectrogram); }

void Lumora::selectedFourier(const QList<unsigned short> &indices)
{
  for (unsigned short index : indices)
    createSpectrumPlotWindow(index);
}

void Lumora::selectedTime(const QList<unsigned short> &indices)
{
  for (unsigned short index : indices)
    createTimeProbePlotWindow(index);
}

void Lumora::showSelectionDialog(SpectrumDialog *&dialog, const QStringList &names, bool fourier)
{
  if (names.size() > 1) {
    if (!dialog) {
      dialog = new SpectrumDialog(names, this);
      // A separate top-level window, not embedded in the main window.
      dialog->setWindowFlags(dialog->windowFlags() | Qt::Window);
      connect(dialog, &SpectrumDialog::selected, this,
              fourier ? &Lumora::selectedFourier : &Lumora::selectedTime);
    }
    // A dialog kept from an earlier run may list other names: start afresh
    // unless its entries are the first entries of the present list.
    if (dialog->itemNames() != names.mid(0, dialog->itemNames().size()))
      dialog->replaceItems(names);
    else
      dialog->appendNewItems(names);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
  } else if (names.size() == 1) {
    if (fourier)
      createSpectrumPlotWindow(0);
    else
      createTimeProbePlotWindow(0);
  }
}

void Lumora::showSpectrumDialog()
{
  if (engine)
    showSelectionDialog(spectrumDialog, engine->fourierNames(), true);
}

void Lumora::showTimeProbeDialog()
{
  if (engine)
    showSelectionDialog(timeProbeDialog, engine->probeNames(), false);
}

void Lumora::updateActions()
{
  // The run state: Load without an engine, Start once loaded, Pause while
  // running, Resume while paused, Stop from the start to the end.
  const RunState state = engine ? runState : RunState::Idle;
  const bool started = state == RunState::Running || state == RunState::Paused || state == RunState::Ended;
  ui.actionLoad->setEnabled(state == RunState::Idle);
  ui.startButton->setEnabled(state == RunState::Loaded);
  ui.pauseButton->setEnabled(state == RunState::Running);
  ui.resumeButton->setEnabled(state == RunState::Paused);
  ui.stopButton->setEnabled(started);
  recentMenu->setEnabled(state == RunState::Idle && !recentMenu->isEmpty());

  // Result windows of a started run, as far as the engine offers them.
  const auto offers = [this, started](ResultKind kind) {
    return started && (resultAvailable(*engine, kind) || appearedDuringRun.contains(kind));
  };
  ui.actionSave_All->setEnabled(started);
  ui.actionElectricFieldEnvelope->setEnabled(offers(ResultKind::ElectricField));
  ui.actionMagneticFieldEnvelope->setEnabled(offers(ResultKind::MagneticField));
  ui.actionPoyntingVector->setEnabled(offers(ResultKind::PoyntingVector));
  ui.actionDFTSpectrum->setEnabled(offers(ResultKind::Spectrum));
  ui.actionUPPE_time_signal->setEnabled(offers(ResultKind::TimeSignal));
  ui.actionFFTSpectrum->setEnabled(offers(ResultKind::FFTSpectrum));
  ui.actionTime_series_plot->setEnabled(offers(ResultKind::TimeProbe));
  ui.actionSpectrogram->setEnabled(offers(ResultKind::Spectrogram));
  ui.actionConversion_efficiency->setEnabled(offers(ResultKind::ConversionEfficiency));
  for (auto it = evolutionActions.cbegin(); it != evolutionActions.cend(); ++it)
    it.value()->setEnabled(offers(it.key()));

  // Window actions follow the active plot window.
  auto *child = qobject_cast<ChildWindow *>(ui.mdiArea->activeSubWindow());
  auto *plot = child ? qobject_cast<AbstractPlotWidget *>(child->widget()) : nullptr;
  for (QAction *action : {ui.actionSaveAs, ui.actionClose, ui.actionCloseAll, ui.actionTile, ui.actionCascade})
    action->setEnabled(child != nullptr);
  exportPictureAction->setEnabled(plot && plot->navigablePlot());
  if (child)
    child->windowMenuAction()->setChecked(true);
}

// --- keys and closing ------------------------------------------------------------

void Lumora::keyPressEvent(QKeyEvent *event)
{
  QMdiSubWindow *active = ui.mdiArea->activeSubWindow();
  auto *field = active ? qobject_cast<FieldPlotWidget *>(active->widget()) : nullptr;
  if (!field || event->key() != Qt::Key_E) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  const bool shiftOnly = event->modifiers() == Qt::ShiftModifier;
  if (!field->isEnvelopeShown()) {
    if (shiftOnly)
      field->showEnvelope();
  } else if (shiftOnly) {
    field->hideEnvelope();
  } else {
    field->resetEnvelope();
  }
}

bool Lumora::confirmExit()
{
  if (!engine || engine->finished)
    return true;
  const bool running = isRunning();
  updateTimer->stop();
  progressTimer->stop();
  const QMessageBox::StandardButton answer =
      QMessageBox::warning(this, tr("Lumora"), tr("Are you sure you want to exit the simulator?"),
                           QMessageBox::Yes | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes)
    return true;
  if (running && engine && isRunning()) {
    updateTimer->start();
    progressTimer->start();
  }
  return false;
}

void Lumora::storeWindowState()
{
  QSettings stored;
  stored.setValue(QStringLiteral("window/geometry"), saveGeometry());
  stored.setValue(QStringLiteral("window/state"), saveState());
}

void Lumora::closeEvent(QCloseEvent *event)
{
  if (engine && !exitConfirmed && !confirmExit()) {
    event->ignore();
    return;
  }
  // The window goes away: nothing more to run.
  updateTimer->stop();
  progressTimer->stop();
  speedTimer->stop();
  storeWindowState();
  event->accept();
}

bool Lumora::closeSimulator()
{
  if (engine) {
    if (!confirmExit())
      return false;
    exitConfirmed = true;
  }
  close();
  return true;
}
