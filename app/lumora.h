#pragma once
// The main window: loads a configuration file into one engine, drives the
// run from three timers, shows plot windows in an MDI area, saves results and
// carries out the breakpoints' requests.
//
// States: idle (no engine, Load enabled) -> loaded (Start enabled) ->
// running / paused -> idle again after Stop. Load is enabled exactly when no
// engine exists; the closing logic relies on that.

#include "engine/loader.h"
#include "ui_lumora.h"

#include <QList>
#include <QMainWindow>
#include <QString>

class AbstractBreakpoint;
class AbstractPlotWidget;
class QActionGroup;
class QCloseEvent;
class QKeyEvent;
class QLabel;
class QMdiSubWindow;
class QTimer;
class Simulator;
class SpectrumDialog;

// What the window is started with. The defaults are those of the program:
// the Settings file beside the executable and the real engines.
struct LumoraOptions
{
  // Settings file; empty: the program's folder + "/Settings.txt".
  QString settingsPath;
  // A configuration file named on the command line; loaded and started as
  // the Settings file's automatic load is (and instead of it).
  QString configurationFile;
  // Builds engines; empty: the engines registered in app/enginefactory.
  EngineFactory engineFactory;
};

class Lumora : public QMainWindow
{
  Q_OBJECT

public:
  explicit Lumora(QWidget *parent = nullptr);
  explicit Lumora(const LumoraOptions &options, QWidget *parent = nullptr);
  ~Lumora() override;

  // Read-only views of the window state.
  Simulator *simulator() const { return engine; }
  QString resultsFolderBase() const { return resultsBase; }
  QString configurationPath() const { return configPath; }
  QString resultsTag() const { return saveTag; }
  unsigned short electricFieldWindowCount() const { return efieldCount; }
  unsigned short poyntingWindowCount() const { return sfieldCount; }
  SpectrumDialog *fourierDialog() const { return spectrumDialog; }
  SpectrumDialog *probeDialog() const { return timeProbeDialog; }
  QLabel *fileStatusLabel() const { return fileLabel; }
  QLabel *speedStatusLabel() const { return speedLabel; }
  QLabel *progressStatusLabel() const { return progressLabel; }
  QTimer *runTimer() const { return updateTimer; }
  QTimer *progressIndicatorTimer() const { return progressTimer; }
  QTimer *speedIndicatorTimer() const { return speedTimer; }

public slots:
  void selectedFourier(const QList<unsigned short> &indices);
  void selectedTime(const QList<unsigned short> &indices);
  void on_pauseButton_clicked();
  void on_stopButton_clicked();
  bool saveEEnvelopeOnBreakpoint(QString fileName);
  void exitApplication();
  void saveAllOnBreakpoint(QString tag);

private slots:
  void update();
  void on_startButton_clicked();
  void on_resumeButton_clicked();
  bool closeSimulator();
  void updateActions();
  void saveAs();
  bool saveFile();
  void saveAll();
  bool open();
  void createConversionEfficiencyPlotWindow();
  void createSpectrogramPlotWindow();
  void createEfieldPlotWindow();
  void createSfieldPlotWindow();
  void createHfieldPlotWindow();
  void createTimePlotWindow();
  void createSpectrumPlotWindow(unsigned short index);
  void createFFTSpectrumPlotWindow();
  void createTimeProbePlotWindow(unsigned short index);
  void showSpectrumDialog();
  void showTimeProbeDialog();
  bool readFile(QString fileName);
  void updateSpeed();
  void updateProgressIndicator();
  void updateDynamicSpectrogram();
  void createActionTime();
  void createActionSpectrum();

protected:
  void closeEvent(QCloseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void setUpWindow(const LumoraOptions &options);
  void connectActions();
  // Second half of the exit breakpoint, run once step() and the update tick
  // that emitted it have returned.
  void finishExitApplication();
  // Loads fileName and, on success, starts the run (Settings file and
  // command line).
  void loadAndStart(const QString &fileName);
  // Sets configPath, engineType and runName from the file being loaded.
  void setConfiguration(const QString &fileName);
  void connectBreakpoints();
  void addPlotWindow(AbstractPlotWidget *widget, const QString &title);
  AbstractPlotWidget *activePlotWidget() const;
  bool isRunning() const;
  // Halts a running simulation for a save; resumeAfterSave starts it again.
  void haltForSave();
  void resumeAfterSave();
  // The "exit the simulator" question (not asked once the run has finished);
  // the run is held while it is open.
  bool confirmExit();
  void showSelectionDialog(SpectrumDialog *&dialog, const QStringList &names, bool fourier);
  static QString formatProgress(double value);

  Ui::LumoraClass ui;

  QString saveTag;
  QString resultsBase;
  QString configPath;
  SpectrumDialog *spectrumDialog = nullptr;
  SpectrumDialog *timeProbeDialog = nullptr;
  QList<AbstractBreakpoint *> breakpoints;
  unsigned short efieldCount = 1;
  unsigned short sfieldCount = 1;
  Simulator *engine = nullptr;
  QString engineType;
  QString runName;
  QTimer *updateTimer = nullptr;
  QTimer *progressTimer = nullptr;
  QTimer *speedTimer = nullptr;
  QLabel *fileLabel = nullptr;
  QLabel *speedLabel = nullptr;
  QLabel *progressLabel = nullptr;
  QList<QMdiSubWindow *> subWindows;
  QActionGroup *windowGroup = nullptr;
  double lastProgress = 0.0;

  EngineFactory engineFactory;
  bool exitPending = false;
  bool runFailureShown = false;
};
