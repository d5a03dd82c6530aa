#pragma once
// Headless batch runner: loads a configuration file with the window's reader,
// steps the engine to its end (or a given number of iterations), carries out
// the breakpoints as the window does and writes the results folder.

#include "app/batch/configoverrides.h"
#include "engine/loader.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class Simulator;
class BatchProgress;
class QTemporaryDir;

// Exit statuses of lumora-batch.
enum BatchStatus : int {
  batchSuccess = 0,        // run ended (finished, --iterations reached or exit action)
  batchRunFailed = 1,      // the engine reported a failure during the run
  batchRefused = 2,        // bad option, load failure or a run without an end
  batchResultsFailed = 3,  // the run ended but some result files could not be written
  batchTimeLimit = 4,      // stopped at the --max-wall limit; results were written
  batchInterrupted = 130,  // stopped by Ctrl+C (or SIGTERM); results were written
};

struct BatchOptions
{
  long long iterations = -1; // -1: not given
  QString outDir;            // empty: the results-folder rule in the working directory
  bool plots = false;
  bool quiet = false;
  bool help = false;
  QString config;
  QList<ConfigOverride> overrides; // --set, in the order given
  double maxWallSeconds = 0;       // --max-wall; 0: no limit
  QString statusFile;              // --status-file: exit status and wall time at the end
};

// One-line usage text (without a trailing newline).
QString batchUsageLine();
// Usage line followed by a short description of every option.
QString batchHelpText();

// Parses the command-line arguments that follow the program name. Returns false
// with problem set for an unknown option, a missing or bad option value, a
// missing configuration file argument or more than one of them.
bool parseBatchArguments(const QStringList &arguments, BatchOptions &options, QString &problem);

// True when the loaded engine's run ends by itself: engines that integrate
// over a finite distance (those with a time signal), runs whose dynamic
// spectrogram ends them after its last window, and runs with an exit action
// at a positive iteration.
bool runEndsByItself(Simulator &engine);

// The iteration at which an exit action ends the run, or 0 when there is none.
int exitActionIteration(Simulator &engine);

class BatchRunner : public QObject
{
  Q_OBJECT

public:
  explicit BatchRunner(const BatchOptions &options);
  ~BatchRunner() override;

  // Loads, runs and writes the results; returns the exit status.
  int run(const EngineFactory &factory);

  // Asks the running loop to stop after the current step (signal-safe flag).
  static void requestStop();

private:
  void breakpointReached(const QString &type, const QString &fileName);
  void suspendReached();
  void exitReached();
  void saveAllReached(QString tag);
  void saveEnvelopeReached(QString fileName);

private:
  enum class StepEnd { Done, Failed, Interrupted, TimeLimit };
  // Loads the engine; false after printing why the run is refused.
  bool loadEngine(const EngineFactory &factory);
  StepEnd stepToTheEnd();
  void connectBreakpoints();
  void notice(const QString &text);
  void error(const QString &text);
  bool writeFinalResults();
  bool prepareConfiguration(QTemporaryDir &scratch);

  BatchOptions options_;
  QString configPath_; // the file loaded and copied: the configuration, or its overridden copy
  Simulator *engine_ = nullptr;
  std::unique_ptr<BatchProgress> progress_;
  QString saveTag_;
  bool exitRequested_ = false;
  bool saveFailed_ = false;
};

// Writes the status file of --status-file: "exit status N" and
// "wall time S s" lines. Returns false when it cannot be written.
bool writeBatchStatusFile(const QString &fileName, int status, double wallSeconds);

// Entry point shared by lumora-batch and test builds that inject an engine
// factory: selects the offscreen platform unless one is set, creates the
// application object, parses the arguments and runs.
int lumoraBatchMain(int argc, char **argv, const EngineFactory &factory);
