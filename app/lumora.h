#pragma once
// The main window: loads a configuration file into one engine, drives the
// run from three timers, shows plot windows in an MDI area, saves results and
// carries out the breakpoints' requests.
//
// Run states: idle (no engine, Load enabled) -> loaded (Start enabled) ->
// running <-> paused -> ended (finished or failed); Stop returns to idle.
// updateActions() is the one place that enables and disables actions.
//
// The members live in one file per concern: lumora.cpp (assembly, actions,
// keys, closing), loading.cpp, runcontrol.cpp (the run loop, Start, Pause,
// Resume, Stop, breakpoints), statusline.cpp (status bar and message log),
// saving.cpp (Save All, Save As, pictures), plotwindows.cpp and
// recentfiles.cpp.

#include "engine/loader.h"
#include "plots/drawingbudget.h"
#include "results/resultcatalogue.h"
#include "ui_lumora.h"

#include <QList>
#include <QSet>
#include <QMainWindow>
#include <QString>

class AbstractBreakpoint;
class AbstractPlotWidget;
class QActionGroup;
class QCloseEvent;
class QKeyEvent;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
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
  // Where Save All writes without a results base: the program's folder when
  // it is writable, else documentsFolder + "/Lumora results". Empty: the
  // executable's folder and the user's documents folder.
  QString programFolder;
  QString documentsFolder;
  // Time for the drawing budget and the speed figure; empty: the steady clock.
  MonotonicClock clock;
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
  // The permanent run-state field: "Running", "Paused", "Run finished",
  // "Run failed: ...".
  QLabel *runStateStatusLabel() const { return runStateLabel; }
  QLabel *progressStatusLabel() const { return progressLabel; }
  QProgressBar *progressStatusBar() const { return progressBar; }
  QPlainTextEdit *messageLog() const { return logView; }
  // Progress units per second, averaged over the last second or so.
  double progressSpeed() const { return speed; }
  // The status line: "Iteration 43 778 · 790 it/s · t = 1.23 ps" for the grid
  // engine, "z = 2.00 mm of 20 mm · 10 % · about 3 min left" for the
  // spectral engine.
  QString progressText() const;
  // Folder of Save All results when no results base is set.
  QString defaultResultsBase() const;
  static constexpr int maximumRecentFiles = 10;
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
  void saveAll();
  bool open();
  void showSpectrumDialog();
  void showTimeProbeDialog();
  bool readFile(QString fileName);
  void updateSpeed();
  void updateProgressIndicator();
  void updateDynamicSpectrogram();
  void createActionTime();
  void createActionSpectrum();
  void exportPicture();

protected:
  void closeEvent(QCloseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void setUpWindow(const LumoraOptions &options);
  void addMessageDock();
  void connectActions();
  // The first start opens at most of the screen; later starts where the
  // window was left.
  void restoreWindowState();
  // Second half of the exit breakpoint, run once step() and the update tick
  // that emitted it have returned.
  void finishExitApplication();
  // Loads fileName and, on success, starts the run (Settings file and
  // command line).
  void loadAndStart(const QString &fileName);
  // Sets configPath, engineType and runName from the file being loaded.
  void setConfiguration(const QString &fileName);
  void connectBreakpoints();
  // The breakpoints' one signal: logs it and acts on its type.
  void breakpointReached(const QString &type, const QString &fileName);
  enum class RunState { Idle, Loaded, Running, Paused, Ended };
  void setRunState(RunState state);
  void showRunState();
  // Steps for up to one time slice (fewer when the run is held or a redraw
  // is due) and redraws the plots the drawing budget allows.
  void stepTimeSlice();
  // Walks the plot windows after a step; held: the run stopped in this step,
  // draw whatever is due. True when some plot redrew.
  bool refreshPlots(bool held);
  static constexpr qint64 timeSlice = 5000000; // ns
  // Every plot window is opened here (titles and axes from the catalogue).
  void openPlotWindow(ResultKind kind, unsigned short index = 0);
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
  // One line (or block) in the message log, after the time of day; the log
  // follows new lines unless the user has scrolled up.
  void logMessage(const QString &text);
  // A persistent status message that is also logged.
  void announce(const QString &text);
  // The end of the run (finished or failed), reported once.
  void reportRunEnd();
  void updateProgressBar();
  // 43778 -> "43 778".
  static QString groupedNumber(long long value);
  QString stopPoint() const;
  // Loads path from the Load dialog or the recent files.
  bool openFile(const QString &path);
  void rememberRecentFile(const QString &path);
  void rebuildRecentMenu();
  // Asks for a file name, proposing folder + proposedName; adds suffix when
  // the name has none and remembers the folder.
  QString askSaveFileName(const QString &caption, const QString &proposedName, const QString &filter,
                          const QString &suffix);
  void storeWindowState();

  Ui::LumoraClass ui;

  QString saveTag;
  QString resultsBase;
  QString configPath;
  SpectrumDialog *spectrumDialog = nullptr;
  SpectrumDialog *timeProbeDialog = nullptr;
  QList<AbstractBreakpoint *> breakpoints;
  unsigned short efieldCount = 1;
  unsigned short sfieldCount = 1;
  unsigned short hfieldCount = 1;
  Simulator *engine = nullptr;
  QString engineType;
  QString runName;
  QTimer *updateTimer = nullptr;
  QTimer *progressTimer = nullptr;
  QTimer *speedTimer = nullptr;
  QLabel *runStateLabel = nullptr;
  QLabel *fileLabel = nullptr;
  QLabel *progressLabel = nullptr;
  QProgressBar *progressBar = nullptr;
  QPlainTextEdit *logView = nullptr;
  QMenu *recentMenu = nullptr;
  QAction *exportPictureAction = nullptr;
  double speed = 0.0;
  double progressEndValue = 0.0; // progress at the end of the run; 0 unknown
  bool runEndReported = false;
  QString programFolder;
  QString documentsFolder;
  QList<QMdiSubWindow *> subWindows;
  QActionGroup *windowGroup = nullptr;
  double lastProgress = 0.0;
  qint64 lastSpeedTime = 0; // clock at the last speed update
  DrawingBudget budget;

  EngineFactory engineFactory;
  bool exitPending = false;
  bool exitConfirmed = false; // the Exit action has asked and been answered Yes
  RunState runState = RunState::Idle;
  // Results an engine announced during the run (spectra, time series, a
  // dynamic spectrogram's first rows).
  QSet<ResultKind> appearedDuringRun;
};
