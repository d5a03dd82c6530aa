#include "app/sweep/sweeprunner.h"

#include "app/batch/configoverrides.h"
#include "app/batch/batchprogress.h"
#include "app/sweep/sweepcheck.h"
#include "app/sweep/sweepio.h"
#include "app/sweep/sweepsummary.h"
#include "engine/loader.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

const char *const runStatusFile = "batch-status.txt";
const char *const runLogFile = "batch-log.txt";

namespace sweepio {

void printError(const QString &text)
{
  const QByteArray bytes = text.toLocal8Bit();
  std::fprintf(stderr, "%s\n", bytes.constData());
  std::fflush(stderr);
}

bool writeText(const QString &fileName, const QString &text)
{
  QSaveFile file(fileName);
  const QByteArray bytes = text.toLocal8Bit();
  return file.open(QIODevice::WriteOnly | QIODevice::Text) && file.write(bytes) == bytes.size() &&
         file.commit();
}

} // namespace sweepio

using sweepio::printError;
using sweepio::writeText;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onSweepStop(int) { stopRequested = 1; }

// lumora-batch in a process group of its own, so that Ctrl+C reaches it once,
// through the sweep; it is also stopped (and saves) when the sweep dies.
class BatchProcess : public QProcess
{
public:
  using QProcess::QProcess;

protected:
  void setupChildProcess() override
  {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGINT);
  }
};

QString statusOfExitCode(int code)
{
  switch (code) {
  case 0: return QStringLiteral("ok");
  case 4: return QStringLiteral("time-limit");
  case 130: return QStringLiteral("interrupted");
  default: return QStringLiteral("failed");
  }
}

QString lastLogMessage(const QString &fileName)
{
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return QString();
  const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (lines.isEmpty())
    return QString();
  // A refused configuration line is reported on two lines: the status and,
  // below it, the quoted line with the reason.
  const QString last = lines.last().trimmed();
  if (lines.size() >= 2 && last.startsWith(QLatin1Char('"')))
    return lines.at(lines.size() - 2).trimmed() + QLatin1Char(' ') + last;
  return last;
}

void sweepMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
  if (type == QtDebugMsg || type == QtInfoMsg ||
      (type == QtWarningMsg && message.contains(QLatin1String("XDG_RUNTIME_DIR"))))
    return;
  printError(QStringLiteral("Qt: ") + message);
  if (type == QtFatalMsg)
    std::abort();
}

} // namespace

bool RunRecord::complete() const
{
  return status == QLatin1String("ok") || status == QLatin1String("time-limit");
}

void readRunStatus(const QString &folder, RunRecord &record)
{
  QFile file(folder + QLatin1Char('/') + QLatin1String(runStatusFile));
  record.status = QStringLiteral("not run");
  record.exitCode.clear();
  record.wallTime.clear();
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return;
  bool ok = false;
  for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("exit status "))) {
      const int code = line.mid(12).toInt(&ok);
      if (ok) {
        record.exitCode = QString::number(code);
        record.status = statusOfExitCode(code);
      }
    } else if (line.startsWith(QLatin1String("wall time "))) {
      record.wallTime = line.mid(10).section(QLatin1Char(' '), 0, 0);
    }
  }
}

Sweep::Sweep(const SweepOptions &options, const QString &batchProgram, const EngineFactory &factory)
    : options_(options), batchProgram_(batchProgram), factory_(factory)
{
  out_ = QDir(options.collectDir.isEmpty() ? options.outDir : options.collectDir).absolutePath();
  terminal_ = !options.quiet && ::isatty(STDERR_FILENO) != 0;
}

void Sweep::requestStop() { stopRequested = 1; }

QString Sweep::runDir(const RunRecord &r) const
{
  return out_ + QLatin1Char('/') + runFolderName(r.run.number);
}

int Sweep::jobCount() const
{
  return options_.jobs > 0 ? options_.jobs : std::max(1, QThread::idealThreadCount());
}

QString Sweep::describe(const SweepRun &run) const
{
  QStringList values;
  for (int k = 0; k < keys_.size(); ++k)
    values << keys_.at(k) + QLatin1Char('=') + run.values.value(k);
  return values.join(QStringLiteral("  "));
}

// Grid runs share the cores: jobs x threads never exceeds them, unless the
// sweep varies "threads" itself (or a Slurm array gives each run its own).
// The template's count is kept when it is smaller.
QString Sweep::shareCores(QStringList &raw) const
{
  if (engineTypeOf(options_.templateFile) != QLatin1String("FDTD") ||
      options_.emitKind == QLatin1String("slurm"))
    return QString();
  for (const QString &key : keys_)
    if (key.section(QLatin1Char('#'), 0, 0).compare(QLatin1String("threads"), Qt::CaseInsensitive) == 0)
      return QString();
  const int cores = std::max(1, QThread::idealThreadCount());
  const int asked = threadsOf(raw);
  // Never more than the template asks for (0 asks for every core): a small
  // grid may run slower on more threads.
  const int threads = asked > 0 ? std::min(asked, std::max(1, cores / jobCount())) : std::max(1, cores / jobCount());
  ConfigOverride o;
  o.key = QStringLiteral("threads");
  o.value = QString::number(threads);
  QString problem;
  if (!applyOverrides(raw, {o}, problem))
    return QString(); // no threads line: the check names it
  return QStringLiteral("Each grid run uses %1 thread(s): %2 core(s) shared by %3 job(s)%4; "
                        "--vary threads=N chooses another count.")
      .arg(threads)
      .arg(cores)
      .arg(jobCount())
      .arg(asked >= 0 && asked != threads ? QStringLiteral(" (the template asks for %1)").arg(asked) : QString());
}

// Loads every run's configuration before anything runs or is written.
int Sweep::checkRuns(const QList<SweepRun> &runs, const QStringList &texts)
{
  QTemporaryDir scratch;
  if (!scratch.isValid()) {
    printError(QStringLiteral("lumora-sweep: cannot create a scratch folder to check the runs"));
    return sweepFilesFailed;
  }
  const QString scratchFile = scratch.path() + QLatin1Char('/') + configName_;
  const bool bounded = options_.iterations >= 0 || options_.maxWall > 0;
  for (int i = 0; i < runs.size(); ++i) {
    const RunCheck c = checkConfiguration(texts.at(i), configName_, scratch.path(), factory_);
    const QString run = QStringLiteral("%1 (%2)").arg(runFolderName(runs.at(i).number), describe(runs.at(i)));
    if (!c.loaded) {
      QString message = c.message;
      message.replace(scratchFile, options_.templateFile);
      printError(QStringLiteral("lumora-sweep: %1 cannot be loaded; nothing was run:\n%2").arg(run, message));
      return sweepUsage;
    }
    if (c.endless && !bounded) {
      printError(QStringLiteral("lumora-sweep: %1 has no end (no dynamic spectrogram and no exit action at a "
                                "positive iteration); nothing was run. Give --iterations N or --max-wall "
                                "SECONDS.")
                     .arg(run));
      return sweepUsage;
    }
  }
  return sweepSuccess;
}

int Sweep::prepare()
{
  QStringList raw;
  QString problem;
  if (!readRawLines(options_.templateFile, raw, problem)) {
    printError(QStringLiteral("lumora-sweep: ") + problem);
    return sweepUsage;
  }
  configName_ = QFileInfo(options_.templateFile).fileName();
  const QString engine = engineTypeOf(options_.templateFile);
  if (engine != QLatin1String("FDTD") && engine != QLatin1String("UPPE")) {
    printError(QStringLiteral("lumora-sweep: %1: the template's name must begin with \"FDTD\" or \"UPPE\"")
                   .arg(options_.templateFile));
    return sweepUsage;
  }
  if (!absoluteDataFiles(raw, QFileInfo(options_.templateFile).absolutePath(), problem)) {
    printError(QStringLiteral("lumora-sweep: %1: %2").arg(options_.templateFile, problem));
    return sweepUsage;
  }
  QList<SweepRun> runs;
  if (!expandRuns(options_.vary, options_.zip, runs, problem)) {
    printError(QStringLiteral("lumora-sweep: ") + problem);
    return sweepUsage;
  }
  for (const VaryList &l : options_.vary)
    keys_ << l.key;
  const QString coreNote = shareCores(raw);
  // Every configuration first: a bad key stops the sweep before anything is written.
  QStringList texts;
  for (const SweepRun &run : runs) {
    QList<ConfigOverride> overrides;
    for (int k = 0; k < keys_.size(); ++k) {
      ConfigOverride o;
      if (!parseOverride(keys_.at(k) + QLatin1Char('=') + run.values.at(k), o, problem)) {
        printError(QStringLiteral("lumora-sweep: --vary ") + problem);
        return sweepUsage;
      }
      overrides << o;
    }
    QStringList lines = raw;
    if (!applyOverrides(lines, overrides, problem)) {
      problem.replace(QLatin1String("--set "), QLatin1String("--vary "));
      printError(QStringLiteral("lumora-sweep: ") + problem);
      return sweepUsage;
    }
    texts << lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    slurmThreads_ = std::max(slurmThreads_, engine == QLatin1String("FDTD") ? threadsOf(lines) : 1);
  }
  if (const int checked = checkRuns(runs, texts); checked != sweepSuccess)
    return checked;
  if (!coreNote.isEmpty() && !options_.quiet)
    printError(coreNote);
  for (int i = 0; i < runs.size(); ++i) {
    RunRecord record;
    record.run = runs.at(i);
    const QString dir = runDir(record);
    const QString config = dir + QLatin1Char('/') + configName_;
    if (!QDir().mkpath(dir)) {
      printError(QStringLiteral("lumora-sweep: cannot create the folder \"%1\"").arg(dir));
      return sweepFilesFailed;
    }
    QFile existing(config);
    const bool same = existing.open(QIODevice::ReadOnly | QIODevice::Text) &&
                      existing.readAll() == texts.at(i).toLocal8Bit();
    existing.close();
    if (!same) {
      // A new run, or one whose values changed: earlier results do not count.
      QFile::remove(dir + QLatin1Char('/') + QLatin1String(runStatusFile));
      if (!writeText(config, texts.at(i))) {
        printError(QStringLiteral("lumora-sweep: cannot write \"%1\"").arg(config));
        return sweepFilesFailed;
      }
    }
    readRunStatus(dir, record);
    records_ << record;
  }
  if (!writeManifest())
    return sweepFilesFailed;
  return sweepSuccess;
}

bool Sweep::writeManifest()
{
  QStringList header{QStringLiteral("run")};
  header << keys_ << QStringLiteral("status") << QStringLiteral("exit code")
         << QStringLiteral("wall time [s]");
  for (QString &h : header)
    h = csvField(h);
  QString text = header.join(QLatin1Char(',')) + QLatin1Char('\n');
  for (const RunRecord &r : records_) {
    QStringList fields{runFolderName(r.run.number)};
    for (const QString &v : r.run.values)
      fields << csvField(v);
    fields << r.status << r.exitCode << r.wallTime;
    text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  const QString name = out_ + QStringLiteral("/manifest.csv");
  if (!writeText(name, text)) {
    printError(QStringLiteral("lumora-sweep: cannot write \"%1\"").arg(name));
    return false;
  }
  return true;
}

void Sweep::printLine(const QString &text)
{
  if (options_.quiet)
    return;
  if (barShown_)
    std::fputs("\r\033[K", stderr);
  barShown_ = false;
  printError(text);
  drawBar();
}

void Sweep::drawBar()
{
  if (!terminal_ || toRun_ == 0)
    return;
  constexpr int width = 30;
  const int filled = finished_ * width / toRun_;
  const QByteArray bar = QStringLiteral("\r[%1%2] %3/%4 runs  %5 running\033[K")
                             .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
                             .arg(finished_)
                             .arg(toRun_)
                             .arg(running_.size())
                             .toLocal8Bit();
  std::fputs(bar.constData(), stderr);
  std::fflush(stderr);
  barShown_ = true;
}

void Sweep::startNext()
{
  while (!stopping_ && running_.size() < jobCount() && !queue_.isEmpty()) {
    const int index = queue_.takeFirst();
    RunRecord &record = records_[index];
    const QString dir = runDir(record);
    QFile::remove(dir + QLatin1Char('/') + QLatin1String(runStatusFile));
    auto *process = new BatchProcess(this);
    process->setProgram(batchProgram_);
    process->setArguments(batchArguments());
    process->setWorkingDirectory(dir);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(dir + QLatin1Char('/') + QLatin1String(runLogFile));
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process, index]() { runFinished(process, index); });
    connect(process, &QProcess::errorOccurred, this, [this, process, index](QProcess::ProcessError e) {
      if (e == QProcess::FailedToStart)
        runFinished(process, index);
    });
    record.status = QStringLiteral("running");
    record.exitCode.clear();
    record.wallTime.clear();
    clocks_[index].start();
    running_.append({process, index});
    process->start();
  }
  writeManifest();
  drawBar();
}

void Sweep::runFinished(QProcess *process, int index)
{
  for (int i = 0; i < running_.size(); ++i)
    if (running_.at(i).first == process)
      running_.removeAt(i);
  process->deleteLater();
  RunRecord &record = records_[index];
  const QString dir = runDir(record);
  readRunStatus(dir, record);
  if (record.exitCode.isEmpty()) {
    // No status file: lumora-batch did not start, crashed or was killed;
    // when stopping, the interrupt reached it before it could save anything.
    record.status = stopping_ ? QStringLiteral("interrupted") : QStringLiteral("failed");
    if (process->error() != QProcess::FailedToStart && process->exitStatus() == QProcess::NormalExit)
      record.exitCode = QString::number(process->exitCode());
    record.wallTime = QString::number(clocks_[index].elapsed() / 1000.0, 'f', 3);
  }
  ++finished_;
  QString line = QStringLiteral("[%1/%2] %3  %4  %5  %6 s")
                     .arg(finished_)
                     .arg(toRun_)
                     .arg(runFolderName(record.run.number), describe(record.run), record.status, record.wallTime);
  const QStringList warnings = runWarnings(dir);
  if (!warnings.isEmpty())
    line += QStringLiteral("  (%1 warning(s): %2)").arg(warnings.size()).arg(warnings.first());
  if (record.status == QLatin1String("failed")) {
    QString why = process->error() == QProcess::FailedToStart
                      ? process->errorString()
                      : lastLogMessage(dir + QLatin1Char('/') + QLatin1String(runLogFile));
    line += QStringLiteral(" (exit code %1)").arg(record.exitCode.isEmpty() ? QStringLiteral("none")
                                                                             : record.exitCode);
    if (!why.isEmpty())
      line += QStringLiteral(": ") + why;
  }
  printLine(line);
  startNext();
  if (running_.isEmpty() && (queue_.isEmpty() || stopping_))
    emit allDone();
}

void Sweep::poll()
{
  if (!stopRequested || stopping_)
    return;
  stopping_ = true;
  printLine(QStringLiteral("Stopping: %1 running run(s) write their results; %2 not started.")
                .arg(running_.size())
                .arg(queue_.size()));
  for (const auto &p : running_)
    if (p.first->processId() > 0)
      ::kill(static_cast<pid_t>(p.first->processId()), SIGINT);
}

int Sweep::runLocally()
{
  clocks_ = QList<QElapsedTimer>();
  for (int i = 0; i < records_.size(); ++i) {
    clocks_ << QElapsedTimer();
    if (!records_.at(i).complete())
      queue_ << i;
  }
  toRun_ = queue_.size();
  const int earlier = records_.size() - toRun_;
  if (earlier > 0)
    printLine(toRun_ == 0 ? QStringLiteral("All %1 runs are complete from an earlier sweep.").arg(earlier)
                          : QStringLiteral("%1 of %2 runs are complete from an earlier sweep; running "
                                           "the other %3.")
                                .arg(earlier)
                                .arg(records_.size())
                                .arg(toRun_));
  stopRequested = 0;
  std::signal(SIGINT, onSweepStop);
  std::signal(SIGTERM, onSweepStop);
  if (!queue_.isEmpty()) {
    QEventLoop loop;
    connect(this, &Sweep::allDone, &loop, &QEventLoop::quit);
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, &Sweep::poll);
    timer.start(100);
    startNext();
    loop.exec();
  }
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (barShown_)
    std::fputs("\r\033[K", stderr);
  for (int i : queue_)
    records_[i].status = QStringLiteral("not run");
  if (!writeManifest())
    return sweepFilesFailed;
  const int status = finish(stopping_ ? sweepInterrupted : sweepSuccess);
  return status;
}

int Sweep::finish(int status)
{
  QList<SummaryRow> rows;
  bool failed = false;
  int complete = 0;
  for (const RunRecord &r : records_) {
    if (r.status == QLatin1String("failed"))
      failed = true;
    // Every run has its row; only runs that ended have scalars.
    SummaryRow row{runFolderName(r.run.number), r.run.values, r.status, runWarnings(runDir(r)), {}};
    if (r.complete()) {
      row.scalars = runScalars(runDir(r));
      ++complete;
    }
    rows << row;
  }
  QString problem;
  if (!writeSummary(out_, keys_, rows, options_.plots, problem)) {
    printError(QStringLiteral("lumora-sweep: ") + problem);
    return sweepFilesFailed;
  }
  if (!options_.quiet)
    printError(QStringLiteral("%1 of %2 runs finished; summary in \"%3\".")
                   .arg(complete)
                   .arg(records_.size())
                   .arg(QDir::toNativeSeparators(out_ + QStringLiteral("/summary.csv"))));
  if (status == sweepSuccess && failed)
    return sweepRunsFailed;
  return status;
}

int lumoraSweepMain(int argc, char **argv, const EngineFactory &factory)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(sweepMessageHandler);
  // Only the --plots pictures of the summary draw widgets (offscreen).
  bool plots = false;
  for (int i = 1; i < argc; ++i)
    plots = plots || std::strcmp(argv[i], "--plots") == 0;
  std::unique_ptr<QCoreApplication> application;
  if (plots)
    application = std::make_unique<QApplication>(argc, argv);
  else
    application = std::make_unique<QCoreApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("lumora-sweep"));
  QStringList arguments = QCoreApplication::arguments();
  if (!arguments.isEmpty())
    arguments.removeFirst();

  SweepOptions options;
  QString problem;
  QString help;
  const int parsed = parseSweepArguments(arguments, options, problem, help);
  if (parsed == 1) {
    std::fputs(help.toLocal8Bit().constData(), stdout);
    return sweepSuccess;
  }
  if (parsed != 0) {
    printError(QStringLiteral("lumora-sweep: ") + problem);
    printError(QStringLiteral("Try \"lumora-sweep --help\"."));
    return sweepUsage;
  }
  if (!options.collectDir.isEmpty())
    return Sweep(options, QString(), factory).collect();

  const QString batch = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lumora-batch"));
  if (!QFileInfo(batch).isExecutable()) {
    printError(QStringLiteral("lumora-sweep: lumora-batch was not found next to lumora-sweep (looked for "
                              "\"%1\"); install both programs into the same folder.")
                   .arg(QDir::toNativeSeparators(batch)));
    return sweepUsage;
  }
  Sweep sweep(options, batch, factory);
  const int prepared = sweep.prepare();
  if (prepared != sweepSuccess)
    return prepared;
  return options.emitKind.isEmpty() ? sweep.runLocally() : sweep.emitScript();
}
