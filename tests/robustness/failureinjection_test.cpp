// Failure injection: a pulse file that vanishes after a load, results folders
// that cannot be created, a full disk (a file-size limit in a child process),
// and an exit action that ends a run while the engine is inside its step.
//
// Tests run as root in continuous integration, where permission bits do not
// stop writes; the unwritable places are paths below a regular file and /proc.

#include "engine/enginetestsupport.h"
#include "testsupport.h"

#include "app/lumora.h"
#include "fdtd/fdtdsimulator.h"
#include "results/columnwriter.h"
#include "results/resultcatalogue.h"
#include "results/resultsaving.h"

#include <QDateTime>
#include <QDeadlineTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace enginetest;

const QDateTime savedAt(QDate(2026, 12, 6), QTime(10, 5, 7));

// A spectrum "F" and a 400-sample time probe "T" at cell 15.
const QByteArray observed = "fourier typeOf\nF * name\n15 z-location\n0 use\n300 10 450 start\n1 itstart\n"
                            "end itend\nTHz anyunit\ntime typeOf\nT * name\n15 z-location\n0 use\n1 itstart\n"
                            "400 itend\nfs tunit\n";

TEST_F(WorkingDirectoryTest, PulseFileThatVanishesAfterALoad)
{
  write("pulse.txt", "# samples\n0\n1\n0.5\n");
  const QString path = write("FDTD_u.txt", QByteArray(tinyGrid).replace("gauss shape", "user shape\npulse.txt file"));
  QString message;
  const auto first = loadEngine(path, &message);
  ASSERT_TRUE(first && QFile::remove("pulse.txt")) << qPrintable(message);
  EXPECT_EQ(runFor(*first, 3), 3); // the engine keeps its samples
  EXPECT_TRUE(first->runFailure.isEmpty());
  EXPECT_FALSE(loadEngine(path)); // a new load fails
}

TEST_F(WorkingDirectoryTest, UnwritableResultsFolderFailsTheSaveAndTheRunGoesOn)
{
  const QString blocker = write("blocker", "not a folder\n");
  for (const char *name : {"FDTD_saved.txt", "UPPE_saved.txt"}) {
    const QString config = write(name, name[0] == 'F' ? tinyGrid + observed : tinySpectralRun);
    const auto engine = loadEngine(config);
    ASSERT_TRUE(engine) << name;
    runFor(*engine, 2);
    for (const QString &base : {blocker + "/results", QString("/proc/self/results")}) {
      QString last;
      const SaveAllOutcome o = saveAllResults(engine.get(), config, base, "tag", savedAt,
                                              [&](const QString &m, int) { last = m; });
      EXPECT_FALSE(o.folderCreated || o.succeeded() || o.savedFiles) << qPrintable(base);
      EXPECT_TRUE(last.startsWith("Saving failed: cannot create folder ")) << qPrintable(last);
    }
    EXPECT_EQ(runFor(*engine, 1), 1);
    EXPECT_TRUE(engine->runFailure.isEmpty());
  }
  EXPECT_EQ(testsupport::readAll(blocker), "not a folder\n");

  // A configuration gone since the load, a field file in a missing folder:
  // failures, not successes.
  const QString gone = write("FDTD_gone.txt", tinyGrid);
  const auto engine = loadEngine(gone);
  ASSERT_TRUE(engine && QFile::remove(gone));
  QString last;
  const SaveAllOutcome o = saveAllResults(engine.get(), gone, dir.filePath("r"), "tag", savedAt,
                                          [&](const QString &m, int) { last = m; });
  EXPECT_TRUE(o.folderCreated && o.failedFiles == 1 && o.savedFiles > 0 && !o.succeeded());
  EXPECT_EQ(last, "Saving failed: 1 file(s) could not be written to " + QDir::toNativeSeparators(o.folder.chopped(1)));
  const auto save = [&](Simulator *s, const char *name) { return saveElectricFieldEnvelope(s, dir.filePath(name)); };
  EXPECT_EQ(QList<bool>({save(engine.get(), "missing/E.txt"), save(nullptr, "E.txt"), save(engine.get(), "E.txt")}),
            QList<bool>({false, false, true}));
}

// Runs work in a child process whose files may not grow beyond bytes (writes
// past it fail with EFBIG; SIGXFSZ is ignored); returns its exit status.
template <typename Work>
int withFileSizeLimit(rlim_t bytes, Work work)
{
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::_exit(::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? work() : 255);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(WorkingDirectoryTest, FullDiskLeavesOnlyCompleteFilesAndKeepsOldOnes)
{
  const QString config = write("FDTD_saved.txt", tinyGrid + observed);
  const auto engine = loadEngine(config);
  ASSERT_TRUE(engine);
  runFor(*engine, 400);
  // The limit leaves room for the configuration copy, the set-up summary and
  // the short spectrum, not for the time series nor results.h5.
  const SaveAllOutcome sizes = saveAllResults(engine.get(), config, dir.filePath("sizes"), "full", savedAt);
  ASSERT_TRUE(sizes.succeeded());
  const qint64 limit = std::max({QFileInfo(config).size(), QFileInfo(sizes.folder + "F.txt").size(),
                                 QFileInfo(sizes.folder + "Set-up summary.txt").size()});
  ASSERT_LT(limit, QFileInfo(sizes.folder + "T.txt").size());
  const QString base = dir.filePath("results"), folder = resultsFolderPath(base, savedAt, "full");
  const QString old = write("old.txt", "! old block\n1\t2\n");
  const std::vector<double> x(2000, 1.0);
  const int status = withFileSizeLimit(rlim_t(limit), [&] {
    QString last;
    const SaveAllOutcome o =
        saveAllResults(engine.get(), config, base, "full", savedAt, [&](const QString &m, int) { last = m; });
    const bool replaced = writeColumns(old, x, x, "! new", QIODevice::WriteOnly | QIODevice::Truncate);
    const bool appended = writeColumns(old, x, x, "! new", QIODevice::WriteOnly | QIODevice::Append);
    return o.failedFiles * 10 + o.savedFiles + 50 * (replaced || appended) +
           100 * (last != "Saving failed: 2 file(s) could not be written to " +
                              QDir::toNativeSeparators(folder.chopped(1)));
  });
  EXPECT_EQ(status, 23); // two files failed, three saved, both writes refused, the message as expected
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            QStringList({"F.txt", "FDTD_saved.txt", "Set-up summary.txt"}));
  EXPECT_EQ(testsupport::readAll(folder + "FDTD_saved.txt"), testsupport::readAll(config));
  EXPECT_TRUE(testsupport::readAll(folder + "F.txt").endsWith('\n'));
  EXPECT_EQ(testsupport::readAll(old), "! old block\n1\t2\n");
  EXPECT_TRUE(saveAllResults(engine.get(), config, base, "full", savedAt).succeeded());
  EXPECT_TRUE(QFileInfo(folder + "results.h5").size() > QFileInfo(folder + "T.txt").size());
  // Into a folder that is not there results.h5 cannot even start, and says so.
  EXPECT_FALSE(writeResultsHdf5File(*engine, dir.filePath("missing/"), config, saveAllEntries(*engine)));
}

// Notes a deletion while the engine is inside its step.
struct WatchedEngine : FDTDSimulator
{
  using FDTDSimulator::FDTDSimulator;
  ~WatchedEngine() override { deletedInStep |= inStep; }
  void step() override { inStep = true; FDTDSimulator::step(); inStep = false; }
  static inline bool inStep = false, deletedInStep = false;
};

TEST_F(WorkingDirectoryTest, ExitActionEndsTheRunAfterTheStepWithoutDeletingTheEngineInIt)
{
  // The field overflows at iteration 256, which finishes the run; the exit
  // action with target 0 fires in that step.
  const QByteArray text = QByteArray(tinyGrid).replace("0 1 0 amplitude\ngauss", "0 1e308 0 amplitude\nsine");
  LumoraOptions options;
  options.settingsPath = dir.filePath("Settings.txt");
  options.configurationFile = write("FDTD_exit.txt", text + "exit action\n0 iterations\n");
  options.engineFactory = [](const QString &, const QStringList &lines, const QString &run,
                             const QString &) -> Simulator * { return new WatchedEngine(lines, run); };
  Lumora window(options);
  window.show();
  ASSERT_NE(window.simulator(), nullptr);
  for (QDeadlineTimer deadline(30000); window.isVisible() && !deadline.hasExpired();)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.simulator(), nullptr);
  EXPECT_FALSE(WatchedEngine::deletedInStep);
}

} // namespace
