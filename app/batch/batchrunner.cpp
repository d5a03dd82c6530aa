#include "app/batch/batchrunner.h"

#include "app/batch/batchprogress.h"
#include "app/batch/batchresults.h"
#include "engine/breakpoints.h"
#include "engine/simulator.h"
#include "input/lookups.h"
#include "results/resultsaving.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int signalNumber)
{
  stopRequested = 1;
  // A second signal ends the program at once.
  std::signal(signalNumber, SIG_DFL);
}

void printError(const QString &text)
{
  const QByteArray bytes = text.toLocal8Bit();
  std::fprintf(stderr, "%s\n", bytes.constData());
  std::fflush(stderr);
}

bool parseCount(const QString &text, long long &value)
{
  bool ok = false;
  value = text.toLongLong(&ok);
  return ok && value >= 0;
}

// Qt's own diagnostics: a batch run shows only real warnings (not the
// platform chatter of a process without a display) and no debug output.
void batchMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
  if (type == QtDebugMsg || type == QtInfoMsg)
    return;
  if (type == QtWarningMsg && (message.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
                               message.contains(QLatin1String("propagateSizeHints"))))
    return;
  const QByteArray text = message.toLocal8Bit();
  std::fprintf(stderr, "Qt: %s\n", text.constData());
  if (type == QtFatalMsg)
    std::abort();
}

} // namespace

QString batchUsageLine()
{
  return QStringLiteral("Usage: lumora-batch [--iterations N] [--max-wall SECONDS] [--set KEY=VALUE]... "
                        "[--out DIR] [--plots] [--quiet] CONFIG");
}

QString batchHelpText()
{
  return batchUsageLine() + QStringLiteral(
      "\n\n"
      "Runs the simulation described by the configuration file CONFIG (a name\n"
      "beginning with FDTD or UPPE) without a window and writes its results.\n\n"
      "  --iterations N  stop after N steps (required for FDTD runs without an end)\n"
      "  --max-wall S    stop after S seconds of wall-clock time and write the results\n"
      "  --set KEY=VALUE replace the values in front of the first line with keyword KEY\n"
      "                  (KEY#N=VALUE: the N-th such line); may be repeated\n"
      "  --status-file F write the exit status and the wall time into F at the end\n"
      "  --out DIR       write the results into DIR (default: a new folder\n"
      "                  \"Simulation results <date> <time>_<tag>\" in the working directory)\n"
      "  --plots         also write a PNG picture of every plot next to its text file\n"
      "  --quiet         print no progress\n"
      "  --help          show this text\n\n"
      "Exit status: 0 the run ended, 1 the engine failed during the run, 2 bad\n"
      "arguments, a configuration that cannot be loaded or a run without an end,\n"
      "3 some result files could not be written, 4 stopped at the --max-wall limit,\n"
      "130 stopped by Ctrl+C.");
}

namespace {

bool refuse(QString &problem, const QString &text)
{
  problem = text;
  return false;
}

// One option that takes a value; given is false when the value is missing.
bool applyValuedOption(const QString &name, bool given, const QString &text, BatchOptions &options,
                       QString &problem)
{
  if (name == QLatin1String("--iterations")) {
    if (!given)
      return refuse(problem, QStringLiteral("--iterations needs a value"));
    if (!parseCount(text, options.iterations))
      return refuse(problem, QStringLiteral("--iterations needs a whole number of at least 0, not \"%1\"").arg(text));
  } else if (name == QLatin1String("--max-wall")) {
    if (!given)
      return refuse(problem, QStringLiteral("--max-wall needs a value"));
    bool ok = false;
    options.maxWallSeconds = text.toDouble(&ok);
    if (!ok || !(options.maxWallSeconds > 0) || !std::isfinite(options.maxWallSeconds))
      return refuse(problem, QStringLiteral("--max-wall needs a number of seconds above 0, not \"%1\"").arg(text));
  } else if (name == QLatin1String("--set")) {
    if (!given)
      return refuse(problem, QStringLiteral("--set needs KEY=VALUE"));
    ConfigOverride o;
    if (!parseOverride(text, o, problem))
      return refuse(problem, QStringLiteral("--set ") + problem);
    options.overrides << o;
  } else if (name == QLatin1String("--status-file")) {
    options.statusFile = text;
    if (!given || text.isEmpty())
      return refuse(problem, QStringLiteral("--status-file needs a file name"));
  } else if (name == QLatin1String("--out")) {
    options.outDir = text;
    if (!given || text.isEmpty())
      return refuse(problem, QStringLiteral("--out needs a folder"));
  }
  return true;
}

// A flag without a value; false for an unknown option.
bool applyFlag(const QString &name, BatchOptions &options)
{
  if (name == QLatin1String("--plots"))
    options.plots = true;
  else if (name == QLatin1String("--quiet"))
    options.quiet = true;
  else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
    options.help = true;
  else
    return false;
  return true;
}

} // namespace

bool parseBatchArguments(const QStringList &arguments, BatchOptions &options, QString &problem)
{
  static const QStringList valued = {QStringLiteral("--iterations"), QStringLiteral("--max-wall"),
                                     QStringLiteral("--set"), QStringLiteral("--status-file"),
                                     QStringLiteral("--out")};
  options = BatchOptions();
  bool positionalOnly = false;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString &a = arguments.at(i);
    if (positionalOnly || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
      if (!options.config.isEmpty())
        return refuse(problem, QStringLiteral("more than one configuration file given"));
      options.config = a;
      continue;
    }
    // "--name=value" or "--name value".
    const int eq = a.indexOf(QLatin1Char('='));
    const bool inlineValue = a.startsWith(QLatin1String("--")) && eq > 2;
    const QString name = inlineValue ? a.left(eq) : a;
    if (name == QLatin1String("--")) {
      positionalOnly = true;
    } else if (valued.contains(name)) {
      const bool given = inlineValue || i + 1 < arguments.size();
      const QString text = inlineValue ? a.mid(eq + 1) : given ? arguments.at(++i) : QString();
      if (!applyValuedOption(name, given, text, options, problem))
        return false;
    } else if (inlineValue || !applyFlag(name, options)) {
      return refuse(problem, QStringLiteral("unknown option \"%1\"").arg(a));
    }
  }
  if (!options.help && options.config.isEmpty())
    return refuse(problem, QStringLiteral("no configuration file given"));
  return true;
}

int exitActionIteration(Simulator &engine)
{
  int earliest = 0;
  for (AbstractBreakpoint *b : engine.breakpoints) {
    if (b && b->type == QLatin1String("exit") && b->targetIteration > 0 &&
        (earliest == 0 || b->targetIteration < earliest))
      earliest = b->targetIteration;
  }
  return engine.hasBreakpoints ? earliest : 0;
}

bool runEndsByItself(Simulator &engine)
{
  return engine.progressAxis() == ProgressAxis::Distance || engine.dynamicSpectrogram || exitActionIteration(engine) > 0;
}

BatchRunner::BatchRunner(const BatchOptions &options) : options_(options) {}

BatchRunner::~BatchRunner() { delete engine_; }

void BatchRunner::requestStop() { stopRequested = 1; }

void BatchRunner::notice(const QString &text)
{
  if (!options_.quiet)
    progress_->message(text);
}

void BatchRunner::error(const QString &text) { progress_->message(text); }

void BatchRunner::connectBreakpoints()
{
  if (!engine_->hasBreakpoints)
    return;
  for (AbstractBreakpoint *b : engine_->breakpoints)
    if (b)
      connect(b, &AbstractBreakpoint::reached, this, &BatchRunner::breakpointReached);
}

void BatchRunner::breakpointReached(const QString &type, const QString &fileName)
{
  if (type == QLatin1String("suspend"))
    suspendReached();
  else if (type == QLatin1String("save_line_envelope"))
    saveEnvelopeReached(fileName);
  else if (type == QLatin1String("exit"))
    exitReached();
  else if (type == QLatin1String("saveAll"))
    saveAllReached(fileName);
}

void BatchRunner::suspendReached()
{
  notice(QStringLiteral("Iteration %1: suspend action reached; a batch run does not pause and goes on.")
             .arg(engine_->iteration));
}

void BatchRunner::exitReached()
{
  exitRequested_ = true;
  notice(QStringLiteral("Iteration %1: exit action reached; ending the run.").arg(engine_->iteration));
}

void BatchRunner::saveAllReached(QString tag)
{
  saveTag_ = tag;
  const SaveAllOutcome outcome = saveAllResults(engine_, configPath_, QDir::currentPath(),
                                                saveTag_, QDateTime::currentDateTime());
  const QString folder = QDir::toNativeSeparators(outcome.folder);
  if (outcome.succeeded()) {
    notice(QStringLiteral("Iteration %1: all results saved in \"%2\".")
               .arg(engine_->iteration)
               .arg(folder));
  } else {
    saveFailed_ = true;
    if (!outcome.folderCreated)
      error(QStringLiteral("Iteration %1: cannot create the results folder \"%2\".")
                .arg(engine_->iteration)
                .arg(folder));
    else
      error(QStringLiteral("Iteration %1: %2 file(s) could not be written into \"%3\".")
                .arg(engine_->iteration)
                .arg(outcome.failedFiles)
                .arg(folder));
  }
}

void BatchRunner::saveEnvelopeReached(QString fileName)
{
  if (batchSaveEnvelope(*engine_, fileName)) {
    notice(QStringLiteral("Iteration %1: electric field envelope saved in \"%2\".")
               .arg(engine_->iteration)
               .arg(fileName));
  } else {
    saveFailed_ = true;
    error(QStringLiteral("Iteration %1: saving the electric field envelope in \"%2\" failed.")
              .arg(engine_->iteration)
              .arg(fileName));
  }
}

bool BatchRunner::writeFinalResults()
{
  QString folder = options_.outDir;
  QStringList failed;
  bool ok = true;
  if (folder.isEmpty()) {
    // The Save All rule in the working directory.
    const SaveAllOutcome outcome = saveAllResults(engine_, configPath_, QDir::currentPath(),
                                                  saveTag_, QDateTime::currentDateTime());
    folder = outcome.folder;
    if (!outcome.folderCreated) {
      error(QStringLiteral("Cannot create the results folder \"%1\".")
                .arg(QDir::toNativeSeparators(folder)));
      return false;
    }
    if (!outcome.succeeded()) {
      ok = false;
      failed << QStringLiteral("%1 file(s) of the Save All set").arg(outcome.failedFiles);
    }
  } else {
    if (!QDir().mkpath(folder)) {
      error(QStringLiteral("Cannot create the results folder \"%1\".")
                .arg(QDir::toNativeSeparators(folder)));
      return false;
    }
    ok = batchSaveAll(*engine_, folder, configPath_, failed) && ok;
  }
  ok = batchSaveExtras(*engine_, folder, configPath_, options_.plots, failed) && ok;
  if (!ok) {
    failed.removeDuplicates();
    error(QStringLiteral("Some results could not be written into \"%1\": %2")
              .arg(QDir::toNativeSeparators(folder), failed.join(QStringLiteral(", "))));
    return false;
  }
  notice(QStringLiteral("Results written to \"%1\".").arg(QDir::toNativeSeparators(folder)));
  return true;
}

// With --set: the configuration with its values replaced, written under the
// same file name into a scratch folder; that copy is loaded and saved.
bool BatchRunner::prepareConfiguration(QTemporaryDir &scratch)
{
  configPath_ = options_.config;
  if (options_.overrides.isEmpty() || !QFileInfo(options_.config).isFile())
    return true; // a missing file is reported by the loader
  QStringList raw;
  QString problem;
  if (!readRawLines(options_.config, raw, problem) ||
      !applyOverrides(raw, options_.overrides, problem)) {
    printError(problem);
    return false;
  }
  QSaveFile file(scratch.filePath(QFileInfo(options_.config).fileName()));
  if (scratch.isValid() && file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    QTextStream out(&file);
    for (const QString &line : raw)
      out << line << '\n';
    out.flush();
    if (file.commit()) {
      configPath_ = file.fileName();
      return true;
    }
  }
  printError(QStringLiteral("Cannot write the configuration with its --set values."));
  return false;
}

bool BatchRunner::loadEngine(const EngineFactory &factory)
{
  LoadOutcome outcome = loadConfiguration(configPath_, engineTypeOf(options_.config),
                                          runNameOf(options_.config), factory);
  if (!outcome.ok()) {
    // Messages name the file as the user gave it, not its overridden copy.
    outcome.message.replace(configPath_, options_.config);
    printError(outcome.message);
    if (!QFileInfo::exists(options_.config))
      printError(batchUsageLine());
    return false;
  }
  engine_ = outcome.engine;
  const QString summary = setupSummaryText(*engine_).trimmed();
  if (!summary.isEmpty())
    notice(summary);
  if (options_.iterations < 0 && options_.maxWallSeconds <= 0 && !runEndsByItself(*engine_)) {
    printError(QStringLiteral(
                   "%1: this run has no natural end (no dynamic spectrogram and no exit action "
                   "at a positive iteration), so it would run forever. Give the number of steps "
                   "with --iterations N (or a wall-clock limit with --max-wall SECONDS).")
                   .arg(options_.config));
    return false;
  }
  return true;
}

BatchRunner::StepEnd BatchRunner::stepToTheEnd()
{
  stopRequested = 0;
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
  StepEnd end = StepEnd::Done;
  long long steps = 0;
  QElapsedTimer wall;
  wall.start();
  const qint64 wallLimitMs = static_cast<qint64>(std::ceil(options_.maxWallSeconds * 1000.0));
  while (!engine_->finished && !exitRequested_ && !stopRequested &&
         (options_.iterations < 0 || steps < options_.iterations)) {
    engine_->step();
    ++steps;
    if (!engine_->runFailure.isEmpty()) {
      end = StepEnd::Failed;
      break;
    }
    progress_->update(engine_->iteration, engine_->progress());
    if (wallLimitMs > 0 && wall.elapsed() >= wallLimitMs) {
      end = StepEnd::TimeLimit;
      break;
    }
  }
  if (end == StepEnd::Done && stopRequested != 0)
    end = StepEnd::Interrupted;
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return end;
}

int BatchRunner::run(const EngineFactory &factory)
{
  progress_ = std::make_unique<BatchProgress>(!options_.quiet, ::isatty(STDERR_FILENO) != 0);
  QTemporaryDir scratch;
  if (!prepareConfiguration(scratch) || !loadEngine(factory))
    return batchRefused;
  connectBreakpoints();

  long long iterationEnd = options_.iterations >= 0 ? options_.iterations : 0;
  const int exitAt = exitActionIteration(*engine_);
  if (exitAt > 0 && (iterationEnd == 0 || exitAt < iterationEnd))
    iterationEnd = exitAt;
  progress_->setEnd(iterationEnd, engine_->progressEnd(), engine_->progressAxis() == ProgressAxis::Distance);

  const StepEnd end = stepToTheEnd();
  progress_->finish(engine_->iteration, engine_->progress());
  if (end == StepEnd::Failed)
    error(QStringLiteral("%1: the run failed at iteration %2: %3")
              .arg(options_.config)
              .arg(engine_->iteration)
              .arg(engine_->runFailure));
  else if (end == StepEnd::Interrupted)
    notice(QStringLiteral("Stopped at iteration %1; writing the results.").arg(engine_->iteration));
  else if (end == StepEnd::TimeLimit)
    notice(QStringLiteral("Stopped at iteration %1 after the --max-wall limit of %2 s; writing the results.")
               .arg(engine_->iteration)
               .arg(options_.maxWallSeconds));

  const bool written = writeFinalResults();
  switch (end) {
  case StepEnd::Failed:
    return batchRunFailed;
  case StepEnd::Interrupted:
    return batchInterrupted;
  case StepEnd::TimeLimit:
    return batchTimeLimit;
  case StepEnd::Done:
    break;
  }
  return written && !saveFailed_ ? batchSuccess : batchResultsFailed;
}

bool writeBatchStatusFile(const QString &fileName, int status, double wallSeconds)
{
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
    return false;
  const QByteArray text = QStringLiteral("exit status %1\nwall time %2 s\n")
                              .arg(status)
                              .arg(wallSeconds, 0, 'f', 3)
                              .toUtf8();
  return file.write(text) == text.size() && file.commit();
}

int lumoraBatchMain(int argc, char **argv, const EngineFactory &factory)
{
  QElapsedTimer wall;
  wall.start();
  qInstallMessageHandler(batchMessageHandler);
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  BatchOptions options;
  QString problem;
  const bool parsed = parseBatchArguments(arguments, options, problem);
  // Only the --plots pictures draw widgets (offscreen); every other run needs
  // no more than a core application.
  std::unique_ptr<QCoreApplication> application;
  if (parsed && options.plots) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("lumora-batch"));
  if (!parsed) {
    printError(QStringLiteral("lumora-batch: ") + problem);
    printError(batchUsageLine());
    return batchRefused;
  }
  if (options.help) {
    const QByteArray text = batchHelpText().toLocal8Bit();
    std::fprintf(stdout, "%s\n", text.constData());
    return batchSuccess;
  }
  BatchRunner runner(options);
  const int status = runner.run(factory);
  if (!options.statusFile.isEmpty() &&
      !writeBatchStatusFile(options.statusFile, status, wall.elapsed() / 1000.0)) {
    printError(QStringLiteral("Cannot write the status file \"%1\".").arg(options.statusFile));
    return status == batchSuccess ? batchResultsFailed : status;
  }
  return status;
}
