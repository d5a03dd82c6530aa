// Parameter sweeps: the overrides and the expansion of runs in process, and
// lumora-sweep end to end with the real lumora-batch next to it.

#include "app/batch/batchprogress.h"
#include "app/batch/configoverrides.h"
#include "app/sweep/sweepcheck.h"
#include "app/sweep/sweepplan.h"
#include "app/sweep/sweepsummary.h"
#include "childprocess.h"
#include "input/physicalconstants.h"
#include "testsupport.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <ostream>
#include <set>

namespace {

// The scalars of a run read back from its result files, against sums worked
// out here (trapezoids, power-weighted moments), and CSV fields that survive
// commas, quotes and blanks.
TEST(SweepScalars, AreTheSumsOfTheResultFiles)
{
  QTemporaryDir grid, spectral;
  testsupport::writeFile(grid, "Electric field.txt", "! Location [nm]\tElectric field [V/m]\n0\t1\n10\t-2\n");
  testsupport::writeFile(grid, "F.txt", "! Magnitude spectrum:\n! Frequency [THz]\tMagnitude [dBV/m]\n300\t0\n310\t10\n320\t-10\n");
  testsupport::writeFile(spectral, "Input signal.txt", "");
  testsupport::writeFile(spectral, "Conversion efficiency.txt", "! Total\n! z [m]\tE\n0\t4\n1\t2\n! Band\n! z [m]\tE\n0\t1\n1\t0.5\n");
  testsupport::writeFile(spectral, "Input spectrum.txt", "! Frequency [THz]\tMagnitude [dB]\n0\t0\n2\t0\n");
  testsupport::writeFile(spectral, "FFT spectrum.txt", "! Frequency [THz]\tMagnitude [dB]\n1\t0\n3\t10\n");
  testsupport::writeFile(spectral, "UPPE E-field.txt", "! Time [fs]\tE-field [V/m]\n0\t1\n1\t-1\n3\t2\n");
  QStringList got;
  for (const QTemporaryDir *d : {&grid, &spectral})
    for (const RunScalar &r : runScalars(d->path()))
      got << r.name + " = " + QString::number(r.value, 'g', 10);
  const double mean = (0 + 1 + 3 * 4) / 6.0, centroid = (1 + 3 * 10) / 11.0;
  const auto g = [](double v) { return QString::number(v, 'g', 10); };
  EXPECT_EQ(got, (QStringList{"E-field energy [J/m^2] = " + g(0.5 * physconst::epsilon0 * 25e-9), "peak |E| [V/m] = 2",
                              "F: peak frequency [THz] = 310", "F: integrated power (a.u.) = 105.5",
                              "total energy (a.u.) = 2", "band energy (a.u.) = 0.5", "conversion efficiency [%] = 12.5",
                              "spectral centroid [THz] = " + g(centroid),
                              "spectral rms width [THz] = " + g(std::sqrt((std::pow(1 - centroid, 2) + 10 * std::pow(3 - centroid, 2)) / 11)),
                              "rms duration [fs] = " + g(std::sqrt((mean * mean + std::pow(1 - mean, 2) + 4 * std::pow(3 - mean, 2)) / 6))}));
  for (const QString field : {"plain", "a,b", "say \"hi\"", " padded", "two\nlines"})
    EXPECT_EQ(csvFields(csvField(field) + "," + csvField(field)), QStringList({field, field}));
  EXPECT_EQ(csvField("plain") + csvField("a,b") + csvField("q\""), "plain\"a,b\"\"q\"\"\"");
}

// A summary that cannot be written names the file or folder and is reported as a failure.
TEST(SweepSummary, AFileThatCannotBeWrittenIsNamed)
{
  QTemporaryDir d;
  testsupport::writeFile(d, "plots", ""); // a file where the pictures' folder belongs
  const QList<SummaryRow> rows = {{"run-0001", {"1"}, "ok", {}, {{"peak |E| [V/m]", 2.0}}}};
  QString problem;
  EXPECT_FALSE(writeSummary(d.path(), {"a"}, rows, true, problem));
  EXPECT_EQ(problem, "cannot create \"" + d.filePath("plots") + "\"");
  EXPECT_FALSE(writeSummary(d.filePath("plots"), {"a"}, rows, false, problem));
  EXPECT_EQ(problem, "cannot write \"" + d.filePath("plots/summary.csv") + "\"");
}

// --- overrides -------------------------------------------------------------------

struct OverrideCase
{
  QStringList sets;
  QStringList expected; // the lines afterwards; empty: refused
  const char *problem;
};
void PrintTo(const OverrideCase &c, std::ostream *os) { *os << c.sets.join(' ').toStdString(); }

// A case's name made from its printed parameter.
const auto byPrintedName = [](const auto &info) { return testsupport::caseName(::testing::PrintToString(info.param)); };

using Overrides = ::testing::TestWithParam<OverrideCase>;

TEST_P(Overrides, ReplaceTheValueTokensOfTheLineTheReaderFinds)
{
  QStringList raw = {"# 1e8 0 amplitude in a comment", "1e8 0 amplitude", "4096 timepoints",
                     "1000 timeduration", "Spectrum A *name", "  3 1 amplitude  * second pulse", "2 amplitude"};
  QList<ConfigOverride> list;
  QString problem;
  for (const QString &s : GetParam().sets) {
    ConfigOverride o;
    ASSERT_TRUE(parseOverride(s, o, problem)) << problem.toStdString();
    list << o;
  }
  const bool ok = applyOverrides(raw, list, problem);
  EXPECT_EQ(ok, !GetParam().expected.isEmpty()) << problem.toStdString();
  if (ok)
    EXPECT_EQ(raw, GetParam().expected);
  else
    EXPECT_EQ(problem, QLatin1String(GetParam().problem));
}

const QStringList comment = {"# 1e8 0 amplitude in a comment"};
const OverrideCase overrideCases[] = {
    {{"amplitude=5e8"}, comment + QStringList{"5e8 amplitude", "4096 timepoints", "1000 timeduration",
                                              "Spectrum A *name", "  3 1 amplitude  * second pulse", "2 amplitude"}, ""},
    // The last two lines hold the second and third occurrences.
    {{"amplitude#2=2e9   100", "name=Map B", "amplitude#3=7"},
     comment + QStringList{"1e8 0 amplitude", "4096 timepoints", "1000 timeduration", "Map B *name",
                           "2e9 100 amplitude  * second pulse", "7 amplitude"}, ""},
    // Whole words, as the reader's: "time" is not part of "timepoints",
    // "Spectrum" is part of a name, not a keyword.
    {{"time=8192"}, {}, "--set time=8192: no line has the keyword \"time\" (line 3 \"4096 timepoints\" "
                        "holds it only inside \"timepoints\")"},
    {{"Spectrum=1"}, {}, "--set Spectrum=1: no line has the keyword \"Spectrum\""},
    {{"centre=375"}, {}, "--set centre=375: no line has the keyword \"centre\""},
    {{"timepionts=8192"}, {},
     "--set timepionts=8192: no line has the keyword \"timepionts\"; did you mean \"timepoints\"?"},
    {{"ration=1"}, {}, "--set ration=1: no line has the keyword \"ration\" (line 4 \"1000 timeduration\" "
                       "holds it only inside \"timeduration\")"},
    {{"amplitude#4=1"}, {}, "--set amplitude#4=1: fewer than 4 lines have the keyword \"amplitude\""}};
INSTANTIATE_TEST_SUITE_P(Table, Overrides, ::testing::ValuesIn(overrideCases), byPrintedName);

// The time left after 1 % of a run is right within a factor of two, also when
// the run starts slowly (5 s for the first 0.1 %, then 1 % per second).
TEST(RemainingTime, FollowsTheRateAfterASlowStart)
{
  const auto share = [](double t) { return t <= 5.0 ? 0.0002 * t : 0.001 + 0.01 * (t - 5.0); };
  const double end = 5.0 + 99.9;
  RemainingTime estimate;
  EXPECT_LT(estimate.secondsLeft(), 0.0);
  estimate.add(0.05, 0.0); // nothing done yet: unknown
  EXPECT_LT(estimate.secondsLeft(), 0.0);
  for (double t = 0.1; t < end; t += 0.1) {
    estimate.add(t, share(t));
    if (share(t) >= 0.01) {
      const double left = estimate.secondsLeft(), truth = end - t;
      ASSERT_GT(left, 0.5 * truth) << t;
      ASSERT_LT(left, 2.0 * truth) << t;
    }
  }
  estimate.add(end, 1.0);
  EXPECT_EQ(estimate.secondsLeft(), 0.0);
  RemainingTime two; // the rate between two samples, not the mean since 0
  two.add(1.0, 0.1);
  two.add(2.0, 0.3);
  EXPECT_NEAR(two.secondsLeft(), 0.7 * 1.0 / 0.2, 1e-12);
  two.add(5.0, 0.7);
  EXPECT_NEAR(two.secondsLeft(), 0.3 * 3.0 / 0.4, 1e-12); // since the last sample at or below half the share done
  RemainingTime coarse; // two samples in one tick of a coarse clock: the mean rate
  coarse.add(1.0, 0.1), coarse.add(1.0, 0.5);
  EXPECT_NEAR(coarse.secondsLeft(), 1.0, 1e-12);
}

TEST(OverrideText, IsRefusedWithAReason)
{
  const std::pair<const char *, const char *> table[] = {
      {"amplitude", "\"amplitude\" is not KEY=VALUE"}, {"amplitude=", "\"amplitude=\" has no value after \"=\""},
      {"=3", "\"=3\" has no keyword before \"=\""}, {"#2=3", "\"#2=3\" has no keyword before \"=\""},
      {"amplitude#0=1", "\"amplitude#0=1\": the number after \"#\" must be a whole number of at least 1"},
      {"name=#x", "\"name=#x\": a value beginning with \"#\" would turn the line into a comment"}};
  for (const auto &[text, expected] : table) {
    ConfigOverride o;
    QString problem;
    EXPECT_FALSE(parseOverride(QLatin1String(text), o, problem)) << text;
    EXPECT_EQ(problem, QLatin1String(expected));
  }
}

// --- expansion -------------------------------------------------------------------

struct ExpansionCase
{
  QStringList vary;
  bool zip;
  QList<QStringList> runs; // empty: refused
  const char *problem;
};
void PrintTo(const ExpansionCase &c, std::ostream *os)
{
  *os << c.vary.join(' ').toStdString() << (c.zip ? " zip" : "");
}

using Expansion = ::testing::TestWithParam<ExpansionCase>;

TEST_P(Expansion, GivesTheRunsInOrder)
{
  QList<VaryList> lists;
  QString problem;
  bool ok = true;
  for (const QString &v : GetParam().vary) {
    VaryList l;
    ok = ok && parseVary(v, l, problem);
    lists << l;
  }
  QList<SweepRun> runs;
  ok = ok && expandRuns(lists, GetParam().zip, runs, problem);
  ASSERT_EQ(ok, !GetParam().runs.isEmpty()) << problem.toStdString();
  if (!ok) {
    EXPECT_EQ(problem, QLatin1String(GetParam().problem));
    return;
  }
  QList<QStringList> values;
  for (const SweepRun &r : runs)
    values << r.values;
  EXPECT_EQ(values, GetParam().runs);
  EXPECT_EQ(runs.last().number, runs.size());
}

const ExpansionCase expansionCases[] = {
    {{"amplitude=5e8 0, 1e9 0", "size=1,2,3"}, false,
     {{"5e8 0", "1"}, {"5e8 0", "2"}, {"5e8 0", "3"}, {"1e9 0", "1"}, {"1e9 0", "2"}, {"1e9 0", "3"}}, ""},
    {{"a=1,2", "b#2=x,y"}, true, {{"1", "x"}, {"2", "y"}}, ""},
    {{"a=linspace:0:1:5"}, false, {{"0"}, {"0.25"}, {"0.5"}, {"0.75"}, {"1"}}, ""},
    {{"a=logspace:1e-3:10:5"}, false, {{"0.001"}, {"0.01"}, {"0.1"}, {"1"}, {"10"}}, ""},
    {{"a=linspace:3:7:1"}, false, {{"3"}}, ""}, // one value: the start
    {{"a=1,2", "b=1,2,3"}, true, {}, "--zip needs lists of equal length: a has 2 values, b has 3"},
    {{"a=linspace:0:1"}, false, {},
     "--vary a=linspace:0:1: expected linspace:START:STOP:COUNT with numbers and COUNT of at least 1"},
    {{"a=linspace:0:1:0"}, false, {},
     "--vary a=linspace:0:1:0: expected linspace:START:STOP:COUNT with numbers and COUNT of at least 1"},
    {{"a=linspace:inf:1:3"}, false, {},
     "--vary a=linspace:inf:1:3: expected linspace:START:STOP:COUNT with numbers and COUNT of at least 1"},
    {{"a=linspace:0:nan:3"}, false, {},
     "--vary a=linspace:0:nan:3: expected linspace:START:STOP:COUNT with numbers and COUNT of at least 1"},
    {{"a=logspace:0:1:3"}, false, {}, "--vary a=logspace:0:1:3: logspace needs START and STOP above 0"},
    {{"a=logspace:1:0:3"}, false, {}, "--vary a=logspace:1:0:3: logspace needs START and STOP above 0"},
    {{"amplitude"}, false, {}, "--vary \"amplitude\" is not KEY=VALUE"},
    {{"a=linspace:0:1:1000", "b=linspace:0:1:1000"}, false, {},
     "the --vary lists expand to 1000000 runs; at most 999999 are allowed"},
    {{"a=1,,2"}, false, {}, "--vary a: empty value or value beginning with \"#\" in \"1,,2\""}};
INSTANTIATE_TEST_SUITE_P(Table, Expansion, ::testing::ValuesIn(expansionCases), byPrintedName);

// Data files the template names relatively are made absolute when they lie
// beside it: a user pulse's file and a tabulated medium's table, never an
// action's output file, numbers or files that are not there.
TEST(SweepDataFiles, RelativeDataFilesBecomeAbsolute)
{
  QTemporaryDir dir;
  for (const char *name : {"pulse.dat", "glass.dat", "line.txt"})
    testsupport::writeFile(dir, name, "1\n");
  QStringList raw = {"user shape", "pulse.dat file", "save_line_envelope action", "50 iterations",
                     "line.txt file", "  glass.dat 1e-20 1 2 0.2 parameters", "1 1 parameters",
                     "missing.dat parameters", "# glass.dat parameters"};
  QString problem;
  ASSERT_TRUE(absoluteDataFiles(raw, dir.path(), problem)) << problem.toStdString();
  const QString folder = QFileInfo(dir.path()).absoluteFilePath() + "/";
  EXPECT_EQ(raw, QStringList({"user shape", folder + "pulse.dat file", "save_line_envelope action", "50 iterations",
                              "line.txt file", "  " + folder + "glass.dat 1e-20 1 2 0.2 parameters",
                              "1 1 parameters", "missing.dat parameters", "# glass.dat parameters"}));
  // A path with a blank cannot stand on a configuration line.
  ASSERT_TRUE(QDir(dir.path()).mkdir("with blank"));
  testsupport::writeFile(dir, "with blank/pulse.dat", "1\n");
  raw = QStringList{"user shape", "pulse.dat file"};
  EXPECT_FALSE(absoluteDataFiles(raw, dir.filePath("with blank"), problem));
  EXPECT_TRUE(problem.startsWith("line 2: the data file \"pulse.dat\" lies at \"")) << problem.toStdString();
}

// A spectral run without a conversion-efficiency section still has its total
// energy: the power spectrum summed bin by bin, as the engine sums it.
TEST(SweepScalars, SpectralTotalEnergyWithAndWithoutConversionFile)
{
  QTemporaryDir dir;
  testsupport::writeFile(dir, "Input signal.txt", "! Time [fs] E field [V/m]\n0\t0\n");
  testsupport::writeFile(dir, "FFT spectrum.txt",
                         "! Magnitude spectrum:\n! Frequency [THz]\tMagnitude [dBV/m]\n0\t0\n0.5\t10\n1\t-inf\n");
  const auto total = [&dir]() {
    for (const RunScalar &s : runScalars(dir.path()))
      if (s.name == "total energy (a.u.)")
        return s.value;
    return -1.0;
  };
  EXPECT_DOUBLE_EQ(total(), (1 + 10 + 0) * 0.5);
  testsupport::writeFile(dir, "Conversion efficiency.txt",
                         "! Total energy: \n! Location [mm]\tEnergy (a.u.)\n1\t4\n2\t3\n"
                         "! Energy in user-specified band: \n! Location [mm]\tEnergy (a.u.)\n1\t0.5\n2\t1\n");
  EXPECT_DOUBLE_EQ(total(), 3);
}

// A grid run's spectrum on a wavelength grid peaks at a wavelength.
TEST(SweepScalars, WavelengthSpectrumPeaksAtAWavelength)
{
  QTemporaryDir dir;
  testsupport::writeFile(dir, "W.txt",
                         "! Magnitude spectrum:\n! Wavelength [um]\tMagnitude [dBV/m]\n0.6\t-3\n0.3\t1\n"
                         "! Phase spectrum:\n! Wavelength [um]\t Radians\n0.6\t0\n0.3\t0\n");
  QStringList names;
  for (const RunScalar &s : runScalars(dir.path()))
    names << s.name + "=" + QString::number(s.value);
  EXPECT_TRUE(names.contains("W: peak wavelength [um]=0.3")) << names.join(", ").toStdString();
}

TEST(SweepArguments, UsageErrorsNameWhatIsWrong)
{
  const std::pair<QStringList, const char *> table[] = {
      {{"FDTD_a.txt", "--vary", "a=1"}, "--out DIR is required"},
      {{"--out", "d", "--vary", "a=1"}, "no template configuration file given"},
      {{"a.txt", "b.txt", "--out", "d"}, "more than one template configuration file given"},
      {{"--collect", "d", "FDTD_a.txt"}, "--collect DIR takes no template, --vary or --emit"},
      {{"FDTD_a.txt", "--out", "d"}, "nothing to vary: give at least one --vary KEY=V1,V2,..."},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--jobs", "0"},
       "--jobs needs a whole number of at least 1, not \"0\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--iterations", "x"},
       "--iterations needs a whole number of at least 0, not \"x\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--iterations", "-1"},
       "--iterations needs a whole number of at least 0, not \"-1\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--jobs", "x"}, "--jobs needs a whole number of at least 1, not \"x\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--max-wall", "inf"},
       "--max-wall needs a number of seconds above 0, not \"inf\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--max-wall", "x"}, "--max-wall needs a number of seconds above 0, not \"x\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--max-wall", "0"}, "--max-wall needs a number of seconds above 0, not \"0\""},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--vary", "a=2"}, "--vary a is given twice"},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a"}, "--vary \"a\" is not KEY=VALUE"},
      {{"FDTD_a.txt", "--bogus"}, "Unknown option 'bogus'."},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--sbatch", "--time=1:00:00"}, "--sbatch is only for --emit slurm"},
      {{"FDTD_a.txt", "--out", "d", "--vary", "a=1", "--emit", "slurm", "--sbatch", "time=1"},
       "--sbatch needs one sbatch option such as \"--time=02:00:00\", not \"time=1\""}};
  for (const auto &[arguments, expected] : table) {
    SweepOptions o;
    QString problem, help;
    EXPECT_EQ(parseSweepArguments(arguments, o, problem, help), 2) << expected;
    EXPECT_EQ(problem, QLatin1String(expected));
  }
  // What a valid command line sets, and what it leaves at its default.
  for (const bool given : {false, true}) {
    SweepOptions o;
    QString problem, help;
    const QStringList flags = given ? QStringList{"--plots", "--zip", "--quiet", "--jobs", "3", "--iterations", "70"} : QStringList();
    ASSERT_EQ(parseSweepArguments(QStringList{"FDTD_a.txt", "--out", "d", "--vary", "a=1,2"} + flags, o, problem, help), 0)
        << problem.toStdString();
    EXPECT_EQ(QStringList({o.templateFile, o.outDir, runFolderName(12)}), QStringList({"FDTD_a.txt", "d", "run-0012"}));
    EXPECT_TRUE(o.plots == given && o.zip == given && o.quiet == given && o.vary.size() == 1);
    EXPECT_EQ(o.jobs + o.iterations, given ? 73 : -1);
  }
}

// --- end to end ------------------------------------------------------------------

// Rows of a CSV file as field lists (the header first).
QList<QStringList> csv(const QString &path)
{
  QList<QStringList> rows;
  for (const QString &line : QString::fromUtf8(testsupport::readAll(path)).split('\n', Qt::SkipEmptyParts))
    rows << csvFields(line);
  return rows;
}

// The column of a named field in a CSV table.
QStringList column(const QList<QStringList> &rows, const QString &name)
{
  const int c = rows.value(0).indexOf(name);
  QStringList values;
  for (int i = 1; i < rows.size(); ++i)
    values << rows.at(i).value(c);
  return values;
}

// A 200-cell vacuum grid, a Gaussian source at cell 20 and a spectrum at cell 120.
const QByteArray gridConfig = R"(1 stability
1 threads
nm measure
10 size
1 physical
1d problem
diel medium
200 meshpoints
1 1 parameters
point geometry
20 z-location
0 1 0 amplitude
gauss shape
THz funit
fs tunit
375 centre
3 duration
200 3dB
fourier typeOf
line *name
120 z-location
0 use
100 50 800 start
1 itstart
end itend
THz anyunit
)";

class Sweep : public ::testing::Test
{
protected:
  void SetUp() override { testsupport::writeFile(dir, "FDTD_sweep.txt", gridConfig); }
  Result sweep(const QStringList &arguments)
  {
    return runProgram(QStringLiteral(LUMORA_SWEEP_EXE), QStringList{"FDTD_sweep.txt"} + arguments, dir.path());
  }
  QString path(const QString &name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

TEST_F(Sweep, SixRunsWithTwoJobsGiveManifestFoldersAndSummary)
{
  testsupport::writeFile(dir, "FDTD_sweep.txt", QByteArray(gridConfig).replace("1 threads", "8 threads"));
  const Result r = sweep({"--vary", "amplitude=0 1 0,0 2 0,0 3 0", "--vary", "meshpoints=150,200",
                          "--iterations", "300", "--jobs", "2", "--out", "out", "--plots"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.err.count(QRegularExpression("\\[\\d/6\\] run-000\\d  amplitude=")), 6) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains('\r')) << "a progress bar drawn into a log file";
  // Two jobs share the cores: each grid run gets its part of them (at most
  // the eight the template asks for).
  const int threads = std::min(8, std::max(1, QThread::idealThreadCount() / 2));
  EXPECT_TRUE(r.err.contains(QStringLiteral("Each grid run uses %1 thread(s): %2 core(s) shared by 2 job(s)")
                                 .arg(threads).arg(QThread::idealThreadCount())))
      << r.err.toStdString();
  const QList<QStringList> manifest = csv(path("out/manifest.csv"));
  ASSERT_EQ(manifest.size(), 7);
  EXPECT_EQ(manifest.at(0), QStringList({"run", "amplitude", "meshpoints", "status", "exit code", "wall time [s]"}));
  EXPECT_EQ(manifest.at(4).mid(0, 5), QStringList({"run-0004", "0 2 0", "200", "ok", "0"}));
  // The wall time as the run's batch wrote it ("wall time 0.123 s").
  EXPECT_EQ("wall time " + manifest.at(4).at(5) + " s",
            QString(testsupport::readAll(path("out/run-0004/batch-status.txt"))).split('\n').at(1));
  // Each folder holds its own configuration, with only the varied values changed.
  QByteArray expected = gridConfig;
  expected.replace("0 1 0 amplitude", "0 2 0 amplitude").replace("1 threads", QByteArray::number(threads) + " threads");
  EXPECT_TRUE(r.err.contains("(the template asks for 8)")) << r.err.toStdString();
  EXPECT_EQ(testsupport::readAll(path("out/run-0004/FDTD_sweep.txt")), expected);

  const QList<QStringList> summary = csv(path("out/summary.csv"));
  ASSERT_EQ(summary.size(), 7);
  EXPECT_EQ(summary.at(0).mid(0, 5), QStringList({"run", "amplitude", "meshpoints", "status", "warnings"}));
  const QStringList peaks = column(summary, "peak |E| [V/m]"), lineFreq = column(summary, "line: peak frequency [THz]");
  for (int i = 0; i < 6; ++i) {
    // The field is linear in the amplitude; the spectrum peaks near the 375 THz carrier.
    EXPECT_NEAR(peaks.at(i).toDouble(), (i / 2 + 1) * peaks.at(i % 2).toDouble(), 1e-7 * peaks.at(i).toDouble());
    EXPECT_NEAR(lineFreq.at(i).toDouble(), 375, 25);
  }
  EXPECT_EQ(QImage(path("out/plots/peak _E_ [V_m].png")).size(), QSize(1000, 620));
}

// A run whose envelope file cannot be written fails; one on cells too coarse
// for the pulse warns; both are reported and listed with their status.
TEST_F(Sweep, FailedRunsAndWarningsAreReportedAndListed)
{
  testsupport::writeFile(dir, "FDTD_sweep.txt", gridConfig + "save_line_envelope action\n50 iterations\nline.txt file\n");
  const Result r = sweep({"--zip", "--vary", "size=10,200,10", "--vary", "file=line.txt,line.txt,missing/line.txt",
                          "--iterations", "100", "--out", "out"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("run-0002  size=200  file=line.txt  ok")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("s  (1 warning(s): Section 1 (cells 1 to 200, lossless dielectric): 2.22 cells per"));
  EXPECT_TRUE(r.err.contains("run-0003  size=10  file=missing/line.txt  failed"));
  EXPECT_TRUE(r.err.contains("(exit code 3): Iteration 50: saving the electric field envelope in \"missing/line.txt\" failed."));
  const QList<QStringList> manifest = csv(path("out/manifest.csv"));
  EXPECT_EQ(column(manifest, "status"), QStringList({"ok", "ok", "failed"}));
  EXPECT_EQ(column(manifest, "exit code"), QStringList({"0", "0", "3"}));
  const QList<QStringList> summary = csv(path("out/summary.csv"));
  EXPECT_EQ(column(summary, "status"), QStringList({"ok", "ok", "failed"}));
  const QStringList warnings = column(summary, "warnings");
  EXPECT_EQ(warnings.at(0), "0");
  EXPECT_TRUE(warnings.at(1).startsWith("1: Section 1 (cells 1 to 200, lossless dielectric): 2.22 cells per"));
  const QStringList peaks = column(summary, "peak |E| [V/m]");
  EXPECT_FALSE(peaks.at(0).isEmpty());
  EXPECT_TRUE(peaks.at(2).isEmpty()); // a failed run has no scalars
}

// Refused before any run folder or job file is written: a run whose
// configuration cannot load (with the loader's two lines), and grid runs
// without an end.
TEST_F(Sweep, RunsThatCannotRunAreRefusedBeforeAnything)
{
  const std::pair<QStringList, QString> table[] = {
      {{"--vary", "meshpoints=200,0.5", "--iterations", "100"},
       "lumora-sweep: run-0002 (meshpoints=0.5) cannot be loaded; nothing was run:\n"
       "FDTD_sweep.txt: Syntax error in line 8.\n"},
      {{"--vary", "meshpoints=200,0.5", "--iterations", "100", "--emit", "slurm"},
       "lumora-sweep: run-0002 (meshpoints=0.5) cannot be loaded; nothing was run:\n"},
      {{"--vary", "meshpoints=150,200", "--emit", "parallel"},
       "lumora-sweep: run-0001 (meshpoints=150) has no end (no dynamic spectrogram and no exit action at a "
       "positive iteration); nothing was run. Give --iterations N or --max-wall SECONDS.\n"},
  };
  for (const auto &[arguments, message] : table) {
    const Result r = sweep(arguments + QStringList{"--out", "out"});
    EXPECT_EQ(r.exitCode, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith(message)) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("out"))) << arguments.join(' ').toStdString();
  }
  // Asked for help: the usage on standard output, success, nothing written.
  const Result help = sweep({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("--vary")) << help.out.toStdString();
  EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
}

// The shipped tabulated example sweeps from another folder: its data file is
// found beside the template and named absolutely in every run.
TEST_F(Sweep, RelativeDataFilesAreFoundBesideTheTemplate)
{
  ASSERT_TRUE(QDir(dir.path()).mkdir("template"));
  for (const char *file : {"UPPE_tabulated_index.txt", "doped_glass_index.dat"})
    ASSERT_TRUE(QFile::copy(testsupport::sourceDir() + "/examples/" + file, path(QStringLiteral("template/") + file)));
  const Result r = runProgram(LUMORA_SWEEP_EXE,
                              {"template/UPPE_tabulated_index.txt", "--vary", "size=1,2", "--out", "out",
                               "--emit", "slurm", "--sbatch", "--time=00:10:00", "--sbatch", "--mem=1G"},
                              dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QString data = QFileInfo(path("template/doped_glass_index.dat")).absoluteFilePath();
  EXPECT_TRUE(lines(path("out/run-0002/UPPE_tabulated_index.txt")).contains(data + " parameters"));
  EXPECT_TRUE(testsupport::readAll(path("out/sweep.sbatch"))
                  .contains("#SBATCH --array=1-2\n#SBATCH --cpus-per-task=1\n#SBATCH --time=00:10:00\n"
                            "#SBATCH --mem=1G\n"));
}

TEST_F(Sweep, InterruptAndKillLeaveAResumableSweep)
{
  // Runs of about 0.2 s each, one at a time.
  const QStringList args = {"--vary", "amplitude=0 1 0,0 2 0,0 3 0,0 4 0", "--iterations", "1000000",
                            "--jobs", "1", "--out", "out"};
  // Ctrl+C: the running run writes its results; the others are marked "not run".
  QProcess p;
  p.setWorkingDirectory(dir.path());
  p.start(LUMORA_SWEEP_EXE, QStringList{"FDTD_sweep.txt"} + args);
  ASSERT_TRUE(p.waitForStarted());
  // Interrupt once the second run has started (and installed its handler),
  // however slow the machine.
  while (!QFileInfo::exists(path("out/run-0002/batch-log.txt")) && p.state() == QProcess::Running)
    QThread::msleep(5);
  QThread::msleep(100);
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 130);
  QStringList status = column(csv(path("out/manifest.csv")), "status");
  EXPECT_EQ(status.at(0), "ok");
  EXPECT_EQ(status.last(), "not run");
  EXPECT_TRUE(status.contains("interrupted")) << status.join(',').toStdString();
  const QByteArray first = testsupport::readAll(path("out/run-0001/batch-status.txt"));

  // Killed outright: its running lumora-batch still stops and saves.
  p.start(LUMORA_SWEEP_EXE, QStringList{"FDTD_sweep.txt"} + args);
  ASSERT_TRUE(p.waitForStarted());
  QThread::msleep(150);
  p.kill();
  p.waitForFinished();
  QThread::msleep(200); // its lumora-batch saves and ends

  const Result again = sweep(args);
  ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
  EXPECT_TRUE(again.err.contains("runs are complete from an earlier sweep")) << again.err.toStdString();
  EXPECT_FALSE(again.err.contains("run-0001"));
  EXPECT_EQ(testsupport::readAll(path("out/run-0001/batch-status.txt")), first);
  EXPECT_EQ(column(csv(path("out/manifest.csv")), "status"), QStringList({"ok", "ok", "ok", "ok"}));
  EXPECT_EQ(csv(path("out/summary.csv")).size(), 5);
}

TEST_F(Sweep, EmittedJobsRunWithGnuParallelAndAreCollected)
{
  const QString parallel = QStandardPaths::findExecutable("parallel");
  ASSERT_FALSE(parallel.isEmpty()) << "GNU parallel missing: run scripts/install-dependencies.sh";
  // A template asking for 0 threads (every core) gets the share of one job.
  testsupport::writeFile(dir, "FDTD_sweep.txt", QByteArray(gridConfig).replace("1 threads", "0 threads"));
  const Result e = sweep({"--vary", "amplitude=0 1 0,0 2 0", "--vary", "size=10,20", "--iterations",
                          "200", "--out", "out", "--emit", "parallel"});
  ASSERT_EQ(e.exitCode, 0) << e.err.toStdString();
  EXPECT_TRUE(e.err.contains(QStringLiteral("Each grid run uses 1 thread(s): %1 core(s) shared by %1 job(s) (the "
                                            "template asks for 0)").arg(QThread::idealThreadCount()))) << e.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(path("out/run-0001/batch-status.txt"))); // nothing ran
  QProcess p;
  p.setStandardInputFile(path("out/jobs.txt"));
  p.start(parallel, {"--will-cite", "--jobs", "2"});
  ASSERT_TRUE(p.waitForFinished(60000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const Result c = runProgram(LUMORA_SWEEP_EXE, {"--collect", "out"}, dir.path());
  ASSERT_EQ(c.exitCode, 0) << c.err.toStdString();
  const QList<QStringList> summary = csv(path("out/summary.csv"));
  ASSERT_EQ(summary.size(), 5);
  // Twice the amplitude, four times the energy.
  const QStringList energy = column(summary, "E-field energy [J/m^2]");
  EXPECT_NEAR(energy.at(2).toDouble() / energy.at(0).toDouble(), 4.0, 1e-6);
}

TEST_F(Sweep, SlurmScriptRunsTaskByTask)
{
  // "0 threads" (as many as the node offers) asks Slurm for no particular count.
  const QStringList args = {"--vary", "amplitude=0 1 0,0 2 0,0 3 0", "--vary", "threads=0,0,0", "--zip",
                            "--iterations", "100", "--out", "out", "--emit", "slurm"};
  const Result e = sweep(args);
  ASSERT_EQ(e.exitCode, 0) << e.err.toStdString();
  const QString script = path("out/sweep.sbatch");
  EXPECT_TRUE(testsupport::readAll(script).contains("\n#SBATCH --array=1-3\n#SBATCH --output=")) << testsupport::readAll(script).toStdString();
  EXPECT_EQ(runProgram("bash", {"-n", script}, dir.path()).exitCode, 0);
  for (int task = 1; task <= 3; ++task) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SLURM_ARRAY_TASK_ID", QString::number(task));
    const Result t = runProgram("bash", {script}, "/", env);
    EXPECT_EQ(t.exitCode, 0) << t.err.toStdString();
  }
  EXPECT_NE(runProgram("bash", {script}, dir.path()).exitCode, 0); // outside Slurm
  ASSERT_EQ(runProgram(LUMORA_SWEEP_EXE, {"--collect", "out"}, dir.path()).exitCode, 0);
  EXPECT_EQ(column(csv(path("out/manifest.csv")), "status"), QStringList({"ok", "ok", "ok"}));
  // Re-emitting a finished sweep has nothing left to do.
  const Result again = sweep(args);
  EXPECT_TRUE(again.err.startsWith("All 3 runs are complete; nothing to emit.")) << again.err.toStdString();
  // Runs 1 and 3 lost their results: the array names just those.
  QFile::remove(path("out/run-0001/batch-status.txt"));
  QFile::remove(path("out/run-0003/batch-status.txt"));
  ASSERT_EQ(sweep(args).exitCode, 0);
  EXPECT_TRUE(testsupport::readAll(script).contains("\n#SBATCH --array=1,3\n")) << testsupport::readAll(script).toStdString();
  // A manifest that cannot be written fails the sweep, naming it.
  ASSERT_TRUE(QFile::remove(path("out/manifest.csv")) && QDir(dir.path()).mkpath("out/manifest.csv/x"));
  const Result blocked = sweep(args);
  EXPECT_EQ(blocked.exitCode, 3);
  EXPECT_TRUE(blocked.err.endsWith("cannot write \"" + path("out/manifest.csv") + "\"\n")) << blocked.err.toStdString();
}

} // namespace
