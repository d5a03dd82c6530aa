#pragma once
// lumora-sweep: prepares the run folders of a sweep, runs them with
// concurrent lumora-batch processes (or writes a Slurm array script or a
// GNU parallel job list), keeps DIR/manifest.csv and writes DIR/summary.csv.

#include "app/sweep/sweepplan.h"
#include "engine/loader.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

// Exit statuses of lumora-sweep.
enum SweepStatus : int {
  sweepSuccess = 0,       // every run ended (or stopped at its --max-wall limit)
  sweepRunsFailed = 1,    // some runs failed; the others ran
  sweepUsage = 2,         // bad arguments, template or overrides; lumora-batch missing
  sweepFilesFailed = 3,   // the sweep folder or its files could not be written
  sweepInterrupted = 130, // stopped by Ctrl+C
};

// Files in each run folder besides its configuration and results.
extern const char *const runStatusFile; // written by lumora-batch --status-file
extern const char *const runLogFile;    // lumora-batch's messages

struct RunRecord
{
  SweepRun run;
  QString status = QStringLiteral("not run"); // ok, time-limit, failed, interrupted, running, not run
  QString exitCode;                           // empty when unknown
  QString wallTime;                           // seconds, empty when unknown
  bool complete() const;                      // ok or time limit: skipped on resume
};

// Reads a run folder's status file into the record (status "not run" when
// there is none).
void readRunStatus(const QString &folder, RunRecord &record);

class Sweep : public QObject
{
  Q_OBJECT

public:
  Sweep(const SweepOptions &options, const QString &batchProgram, const EngineFactory &factory);

  // Checks the template and every override, makes the template's data files
  // absolute, shares the cores among grid runs, loads every run's
  // configuration in-process (a run that cannot load, or a grid run without
  // an end, refuses the sweep), then writes the run folders with their
  // configurations and reads the state of earlier runs. Returns
  // sweepSuccess or the exit status after printing the problem.
  int prepare();
  // Runs the incomplete runs locally; returns the sweep's exit status.
  int runLocally();
  // Writes DIR/sweep.sbatch or DIR/jobs.txt for the incomplete runs.
  int emitScript();
  // Reads DIR/manifest.csv and the run folders; writes the manifest and summary.
  int collect();

  // The lumora-batch command line of a run, as one shell line run anywhere.
  QString shellCommand(const RunRecord &record) const;
  // The arguments of lumora-batch for a run, run in its folder.
  QStringList batchArguments() const;

  // Asks the sweep to stop (signal-safe flag).
  static void requestStop();

signals:
  void allDone(); // the last running run of runLocally has finished

private slots:
  void poll();

private:
  QString runDir(const RunRecord &r) const;
  int jobCount() const;
  QString describe(const SweepRun &run) const;
  QString shareCores(QStringList &raw) const;
  int checkRuns(const QList<SweepRun> &runs, const QStringList &texts);
  bool writeManifest();
  int finish(int status);
  void startNext();
  void runFinished(QProcess *process, int index);
  void printLine(const QString &text);
  void drawBar();

  SweepOptions options_;
  QString batchProgram_;
  EngineFactory factory_;
  int slurmThreads_ = 0;
  QString out_;
  QString configName_;
  QStringList keys_;
  QList<RunRecord> records_;
  QList<int> queue_;
  QList<std::pair<QProcess *, int>> running_;
  QList<QElapsedTimer> clocks_;
  bool terminal_ = false;
  bool stopping_ = false;
  bool barShown_ = false;
  int toRun_ = 0;
  int finished_ = 0;
};

// Entry point of lumora-sweep.
int lumoraSweepMain(int argc, char **argv, const EngineFactory &factory);
