// Assembly of the main window: menus, the message log, the timers, the
// Settings file; the one place that enables actions; keys and closing.

#include "app/lumora.h"

#include "app/enginefactory.h"
#include "app/settingsfile.h"
#include "engine/simulator.h"
#include "plots/childwindow.h"
#include "plots/plotwidgets.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

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
  budget = DrawingBudget(options.clock);

  ui.setupUi(this);
  programFolder = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                  : options.programFolder;
  documentsFolder = options.documentsFolder.isEmpty()
                        ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                        : options.documentsFolder;
  windowGroup = new QActionGroup(this);
  // Plots keep a readable size; the area scrolls when they do not fit.
  ui.mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ui.mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

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

  addMessageDock();
  runStateLabel = new QLabel(this);
  runStateLabel->setObjectName(QStringLiteral("runStateLabel"));
  statusBar()->addPermanentWidget(runStateLabel);
  connectActions();
  restoreWindowState();

  efieldCount = 1;
  sfieldCount = 1;

  // The run loop: engine steps whenever the event loop is idle, progress
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

// Message log at the bottom: load summaries, saves, breakpoints, run ends;
// View -> Messages shows it again once closed.
void Lumora::addMessageDock()
{
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
  QAction *show = dock->toggleViewAction();
  show->setObjectName(QStringLiteral("actionMessages"));
  show->setText(tr("Messages"));
  ui.menuShow->addSeparator();
  ui.menuShow->addAction(show);
}

void Lumora::restoreWindowState()
{
  QSettings stored;
  const QByteArray geometry = stored.value(QStringLiteral("window/geometry")).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) {
    // Room for three tiled plots with readable axes: most of the screen.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1400, 950);
    const QSize size(available.width() * 9 / 10, available.height() * 9 / 10);
    resize(size);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
  }
  restoreState(stored.value(QStringLiteral("window/state")).toByteArray());
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
    return started && (engine->hasResult(kind) || appearedDuringRun.contains(kind));
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
