// Failure injection: results folders that cannot be created, a full disk
// (a file-size limit in a child process), pulse files that vanish or are not
// files at all, non-finite values in both engines, and how the batch runner
// reports each of them.
//
// Tests run as root in continuous integration, where permission bits do not
// stop writes; the unwritable places used here are therefore paths below a
// regular file and /proc, which refuse new entries for every user.

#include "robustnesssupport.h"
#include "testsupport.h"

#include "fdtd/fdtdsimulator.h"
#include "plots/columnwriter.h"
#include "plots/resultsaving.h"
#include "uppe/uppesimulator.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <ostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace robustness;

const QDateTime savedAt(QDate(2026, 12, 6), QTime(10, 5, 7));

class FailureInjection : public WorkingDirectoryTest
{
protected:
  // An FDTD run with a spectrum and a 400-sample time probe, after 400 steps.
  std::unique_ptr<Simulator> fdtdRun()
  {
    configPath = write(QStringLiteral("FDTD_saved.txt"),
                       fdtdConfiguration(QStringLiteral("0 1 0 amplitude"),
                                         QStringLiteral("gauss shape\nTHz funit\nfs tunit\n"
                                                        "375 centre\n10 duration\n50 3dB\n"),
                                         fdtdPostprocessing()));
    Loaded l = loadEngine(configPath);
    EXPECT_TRUE(l.engine) << qPrintable(l.message);
    if (l.engine)
      runFor(*l.engine, 400);
    return std::move(l.engine);
  }

  std::unique_ptr<Simulator> uppeRun()
  {
    configPath = write(QStringLiteral("UPPE_saved.txt"), uppeConfiguration());
    Loaded l = loadEngine(configPath);
    EXPECT_TRUE(l.engine) << qPrintable(l.message);
    if (l.engine)
      runFor(*l.engine, 2);
    return std::move(l.engine);
  }

  QString configPath;
};

// --- results folders that cannot be created --------------------------------------

struct Unwritable
{
  const char *name;
  bool uppe;
  bool underRegularFile; // else below /proc
};

void PrintTo(const Unwritable &u, std::ostream *os) { *os << u.name; }

class UnwritableResultsFolder : public FailureInjection, public ::testing::WithParamInterface<Unwritable>
{
};

TEST_P(UnwritableResultsFolder, SaveAllFailsWithAClearMessageAndTheRunGoesOn)
{
  std::unique_ptr<Simulator> engine = GetParam().uppe ? uppeRun() : fdtdRun();
  ASSERT_TRUE(engine);
  QString base;
  if (GetParam().underRegularFile)
    base = write(QStringLiteral("blocker"), "not a folder\n") + QStringLiteral("/results");
  else
    base = QStringLiteral("/proc/self/results");
  ASSERT_FALSE(QDir().mkpath(base)) << "the place is writable here";

  QStringList messages;
  const SaveAllOutcome o =
      saveAllResults(engine.get(), configPath, base, QStringLiteral("tag"), savedAt,
                     [&](const QString &m, int) { messages << m; });
  EXPECT_FALSE(o.folderCreated);
  EXPECT_FALSE(o.succeeded());
  EXPECT_EQ(o.savedFiles, 0);
  ASSERT_FALSE(messages.isEmpty());
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Saving failed: cannot create folder ")))
      << qPrintable(messages.last());
  if (GetParam().underRegularFile) {
    EXPECT_EQ(testsupport::readAll(dir.filePath(QStringLiteral("blocker"))), "not a folder\n");
  }

  // The run is not disturbed by the failed save.
  const int before = engine->iteration;
  engine->step();
  EXPECT_TRUE(engine->runFailure.isEmpty()) << qPrintable(engine->runFailure);
  EXPECT_GE(engine->iteration, before);
}

INSTANTIATE_TEST_SUITE_P(
    Places, UnwritableResultsFolder,
    ::testing::Values(Unwritable{"FdtdBelowARegularFile", false, true},
                      Unwritable{"FdtdBelowProc", false, false},
                      Unwritable{"UppeBelowARegularFile", true, true},
                      Unwritable{"UppeBelowProc", true, false}),
    [](const ::testing::TestParamInfo<Unwritable> &info) { return std::string(info.param.name); });

TEST_F(FailureInjection, ReadOnlyResultsFolderForAnOrdinaryUser)
{
  if (::geteuid() == 0)
    GTEST_SKIP() << "root writes through permission bits; the regular-file and /proc cases cover it";
  std::unique_ptr<Simulator> engine = fdtdRun();
  ASSERT_TRUE(engine);
  const QString locked = dir.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkdir(locked));
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
  QStringList messages;
  const SaveAllOutcome o = saveAllResults(engine.get(), configPath, locked, QStringLiteral("tag"),
                                          savedAt, [&](const QString &m, int) { messages << m; });
  ::chmod(QFile::encodeName(locked).constData(), 0755);
  EXPECT_FALSE(o.succeeded());
  ASSERT_FALSE(messages.isEmpty());
  EXPECT_TRUE(messages.last().startsWith(QStringLiteral("Saving failed: cannot create folder ")));
}

TEST_F(FailureInjection, EnvelopeSaveBelowARegularFileFails)
{
  std::unique_ptr<Simulator> engine = fdtdRun();
  ASSERT_TRUE(engine);
  const QString blocker = write(QStringLiteral("blocker"), "x");
  EXPECT_FALSE(saveElectricFieldEnvelope(engine.get(), blocker + QStringLiteral("/E.txt")));
  EXPECT_EQ(testsupport::readAll(blocker), "x");
  EXPECT_TRUE(saveElectricFieldEnvelope(engine.get(), dir.filePath(QStringLiteral("E.txt"))));
}

// --- a full disk ---------------------------------------------------------------

// Runs work in a child process whose files may not grow beyond limitBytes
// (writes past it fail with EFBIG; SIGXFSZ is ignored). The child's result
// (a small integer) and a line of text come back through a pipe.
struct ChildResult
{
  bool exitedNormally = false;
  int value = -1;
  QString text;
};

template <typename Work>
ChildResult underFileSizeLimit(rlim_t limitBytes, Work work)
{
  int fds[2];
  if (::pipe(fds) != 0)
    return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{limitBytes, limitBytes};
    int value = 100;
    QString text;
    if (::setrlimit(RLIMIT_FSIZE, &limit) == 0)
      value = work(text);
    const QByteArray bytes = QByteArray::number(value) + '\n' + text.toUtf8();
    if (::write(fds[1], bytes.constData(), std::size_t(bytes.size())) < 0)
      ::_exit(101);
    ::close(fds[1]);
    ::_exit(0);
  }
  ::close(fds[1]);
  ChildResult r;
  if (pid < 0) {
    ::close(fds[0]);
    return r;
  }
  QByteArray received;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
    received.append(buffer, int(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  const int newline = received.indexOf('\n');
  if (newline >= 0) {
    r.value = received.left(newline).toInt();
    r.text = QString::fromUtf8(received.mid(newline + 1));
  }
  return r;
}

TEST_F(FailureInjection, FullDiskDuringSaveAllLeavesOnlyCompleteFiles)
{
  std::unique_ptr<Simulator> engine = fdtdRun();
  ASSERT_TRUE(engine);
  ASSERT_EQ(engine->probeNames(), QStringList{QStringLiteral("T")});
  // The sizes of a complete save: the limit leaves room for the
  // configuration copy, the set-up summary and the short spectrum, not for
  // the time series.
  const SaveAllOutcome complete = saveAllResults(engine.get(), configPath, dir.filePath(QStringLiteral("sizes")),
                                                 QStringLiteral("full"), savedAt);
  ASSERT_TRUE(complete.succeeded());
  const qint64 spectrumSize = QFileInfo(complete.folder + QStringLiteral("F.txt")).size();
  const qint64 seriesSize = QFileInfo(complete.folder + QStringLiteral("T.txt")).size();
  const qint64 configSize = std::max(QFileInfo(configPath).size(),
                                     QFileInfo(complete.folder + QStringLiteral("Set-up summary.txt")).size());
  ASSERT_LT(std::max(spectrumSize, configSize), seriesSize);
  const rlim_t limit = rlim_t(std::max(spectrumSize, configSize));
  const QString base = dir.filePath(QStringLiteral("results"));
  const ChildResult r = underFileSizeLimit(limit, [&](QString &text) {
    QString last;
    const SaveAllOutcome o = saveAllResults(engine.get(), configPath, base, QStringLiteral("full"), savedAt,
                       [&](const QString &m, int) { last = m; });
    text = last;
    return o.failedFiles * 100 + o.savedFiles;
  });
  ASSERT_TRUE(r.exitedNormally);
  const int failed = r.value / 100;
  const int saved = r.value % 100;
  EXPECT_EQ(failed, 1);
  EXPECT_EQ(saved, 3);
  const QString folder = resultsFolderPath(base, savedAt, QStringLiteral("full"));
  EXPECT_EQ(r.text, QStringLiteral("Saving failed: 1 file(s) could not be written to %1")
                        .arg(QDir::toNativeSeparators(folder.left(folder.size() - 1))));

  // Only complete files are left: the configuration copy, the summary, the
  // spectrum, and neither the time series nor a temporary file.
  const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  EXPECT_EQ(entries, (QStringList{QStringLiteral("F.txt"), QStringLiteral("FDTD_saved.txt"),
                                  QStringLiteral("Set-up summary.txt")}));
  EXPECT_EQ(testsupport::readAll(folder + QStringLiteral("FDTD_saved.txt")), testsupport::readAll(configPath));
  const QByteArray spectrum = testsupport::readAll(folder + QStringLiteral("F.txt"));
  EXPECT_TRUE(spectrum.endsWith('\n'));
  EXPECT_LE(spectrum.size(), qint64(limit));

  // Without the limit the same save succeeds.
  const SaveAllOutcome again =
      saveAllResults(engine.get(), configPath, base, QStringLiteral("full"), savedAt);
  EXPECT_TRUE(again.succeeded());
  EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("T.txt")));
}

// A block larger than the limit (written straight through) and one smaller
// than the file's write buffer (written only when the file is committed).
class FullDiskWriter : public FailureInjection, public ::testing::WithParamInterface<int>
{
};

TEST_P(FullDiskWriter, KeepsTheFileBeingReplacedOrAppendedTo)
{
  const QString path = write(QStringLiteral("old.txt"), "! old block\n1\t2\n");
  const std::size_t points = std::size_t(GetParam());
  std::vector<double> x(points), y(points);
  for (std::size_t i = 0; i < points; ++i) {
    x[i] = double(i);
    y[i] = 1.0 / (1.0 + double(i));
  }
  ASSERT_GT(formatColumns(x, y, QStringLiteral("! new block")).size(), 1024);
  for (const QIODevice::OpenMode mode :
       {QIODevice::WriteOnly | QIODevice::Truncate, QIODevice::WriteOnly | QIODevice::Append}) {
    const ChildResult r = underFileSizeLimit(1024, [&](QString &) {
      return writeColumns(path, x, y, QStringLiteral("! new block"), mode) ? 1 : 0;
    });
    ASSERT_TRUE(r.exitedNormally);
    EXPECT_EQ(r.value, 0) << "the write past the limit reported success";
    EXPECT_EQ(testsupport::readAll(path), "! old block\n1\t2\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
  }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, FullDiskWriter, ::testing::Values(2000, 100),
                         [](const ::testing::TestParamInfo<int> &info) {
                           return info.param > 1000 ? std::string("LargeBlock") : std::string("BufferedBlock");
                         });

// --- pulse files -------------------------------------------------------------------

const QString userShape = QStringLiteral("user shape\npulse.txt file\n");

TEST_F(FailureInjection, PulseFileThatDisappearsBetweenTwoLoads)
{
  write(QStringLiteral("pulse.txt"), "# samples\n0\n1\n0.5\n");
  const QString path = write(QStringLiteral("FDTD_user.txt"),
                             fdtdConfiguration(QStringLiteral("0 2 0 amplitude"), userShape));
  Loaded first = loadEngine(path);
  ASSERT_TRUE(first.engine) << qPrintable(first.message);
  ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("pulse.txt"))));
  // The engine loaded earlier holds its samples and runs on.
  runFor(*first.engine, 3);
  EXPECT_EQ(first.engine->iteration, 3);
  EXPECT_TRUE(first.engine->runFailure.isEmpty());

  const LoadOutcome second = load(path);
  EXPECT_FALSE(second.ok());
  EXPECT_EQ(second.message, path + QStringLiteral(": User defined pulse file could not be read.\n"
                                                  "\"pulse.txt\" (line 15) is not a readable file."));
}

// Loads path on another thread; if that does not return within the time
// limit, unblock reads of fifo (when given) and report a hang.
LoadOutcome loadWithin(const QString &path, std::chrono::seconds limit, const QString &fifo, bool &hung)
{
  auto pending = std::async(std::launch::async, [path] { return load(path); });
  hung = pending.wait_for(limit) != std::future_status::ready;
  if (hung && !fifo.isEmpty()) {
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
      ::close(fd);
  }
  LoadOutcome o = pending.get();
  return o;
}

struct NotAFile
{
  const char *name;
  const char *pulse; // what the "file" line names; "" for a FIFO made by the test
};

void PrintTo(const NotAFile &n, std::ostream *os) { *os << n.name; }

class PulseFileThatIsNoFile : public FailureInjection, public ::testing::WithParamInterface<NotAFile>
{
};

TEST_P(PulseFileThatIsNoFile, IsRefusedWithoutWaitingOrReadingForever)
{
  QString pulse = QString::fromUtf8(GetParam().pulse);
  QString fifo;
  if (pulse.isEmpty()) {
    fifo = dir.filePath(QStringLiteral("pulse.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    pulse = fifo;
  } else if (pulse == QLatin1String("folder")) {
    ASSERT_TRUE(QDir().mkdir(dir.filePath(pulse)));
  }
  const QString path =
      write(QStringLiteral("FDTD_user.txt"),
            fdtdConfiguration(QStringLiteral("0 1 0 amplitude"),
                              QStringLiteral("user shape\n%1 file\n").arg(pulse)));
  bool hung = false;
  const LoadOutcome o = loadWithin(path, std::chrono::seconds(20), fifo, hung);
  EXPECT_FALSE(hung) << "loading waited for " << qPrintable(pulse);
  EXPECT_FALSE(o.ok());
  delete o.engine;
  EXPECT_EQ(o.message, path + QStringLiteral(": User defined pulse file could not be read.\n\"%1\" "
                                             "(line 15) is not a readable file.")
                                  .arg(pulse));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PulseFileThatIsNoFile,
                         ::testing::Values(NotAFile{"Missing", "missing.txt"},
                                           NotAFile{"Folder", "folder"},
                                           NotAFile{"Fifo", ""},
                                           NotAFile{"EndlessDevice", "/dev/zero"},
                                           NotAFile{"BelowARegularFile", "FDTD_user.txt/pulse.txt"}),
                         [](const ::testing::TestParamInfo<NotAFile> &info) {
                           return std::string(info.param.name);
                         });

TEST_F(FailureInjection, SpectralEngineRefusesUserPulsesWhetherOrNotTheFileExists)
{
  write(QStringLiteral("pulse.txt"), "0\n1\n0\n");
  QByteArray text = uppeConfiguration();
  text.replace("gauss shape\n", "user shape\npulse.txt file\n");
  const QString path = write(QStringLiteral("UPPE_user.txt"), text);
  const LoadOutcome withFile = load(path);
  EXPECT_FALSE(withFile.ok());
  EXPECT_EQ(withFile.message.section(QLatin1Char('\n'), 0, 0), path + QStringLiteral(": Syntax error in line 10."));
  QFile::remove(dir.filePath(QStringLiteral("pulse.txt")));
  const LoadOutcome without = load(path);
  EXPECT_EQ(without.message, withFile.message);
}

// --- non-finite values -----------------------------------------------------------

class FdtdOverflow : public FailureInjection, public ::testing::WithParamInterface<bool>
{
};

// A field that overflows, or a gain medium that grows without bound, ends
// the run at the next check.
TEST_P(FdtdOverflow, EndsTheRunAtTheNextCheck)
{
  QByteArray text = fdtdConfiguration(QString::fromLatin1(GetParam() ? "0 1 0 amplitude" : "0 1e308 0 amplitude"),
                                      QStringLiteral("sine shape\nTHz funit\nfs tunit\n"
                                                     "375 centre\n10 duration\n"),
                                      fdtdPostprocessing());
  if (GetParam())
    text.replace("diel medium\n200 meshpoints\n1 1 parameters", "ldiel medium\n200 meshpoints\n1 1 -5e5 parameters");
  const QString path = write(QStringLiteral("FDTD_overflow.txt"), text);
  Loaded l = loadEngine(path);
  ASSERT_TRUE(l.engine) << qPrintable(l.message);
  const int calls = runFor(*l.engine, 10 * FDTDSimulator::finiteCheckPeriod);
  EXPECT_TRUE(l.engine->finished);
  EXPECT_EQ(calls, FDTDSimulator::finiteCheckPeriod);
  EXPECT_EQ(l.engine->iteration, FDTDSimulator::finiteCheckPeriod);
  EXPECT_EQ(l.engine->runFailure,
            QStringLiteral("The field is no longer finite at iteration %1: the run was stopped.")
                .arg(FDTDSimulator::finiteCheckPeriod));
  // What was recorded up to the end can still be read and saved.
  const SaveAllOutcome o = saveAllResults(l.engine.get(), path, dir.filePath(QStringLiteral("r")),
                                          QStringLiteral("nan"), savedAt);
  EXPECT_TRUE(o.succeeded());
}

INSTANTIATE_TEST_SUITE_P(FailureInjection, FdtdOverflow, ::testing::Bool());

TEST_F(FailureInjection, FdtdStabilityBelowTheCourantLimitIsRefusedAtLoading)
{
  QByteArray text = fdtdConfiguration();
  text.replace("1 stability", "0.5 stability");
  const QString path = write(QStringLiteral("FDTD_unstable.txt"), text);
  const LoadOutcome o = load(path);
  EXPECT_FALSE(o.ok());
  delete o.engine;
  EXPECT_EQ(o.message, path + QStringLiteral(": Syntax error in line 10.\n\"1 1 parameters\": "
                                             "with stability 0.5 and εr·μr = 1 the time step "
                                             "exceeds the stability limit: "
                                             "εr·μr·stability² must be at least 1"));
}

class UppeNonFinite : public FailureInjection, public ::testing::WithParamInterface<bool>
{
};

TEST_P(UppeNonFinite, HalvingRetryEndsAfterABoundedNumberOfTries)
{
  // E^3 overflows: every right-hand side is infinite and every step fails.
  const QString path = write(QStringLiteral("UPPE_nan.txt"),
                             uppeConfiguration(QStringLiteral("1e120 0 amplitude"),
                                               GetParam() ? QStringLiteral("1") : QStringLiteral("0"),
                                               QStringLiteral("1.5 0 1 1 1 1")));
  Loaded l = loadEngine(path);
  ASSERT_TRUE(l.engine) << qPrintable(l.message);
  const int calls = runFor(*l.engine, 100 * maximumStepHalvings);
  EXPECT_TRUE(l.engine->finished);
  EXPECT_EQ(calls, maximumStepHalvings);
  EXPECT_EQ(l.engine->iteration, 0);
  EXPECT_EQ(l.engine->progress(), 0.0);
  EXPECT_TRUE(l.engine->runFailure.contains(
      QStringLiteral("halved %1 times in a row without being accepted").arg(maximumStepHalvings)))
      << qPrintable(l.engine->runFailure);
}

INSTANTIATE_TEST_SUITE_P(Modes, UppeNonFinite, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                           return std::string(info.param ? "FixedStep" : "Adaptive");
                         });

// --- the batch runner ------------------------------------------------------------

#ifdef LUMORA_BATCH_PROGRAM
struct BatchResult
{
  int exitCode = -1;
  QString errorOutput;
};

BatchResult runBatch(const QStringList &arguments, const QString &workingDirectory)
{
  QProcess p;
  p.setWorkingDirectory(workingDirectory);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(LUMORA_BATCH_PROGRAM), arguments);
  BatchResult r;
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.errorOutput = QString::fromLocal8Bit(p.readAllStandardError());
  return r;
}

TEST_F(FailureInjection, BatchRunnerExitsWithStatusOneWhenTheFdtdFieldOverflows)
{
  const QString path = write(QStringLiteral("FDTD_overflow.txt"),
                             fdtdConfiguration(QStringLiteral("0 1e308 0 amplitude"),
                                               QStringLiteral("sine shape\nTHz funit\nfs tunit\n"
                                                              "375 centre\n10 duration\n")));
  const BatchResult r = runBatch({QStringLiteral("--quiet"), QStringLiteral("--iterations"),
                                  QStringLiteral("2000"), QStringLiteral("--out"),
                                  dir.filePath(QStringLiteral("out")), path},
                                 dir.path());
  EXPECT_EQ(r.exitCode, 1) << qPrintable(r.errorOutput);
  EXPECT_TRUE(r.errorOutput.contains(QStringLiteral("The field is no longer finite at iteration 256")))
      << qPrintable(r.errorOutput);
}

TEST_F(FailureInjection, BatchRunnerExitsWithStatusOneWhenTheSpectralStepCannotBeAccepted)
{
  const QString path = write(QStringLiteral("UPPE_nan.txt"),
                             uppeConfiguration(QStringLiteral("1e120 0 amplitude"), QStringLiteral("0"),
                                               QStringLiteral("1.5 0 1 1 1 1")));
  const BatchResult r = runBatch({QStringLiteral("--quiet"), QStringLiteral("--out"),
                                  dir.filePath(QStringLiteral("out")), path},
                                 dir.path());
  EXPECT_EQ(r.exitCode, 1) << qPrintable(r.errorOutput);
  EXPECT_TRUE(r.errorOutput.contains(QStringLiteral("halved %1 times").arg(maximumStepHalvings)))
      << qPrintable(r.errorOutput);
}

TEST_F(FailureInjection, BatchRunnerReportsAnUnwritableResultsFolder)
{
  const QString path = write(QStringLiteral("FDTD_ok.txt"), fdtdConfiguration());
  const QString blocker = write(QStringLiteral("blocker"), "x");
  const BatchResult r = runBatch({QStringLiteral("--quiet"), QStringLiteral("--iterations"),
                                  QStringLiteral("10"), QStringLiteral("--out"),
                                  blocker + QStringLiteral("/out"), path},
                                 dir.path());
  EXPECT_EQ(r.exitCode, 3) << qPrintable(r.errorOutput);
  EXPECT_FALSE(r.errorOutput.isEmpty());
  EXPECT_EQ(testsupport::readAll(blocker), "x");
}

TEST_F(FailureInjection, BatchRunnerRefusesAVanishedPulseFile)
{
  const QString path = write(QStringLiteral("FDTD_user.txt"),
                             fdtdConfiguration(QStringLiteral("0 1 0 amplitude"), userShape));
  const BatchResult r = runBatch({QStringLiteral("--quiet"), QStringLiteral("--iterations"),
                                  QStringLiteral("10"), path},
                                 dir.path());
  EXPECT_EQ(r.exitCode, 2) << qPrintable(r.errorOutput);
  EXPECT_TRUE(r.errorOutput.contains(QStringLiteral("User defined pulse file could not be read.")))
      << qPrintable(r.errorOutput);
}
#endif

} // namespace
