#include "app/lumora.h"

#include "app/enginefactory.h"
#include "app/settingsfile.h"
#include "engine/breakpoints.h"
#include "engine/simulator.h"
#include "plots/childwindow.h"
#include "plots/plotwidgets.h"
#include "plots/resultsaving.h"
#include "plots/spectrumdialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
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

  ui.setupUi(this);
  windowGroup = new QActionGroup(this);
  connectActions();

  efieldCount = 1;
  sfieldCount = 1;

  // The run loop: one engine step whenever the event loop is idle, progress
  // and speed once a second.
  updateTimer = new QTimer(this);
  updateTimer->setInterval(0);
  connect(updateTimer, SIGNAL(timeout()), this, SLOT(update()));
  progressTimer = new QTimer(this);
  progressTimer->setInterval(1000);
  connect(progressTimer, SIGNAL(timeout()), this, SLOT(updateProgressIndicator()));
  speedTimer = new QTimer(this);
  speedTimer->setInterval(1000);
  connect(speedTimer, SIGNAL(timeout()), this, SLOT(updateSpeed()));

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
  connect(ui.mdiArea, SIGNAL(subWindowActivated(QMdiSubWindow *)), this, SLOT(updateActions()));
  connect(ui.actionClose, SIGNAL(triggered()), ui.mdiArea, SLOT(closeActiveSubWindow()));
  connect(ui.actionCloseAll, SIGNAL(triggered()), ui.mdiArea, SLOT(closeAllSubWindows()));
  connect(ui.actionTile, SIGNAL(triggered()), ui.mdiArea, SLOT(tileSubWindows()));
  connect(ui.actionCascade, SIGNAL(triggered()), ui.mdiArea, SLOT(cascadeSubWindows()));
  connect(ui.actionLoad, SIGNAL(triggered()), this, SLOT(open()));
  connect(ui.actionElectricFieldEnvelope, SIGNAL(triggered()), this, SLOT(createEfieldPlotWindow()));
  connect(ui.actionMagneticFieldEnvelope, SIGNAL(triggered()), this, SLOT(createHfieldPlotWindow()));
  connect(ui.actionPoyntingVector, SIGNAL(triggered()), this, SLOT(createSfieldPlotWindow()));
  connect(ui.actionUPPE_time_signal, SIGNAL(triggered()), this, SLOT(createTimePlotWindow()));
  connect(ui.actionSaveAs, SIGNAL(triggered()), this, SLOT(saveAs()));
  connect(ui.actionSave_All, SIGNAL(triggered()), this, SLOT(saveAll()));
  connect(ui.actionDFTSpectrum, SIGNAL(triggered()), this, SLOT(showSpectrumDialog()));
  connect(ui.actionFFTSpectrum, SIGNAL(triggered()), this, SLOT(createFFTSpectrumPlotWindow()));
  connect(ui.actionSpectrogram, SIGNAL(triggered()), this, SLOT(createSpectrogramPlotWindow()));
  connect(ui.actionTime_series_plot, SIGNAL(triggered()), this, SLOT(showTimeProbeDialog()));
  connect(ui.actionConversion_efficiency, SIGNAL(triggered()), this,
          SLOT(createConversionEfficiencyPlotWindow()));
  connect(ui.actionExit, SIGNAL(triggered()), this, SLOT(closeSimulator()));
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
  if (readFile(fileName)) {
    on_startButton_clicked();
    ui.actionLoad->setEnabled(false);
  }
}

bool Lumora::open()
{
  if (engine)
    return false;
  const QString fileName = QFileDialog::getOpenFileName(this, tr("Load Config File"), QStringLiteral("."),
                                                        tr("Text files (*.txt)"));
  if (fileName.isEmpty())
    return false;
  setConfiguration(fileName);
  if (readFile(fileName)) {
    statusBar()->showMessage(tr("File loaded"), 2000);
    ui.actionLoad->setEnabled(false);
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
    QMessageBox::warning(this, tr("Lumora"), outcome.message);
    return false;
  }
  engine = outcome.engine;
  runFailureShown = false;

  fileLabel = new QLabel(fileName);
  fileLabel->setToolTip(tr("Configuration file"));
  speedLabel = new QLabel(formatProgress(0.0));
  speedLabel->setToolTip(tr("Progress per second"));
  progressLabel = new QLabel(formatProgress(engine->progress()));
  progressLabel->setToolTip(tr("Progress"));
  statusBar()->addPermanentWidget(fileLabel);
  statusBar()->addPermanentWidget(speedLabel);
  statusBar()->addPermanentWidget(progressLabel);
  lastProgress = 0.0;

  ui.startButton->setEnabled(true);
  connectBreakpoints();
  if (engine->dynamicSpectrogram) {
    connect(engine, SIGNAL(updateDynamicSpectrogram()), this, SLOT(updateDynamicSpectrogram()));
    connect(engine, SIGNAL(createActionSpectrum()), this, SLOT(createActionSpectrum()));
    connect(engine, SIGNAL(createActionTime()), this, SLOT(createActionTime()));
  }
  return true;
}

void Lumora::connectBreakpoints()
{
  breakpoints = engine->breakpoints;
  for (AbstractBreakpoint *breakpoint : qAsConst(breakpoints)) {
    if (breakpoint->type == QLatin1String("suspend"))
      connect(breakpoint, SIGNAL(on_pauseButton_clicked()), this, SLOT(on_pauseButton_clicked()));
    else if (breakpoint->type == QLatin1String("save_line_envelope"))
      connect(breakpoint, SIGNAL(saveEEnvelopeOnBreakpoint(QString)), this,
              SLOT(saveEEnvelopeOnBreakpoint(QString)));
    else if (breakpoint->type == QLatin1String("exit"))
      connect(breakpoint, SIGNAL(exitApplication()), this, SLOT(exitApplication()));
    else if (breakpoint->type == QLatin1String("saveAll"))
      connect(breakpoint, SIGNAL(saveAllOnBreakpoint(QString)), this, SLOT(saveAllOnBreakpoint(QString)));
  }
}

// --- run loop --------------------------------------------------------------------

void Lumora::update()
{
  if (!engine)
    return;
  if (!engine->finished) {
    engine->step();
    if (!engine->runFailure.isEmpty() && !runFailureShown) {
      runFailureShown = true;
      statusBar()->showMessage(engine->runFailure);
    }
  }
  subWindows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (QMdiSubWindow *subWindow : qAsConst(subWindows)) {
    auto *plot = qobject_cast<AbstractPlotWidget *>(subWindow->widget());
    if (plot && plot->wantsRefresh(engine))
      plot->refreshPlot(engine);
  }
}

void Lumora::on_startButton_clicked()
{
  if (!engine)
    return;
  updateTimer->start();
  progressTimer->start();
  speedTimer->start();
  ui.startButton->setEnabled(false);
  ui.pauseButton->setEnabled(true);
  ui.stopButton->setEnabled(true);
  ui.actionElectricFieldEnvelope->setEnabled(true);
  ui.actionMagneticFieldEnvelope->setEnabled(true);
  ui.actionPoyntingVector->setEnabled(true);
  ui.actionSave_All->setEnabled(true);
  if (engine->spectrumAvailable)
    ui.actionDFTSpectrum->setEnabled(true);
  if (engine->hasTimeSignal()) {
    ui.actionUPPE_time_signal->setEnabled(true);
    ui.actionFFTSpectrum->setEnabled(true);
  }
  if (engine->timeSeriesAvailable)
    ui.actionTime_series_plot->setEnabled(true);
  if (engine->spectrogramAvailable)
    ui.actionSpectrogram->setEnabled(true);
  if (engine->conversionEfficiencyAvailable)
    ui.actionConversion_efficiency->setEnabled(true);
}

void Lumora::on_pauseButton_clicked()
{
  updateTimer->stop();
  progressTimer->stop();
  ui.pauseButton->setEnabled(false);
  ui.resumeButton->setEnabled(true);
  statusBar()->showMessage(tr("Simulation paused"), 2000);
  if (engine && progressLabel)
    progressLabel->setText(formatProgress(engine->progress()));
}

void Lumora::on_resumeButton_clicked()
{
  updateTimer->start();
  progressTimer->start();
  ui.resumeButton->setEnabled(false);
  ui.pauseButton->setEnabled(true);
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
      if (ui.pauseButton->isEnabled()) {
        updateTimer->start();
        progressTimer->start();
      }
      return;
    }
  }

  ui.mdiArea->closeAllSubWindows();
  ui.resumeButton->setEnabled(false);
  ui.pauseButton->setEnabled(false);
  ui.stopButton->setEnabled(false);
  ui.startButton->setEnabled(false);
  ui.actionLoad->setEnabled(true);
  statusBar()->clearMessage();
  for (QLabel **label : {&fileLabel, &speedLabel, &progressLabel}) {
    if (*label) {
      statusBar()->removeWidget(*label);
      delete *label;
      *label = nullptr;
    }
  }

  ui.actionElectricFieldEnvelope->setEnabled(false);
  ui.actionMagneticFieldEnvelope->setEnabled(false);
  ui.actionPoyntingVector->setEnabled(false);
  ui.actionSave_All->setEnabled(false);
  ui.actionDFTSpectrum->setEnabled(false);
  ui.actionTime_series_plot->setEnabled(false);
  ui.actionSpectrogram->setEnabled(false);
  ui.actionFFTSpectrum->setEnabled(false);
  ui.actionUPPE_time_signal->setEnabled(false);
  ui.actionConversion_efficiency->setEnabled(false);
  if (spectrumDialog && spectrumDialog->isVisible())
    spectrumDialog->close();
  if (timeProbeDialog && timeProbeDialog->isVisible())
    timeProbeDialog->close();

  breakpoints.clear();
  subWindows.clear();
  delete engine;
  engine = nullptr;
  speedTimer->stop();
  efieldCount = 1;
  sfieldCount = 1;
}

void Lumora::updateProgressIndicator()
{
  if (engine && progressLabel)
    progressLabel->setText(formatProgress(engine->progress()));
}

void Lumora::updateSpeed()
{
  if (!engine || !speedLabel)
    return;
  const double p = engine->progress();
  speedLabel->setText(formatProgress(p - lastProgress));
  lastProgress = p;
}

void Lumora::updateDynamicSpectrogram()
{
  ui.actionSpectrogram->setEnabled(true);
  // Open dynamic spectrogram windows show the rows rebuilt just now.
  const QList<QMdiSubWindow *> windows = ui.mdiArea->subWindowList(QMdiArea::CreationOrder);
  for (QMdiSubWindow *subWindow : windows) {
    if (auto *plot = qobject_cast<DynamicSpectrogramPlotWidget *>(subWindow->widget()))
      plot->refreshPlot(engine);
  }
}

void Lumora::createActionSpectrum()
{
  if (!ui.actionDFTSpectrum->isEnabled())
    ui.actionDFTSpectrum->setEnabled(true);
}

void Lumora::createActionTime()
{
  if (!ui.actionTime_series_plot->isEnabled())
    ui.actionTime_series_plot->setEnabled(true);
}

QString Lumora::formatProgress(double value) { return QString::number(value, 'g', 6); }

bool Lumora::isRunning() const { return ui.pauseButton->isEnabled(); }

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
  if (saveElectricFieldEnvelope(engine, fileName, efieldCount)) {
    statusBar()->showMessage(tr("File saved"), 2000);
    if (isRunning()) {
      updateTimer->start();
      progressTimer->start();
    }
    return true;
  }
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
  saveAllResults(engine, configPath, resultsBase, saveTag, QDateTime::currentDateTime(),
                 [this](const QString &message, int timeoutMs) {
                   statusBar()->showMessage(message, timeoutMs);
                 });
  QApplication::restoreOverrideCursor();
  resumeAfterSave();
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
    fileName = QFileDialog::getSaveFileName(this, tr("Save Simulation Results"), QStringLiteral("."),
                                            tr("Text files (*.txt)"));
  // The dialog runs an event loop: the window may have been closed meanwhile.
  plot = activePlotWidget();
  if (!fileName.isEmpty() && plot && engine) {
    if (plot->saveToFile(fileName, engine))
      statusBar()->showMessage(tr("File saved"), 2000);
    else
      statusBar()->showMessage(tr("Saving failed"), 2000);
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
  const QString fileName = QFileDialog::getSaveFileName(this, tr("Save Simulation Results"),
                                                        QStringLiteral("."), tr("Text files (*.txt)"));
  if (fileName.isEmpty() || !engine)
    return false;
  return plot->saveToFile(fileName, engine);
}

// --- plot windows ----------------------------------------------------------------

void Lumora::addPlotWindow(AbstractPlotWidget *widget, const QString &title)
{
  auto *child = new ChildWindow(widget, title, ui.mdiArea);
  ui.mdiArea->addSubWindow(child);
  ui.menuWindow->addAction(child->windowMenuAction());
  windowGroup->addAction(child->windowMenuAction());
  child->show();
  widget->refreshPlot(engine);
}

void Lumora::createEfieldPlotWindow()
{
  if (!engine)
    return;
  const QString title = tr("Electric field envelope ") + QString::number(efieldCount++);
  addPlotWindow(new EFieldPlotWidget(engine, tr("Location [") + engine->lengthUnit + QStringLiteral("]"),
                                     tr("Electric field [V/m]"), 1, title, 0, nullptr),
                title);
}

void Lumora::createSfieldPlotWindow()
{
  if (!engine)
    return;
  const QString title = tr("Poynting vector envelope ") + QString::number(sfieldCount++);
  addPlotWindow(new SFieldPlotWidget(engine, tr("Location [") + engine->lengthUnit + QStringLiteral("]"),
                                     tr("Poynting vector [W/m^2]"), 1, title, 0, nullptr),
                title);
}

void Lumora::createHfieldPlotWindow()
{
  // The magnetic field has no plot window.
}

void Lumora::createConversionEfficiencyPlotWindow()
{
  if (!engine)
    return;
  const QString title = tr("conversion efficiency ");
  addPlotWindow(new ConversionEfficiencyPlotWidget(
                    engine, tr("Location [") + engine->lengthUnit + QStringLiteral("]"),
                    tr("Energy (a.u.)"), 1, title, 0, nullptr),
                title);
}

void Lumora::createFFTSpectrumPlotWindow()
{
  if (!engine)
    return;
  const QString title = tr("FFT spectrum");
  addPlotWindow(new FFTSpectrumPlotWidget(engine, engine->spectrumAxisLabel(), tr("Magnitude [dBV/m]"), 1,
                                          title, 0, nullptr),
                title);
}

void Lumora::createTimePlotWindow()
{
  if (!engine)
    return;
  const QString title = tr("UPPE E-field");
  addPlotWindow(new TimePlotWidget(engine, engine->timeAxisLabel(0), tr("Electric field [V/m]"), 1, title,
                                   0, nullptr),
                title);
}

void Lumora::createSpectrumPlotWindow(unsigned short index)
{
  if (!engine)
    return;
  const QStringList names = engine->fourierNames();
  if (index >= names.size())
    return;
  const QString title = names.at(index);
  addPlotWindow(new SpectrumPlotWidget(engine,
                                       tr("Frequency [") + engine->fourierUnit(index) + QStringLiteral("]"),
                                       tr("Magnitude [dBV/m]"), 1, title, index, nullptr),
                title);
}

void Lumora::createTimeProbePlotWindow(unsigned short index)
{
  if (!engine)
    return;
  const QStringList names = engine->probeNames();
  if (index >= names.size())
    return;
  const QString title = names.at(index);
  addPlotWindow(new TimeProbePlotWidget(engine,
                                        tr("Time [") + engine->probeTimeUnit(index) + QStringLiteral("]"),
                                        tr("Electric field [V/m]"), 1, title, index, nullptr),
                title);
}

void Lumora::createSpectrogramPlotWindow()
{
  if (!engine || !engine->spectrogram(0))
    return;
  const QString xTitle = (engine->spectrogramIsFrequency(0) ? tr("Frequency [") : tr("Wavelength [")) +
                         engine->spectrogramUnit(0) + QStringLiteral("]");
  const QString yTitle = tr("Distance [") + engine->lengthUnit + QStringLiteral("]");
  const QString colorBarTitle = tr("Magnitude [dBV/m]");
  const QString title = tr("Spectrogram");
  AbstractPlotWidget *widget = nullptr;
  if (engine->spectrogramAvailable)
    widget = new StaticSpectrogramPlotWidget(engine, xTitle, yTitle, colorBarTitle, 1, title, 0, nullptr);
  else if (engine->dynamicSpectrogram)
    widget = new DynamicSpectrogramPlotWidget(engine, xTitle, yTitle, colorBarTitle, 1, title, 0, nullptr);
  if (widget)
    addPlotWindow(widget, title);
}

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
      if (fourier)
        connect(dialog, SIGNAL(selected(QList<unsigned short>)), this,
                SLOT(selectedFourier(QList<unsigned short>)));
      else
        connect(dialog, SIGNAL(selected(QList<unsigned short>)), this,
                SLOT(selectedTime(QList<unsigned short>)));
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
  QMdiSubWindow *active = ui.mdiArea->activeSubWindow();
  auto *child = qobject_cast<ChildWindow *>(active);
  const bool hasChild = child != nullptr;
  ui.actionSaveAs->setEnabled(hasChild);
  ui.actionClose->setEnabled(hasChild);
  ui.actionCloseAll->setEnabled(hasChild);
  ui.actionTile->setEnabled(hasChild);
  ui.actionCascade->setEnabled(hasChild);
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

void Lumora::closeEvent(QCloseEvent *event)
{
  if (ui.actionLoad->isEnabled()) {
    event->accept();
    return;
  }
  if (!confirmExit()) {
    event->ignore();
    return;
  }
  // The window goes away: nothing more to run.
  updateTimer->stop();
  progressTimer->stop();
  speedTimer->stop();
  event->accept();
}

bool Lumora::closeSimulator()
{
  if (!ui.actionLoad->isEnabled()) {
    if (!confirmExit())
      return false;
    ui.actionLoad->setEnabled(true);
  }
  close();
  return true;
}
