// The batch runner: argument parsing and progress text in process, and the
// whole program end to end as a child process (built with the test engine,
// which counts iterations into its field so saved files reveal how far a run
// went).

#include "app/batch/configoverrides.h"
#include "app/batch/batchprogress.h"
#include "app/batch/batchrunner.h"
#include "childprocess.h"
#include "fakeengine.h"
#include "testsupport.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <ostream>
#include <set>

namespace {

// --- in-process pieces --------------------------------------------------------

// The progress line: iterations or distance, the bar of 24 places on a
// terminal, the share done (capped at 100 %) and the time left, rounded up.
TEST(BatchProgressText, StatesRateShareAndTimeLeft)
{
  const std::pair<ProgressSnapshot, const char *> cases[] = {
      {{5, 5, 43.4783, 0.5, 3600.2}, "iteration 5  43.4783 it/s  [############............]  50.0%  1:00:01 left"},
      {{7, 0.00125, 0.0025, 1.2, -1, true}, "iteration 7  z 0.00125 m  0.0025 m/s  [########################]  100.0%"},
      {{9, 9, 2, 0.999, 59.01}, "iteration 9  2 it/s  [#######################.]  99.9%  0:01:00 left"},
      {{3, 3, 1.5, -1, 10}, "iteration 3  1.5 it/s"}};
  for (const auto &[snapshot, text] : cases)
    EXPECT_EQ(progressLine(snapshot, true).toStdString(), text);
  EXPECT_EQ(progressLine(cases[0].first, false).toStdString(), "iteration 5  43.4783 it/s  50.0%  1:00:01 left");
  EXPECT_EQ(formatDuration(-1) + formatDuration(INFINITY) + formatDuration(0), "??0:00:00");
  EXPECT_EQ(formatDuration(1e12), "867240:00:00"); // capped at 99 years
  EXPECT_EQ(formatDuration(4264.2), "1:11:05"); // two decimal digits each for minutes and seconds
  // The share done from the iteration end or the distance end, whichever is further.
  std::FILE *stream = std::tmpfile();
  BatchProgress iterations(true, false, stream), distance(true, false, stream);
  iterations.setEnd(200, 0, false);
  iterations.finish(50, 50);
  distance.setEnd(400, 2e-3, true);
  distance.finish(40, 1e-3);
  const auto readBack = [](std::FILE *f) {
    std::rewind(f);
    char text[400] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    return QString::fromLatin1(text);
  };
  const QString text = readBack(stream);
  EXPECT_TRUE(QRegularExpression("^iteration 50  \\S+ it/s  25.0%  \\d+:\\d\\d:\\d\\d left\n"
                                 "iteration 40  z 0.001 m  \\S+ m/s  50.0%  \\d+:\\d\\d:\\d\\d left\n$")
                  .match(text)
                  .hasMatch())
      << text.toStdString();
  // On a terminal an update within 250 ms of the last line is skipped; a message lets the next one through.
  std::FILE *tty = std::tmpfile();
  BatchProgress live(true, true, tty);
  live.setEnd(10, 0, false);
  live.message("note");
  live.update(2, 2);
  live.update(3, 3);
  const QString shown = readBack(tty);
  EXPECT_TRUE(shown.startsWith("note\n\riteration 2  ") && !shown.contains("iteration 3")) << shown.toStdString();
}

TEST(BatchArguments, AreRefusedWithAReason)
{
  const std::pair<QStringList, const char *> cases[] = {
      {{}, "no configuration file"},
      {{"FDTD_a.txt", "--iterations"}, "--iterations needs a value"},
      {{"--out", "", "FDTD_a.txt"}, "--out needs a folder"},
      {{"FDTD_a.txt", "FDTD_b.txt"}, "more than one"},
      {{"--max-wall", "0", "FDTD_a.txt"}, "--max-wall needs a number of seconds above 0"},
      {{"--set", "size", "FDTD_a.txt"}, "--set \"size\" is not KEY=VALUE"},
      {{"FDTD_a.txt", "--iterations", "-3"}, "--iterations needs a whole number of at least 0, not \"-3\""},
      {{"FDTD_a.txt", "--max-wall=abc"}, "--max-wall needs a number of seconds above 0, not \"abc\""},
      {{"FDTD_a.txt", "--max-wall", "inf"}, "--max-wall needs a number of seconds above 0, not \"inf\""},
      {{"FDTD_a.txt", "--max-wall"}, "--max-wall needs a value"}, {{"FDTD_a.txt", "--set"}, "--set needs KEY=VALUE"},
      {{"FDTD_a.txt", "--status-file="}, "--status-file needs a file name"}, {{"FDTD_a.txt", "--plots=1"}, "unknown option \"--plots=1\""}};
  for (const auto &[arguments, expected] : cases) {
    BatchOptions o;
    QString problem;
    EXPECT_FALSE(parseBatchArguments(arguments, o, problem));
    EXPECT_TRUE(problem.contains(QLatin1String(expected))) << problem.toStdString();
  }
}

// --- end to end ------------------------------------------------------------------

Result runner(const QStringList &arguments, const QString &workDir)
{
  return runProgram(QStringLiteral(LUMORA_BATCH_TESTRUNNER_EXE), arguments, workDir);
}

// The iteration count the test engine stored in the first point of the field.
int savedIteration(const QString &fieldFile)
{
  const QStringList l = lines(fieldFile);
  if (l.size() < 2)
    return -1;
  return l.at(1).split(QLatin1Char('\t')).value(1).toInt();
}

QStringList resultFolders(const QString &dir)
{
  return QDir(dir).entryList({QStringLiteral("Simulation results *")}, QDir::Dirs);
}

class BatchRun : public ::testing::Test
{
protected:
  QString config(const QByteArray &text, const QString &name = QStringLiteral("FDTD_run.txt"))
  {
    return testsupport::writeFile(dir, name, text);
  }
  QString path(const QString &name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

// Exit status, a text standard error must contain and the iteration the
// final field was saved at (-1: no final results, 0: some iteration).
struct ExitCase
{
  const char *name;
  QByteArray config;
  QStringList arguments;
  int status;
  const char *message; // parts the error output holds, split at "|"
  int savedAt;
};
void PrintTo(const ExitCase &c, std::ostream *os) { *os << c.name; }

class BatchExit : public BatchRun, public ::testing::WithParamInterface<ExitCase>
{
};

TEST_P(BatchExit, StatusMessageAndResults)
{
  const ExitCase &c = GetParam();
  config(c.config);
  const Result r = runner(c.arguments + QStringList{"--out", "res", "FDTD_run.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, c.status) << r.err.toStdString();
  for (const QString &part : QString::fromUtf8(c.message).split(QLatin1Char('|')))
    EXPECT_TRUE(r.err.contains(part)) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains("chatter"));
  const int saved = savedIteration(path("res/Electric field.txt"));
  EXPECT_EQ(c.savedAt == 0 ? saved > 0 : saved == c.savedAt, true) << saved;
  EXPECT_EQ(c.status == 2, resultFolders(dir.path()).isEmpty() && !QFile::exists(path("res")));
}

INSTANTIATE_TEST_SUITE_P(
    Table, BatchExit,
    ::testing::Values(
        ExitCase{"BadOption", "1 required\n", {"--frobnicate"}, 2, "unknown option \"--frobnicate\"", -1},
        ExitCase{"NoEnd", "1 required\n", {}, 2, "FDTD_run.txt: this run has no natural end", -1},
        ExitCase{"LoadFailure", "1 required\nexplode action\n", {"--iterations", "5"}, 2,
                 "FDTD_run.txt: Syntax error in line 2.\n\"explode action\": expected one of suspend, "
                 "save_line_envelope, exit, saveAll, found \"explode\"\n",
                 -1},
        ExitCase{"Iterations", "1 required\n", {"--iterations", "37"}, 0, "  100.0%  0:00:00 left\n", 37},
        ExitCase{"ExitAction", "1 required\nexit action\n30 iterations\nexit action\n12 iterations\n", {}, 0,
                 "Iteration 12: exit action reached; ending the run.\n|  100.0%  0:00:00 left\n", 12},
        ExitCase{"ExitBeforeIterations", "1 required\nexit action\n12 iterations\n", {"--iterations", "20"}, 0,
                 "", 12},
        ExitCase{"QtWarningShown", "1 required\nreal qtmessage\n", {"--iterations", "1"}, 0, "Qt: real\n", 1},
        ExitCase{"RunFailure", "1 required\n6 failat\n", {"--iterations", "50"}, 1,
                 "FDTD_run.txt: the run failed at iteration 6: The electric field is no longer finite.", 6},
        ExitCase{"UnwritableEnvelope", "1 required\nsave_line_envelope action\n2 iterations\nno/dir/l.txt file\n",
                 {"--iterations", "4"}, 3, "saving the electric field envelope in \"no/dir/l.txt\" failed", 4},
        ExitCase{"MaxWall", "1 required\n5 sleepms\n", {"--max-wall", "0.3"}, 4,
                 "after the --max-wall limit of 0.3 s; writing the results.", 0}),
    [](const ::testing::TestParamInfo<ExitCase> &info) { return std::string(info.param.name); });

TEST_F(BatchRun, MissingFileAndUncreatableFolder)
{
  Result r = runner({"FDTD_missing.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.startsWith("Cannot read file FDTD_missing.txt:\nNo such file or directory.\n"));
  EXPECT_TRUE(r.err.contains(batchUsageLine()));
  config("1 required\n");
  testsupport::writeFile(dir, "plainfile", "x");
  r = runner({"--iterations", "1", "--out", "plainfile/res", "FDTD_run.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.contains("Cannot create the results folder")) << r.err.toStdString();
  // A results file that cannot take its place (a folder of that name is in
  // the way) fails the batch by name; the other files are written.
  ASSERT_TRUE(QDir(dir.path()).mkpath("res/results.h5/inside") && QDir(dir.path()).mkpath("res/Electric field.png/x"));
  r = runner({"--iterations", "1", "--plots", "--out", "res", "FDTD_run.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.contains("Some results could not be written into \"res\": results.h5, Electric field.png\n"))
      << r.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(path("res/FDTD_run.txt")));
}

TEST_F(BatchRun, BreakpointsFireAsInTheWindow)
{
  config("1 required\n16 points\n"
         "suspend action\n4 iterations\n"
         "save_line_envelope action\n6 iterations\nline.txt file\n"
         "saveAll action\n7 iterations\nmytag file\n"
         "exit action\n9 iterations\n");
  const Result r = runner({"--out", "res", "FDTD_run.txt"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Iteration 4: suspend action reached")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Iteration 6: electric field envelope saved in \"line.txt\""));
  EXPECT_TRUE(r.err.contains("Iteration 7: all results saved in"));
  EXPECT_EQ(lines(path("line.txt")).value(0), "! Location [um]\tElectric field [V/m]");
  EXPECT_EQ(savedIteration(path("line.txt")), 6);
  const QStringList folders = resultFolders(dir.path());
  ASSERT_EQ(folders.size(), 1);
  EXPECT_TRUE(folders.at(0).endsWith("_mytag")) << folders.at(0).toStdString();
  EXPECT_TRUE(QFile::exists(path(folders.at(0) + "/FDTD_run.txt")));
  EXPECT_TRUE(QFile::exists(path(folders.at(0) + "/results.h5")));
  // The final folder: the field of 16 points, the configuration copy and
  // results.h5, no scratch or temporary file.
  EXPECT_EQ(lines(path("res/Electric field.txt")).size(), 1 + 16 + 1);
  EXPECT_EQ(QDir(path("res")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"Electric field.txt", "FDTD_run.txt", "results.h5"}));
}

TEST_F(BatchRun, InterruptStopsAfterTheCurrentStepAndWritesResults)
{
  config("1 required\n5 sleepms\n");
  QProcess p;
  p.setProgram(QStringLiteral(LUMORA_BATCH_TESTRUNNER_EXE));
  p.setArguments({"--iterations", "100000", "--out", "res", "FDTD_run.txt"});
  p.setWorkingDirectory(dir.path());
  p.start();
  ASSERT_TRUE(p.waitForStarted());
  QThread::msleep(600);
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 130);
  EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains("Stopped at iteration"));
  const int reached = savedIteration(path("res/Electric field.txt"));
  EXPECT_GT(reached, 0);
  EXPECT_LT(reached, 100000);
}

TEST_F(BatchRun, SetReplacesValuesInTheRunAndItsConfigurationCopy)
{
  config("1 required\n# 64 points\n64 points\n");
  const Result r = runner({"--quiet", "--iterations", "2", "--set", "points=16", "--status-file",
                           "status.txt", "--out", "res", "FDTD_run.txt"},
                          dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(lines(path("res/Electric field.txt")).size(), 1 + 16 + 1);
  EXPECT_EQ(testsupport::readAll(path("res/FDTD_run.txt")), "1 required\n# 64 points\n16 points\n");
  EXPECT_EQ(testsupport::readAll(path("FDTD_run.txt")), "1 required\n# 64 points\n64 points\n");
  EXPECT_TRUE(testsupport::readAll(path("status.txt")).startsWith("exit status 0\nwall time "));
  const Result bad = runner({"--iterations", "2", "--set", "points#2=16", "FDTD_run.txt"}, dir.path());
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.err, "--set points#2=16: fewer than 2 lines have the keyword \"points\"\n");
}

bool isBlank(const QImage &image)
{
  if (image.isNull())
    return true;
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) {
      colours.insert(image.pixel(x, y));
      if (colours.size() > 2)
        return false;
    }
  return true;
}


} // namespace

// --- the real program with the engines ---------------------------------------------

Result batch(const QStringList &arguments, const QString &workDir)
{
  return runProgram(QStringLiteral(LUMORA_BATCH_EXE), arguments, workDir);
}

// The real program: every file of a grid run and of a spectral example, with
// its first lines and a picture that is not blank; the spectral run's final
// progress line (in a log) counts the distance to its end.
TEST_F(BatchRun, RealEnginesWriteEveryResultFileWithItsPicture)
{
  for (const char *example : {"FDTD_lossy_multipole_layers.txt", "UPPE_lorentz_linear.txt"})
    ASSERT_TRUE(QFile::copy(testsupport::sourceDir() + "/examples/" + example, path(example)));
  const struct
  {
    QStringList arguments;
    QList<QStringList> files; // file name, then its first lines
    const char *progress;     // a line of standard error; null: nothing written
  } runs[] = {
      {{"--quiet", "--iterations", "300", "FDTD_lossy_multipole_layers.txt"},
       {{"spectrum in wavelength", "! Magnitude spectrum:"},
        {"spectrum along the layers at 300 (spectrum)", "! Magnitude spectrum:", "! Frequency [THz]\tMagnitude [dBV/m]"},
        {"probe in the last layer1", "! Time [fs]\tE-field [V/m]\r", "!probe in the last layer1"},
        {"Electric field", "! Location [nm]\tElectric field [V/m]"},
        {"Poynting vector", "! Location [nm]\tPoynting vector [W/m^2]"},
        {"spectrum along the layers", "! Spectrogram data:", ""}},
       nullptr},
      {{"UPPE_lorentz_linear.txt"},
       {{"Input signal", "! Time [fs] E field [V/m]"},
        {"Input spectrum", "! Frequency [THz] Magnitude [dBV/m]"},
        {"FFT spectrum", "! Magnitude spectrum:", "! Frequency [THz]\tMagnitude [dBV/m]"},
        {"UPPE E-field", "! Time [fs]\tElectric field [V/m]"},
        {"Conversion efficiency", "! Total energy: ", "! Location [mm]\tEnergy (a.u.)"}},
       "^iteration \\d+  z 0.01 m  \\S+ m/s  100.0%  0:00:00 left$"},
  };
  for (const auto &run : runs) {
    QDir(path("out")).removeRecursively();
    const Result r = batch(QStringList{"--plots", "--out", "out"} + run.arguments, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(run.progress ? QRegularExpression(run.progress, QRegularExpression::MultilineOption).match(r.err).hasMatch()
                             : r.err.isEmpty()) << r.err.toStdString();
    for (const QStringList &file : run.files) {
      const QStringList l = lines(path("out/" + file.first() + ".txt"));
      EXPECT_EQ(l.mid(0, file.size() - 1), file.mid(1)) << file.first().toStdString();
      EXPECT_GT(l.size(), file.size()) << file.first().toStdString();
      EXPECT_FALSE(isBlank(QImage(path("out/" + file.first() + ".png")))) << file.first().toStdString();
    }
  }
  // The spectral run went to its end: the conversion curve reaches 10 mm.
  const QStringList ce = lines(path("out/Conversion efficiency.txt"));
  const int bandBlock = ce.indexOf("! Energy in user-specified band: ");
  ASSERT_GT(bandBlock, 2);
  EXPECT_NEAR(ce.at(bandBlock - 1).split('\t').value(0).toDouble(), 10.5, 0.5);
}
