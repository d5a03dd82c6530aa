// Save All, the results folder and its file names, and the electric-field
// save of the save_line_envelope breakpoint.

#include "fakeengine.h"

#include "plots/resultsaving.h"

#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <utility>

using testsupport::readAll;

namespace {

const QDateTime fixedTime(QDate(2026, 12, 5), QTime(13, 5, 9));

struct Messages
{
  QList<std::pair<QString, int>> list;
  StatusReporter reporter()
  {
    return [this](const QString &m, int t) { list.append({m, t}); };
  }
  QStringList texts() const
  {
    QStringList t;
    for (const auto &m : list)
      t << m.first;
    return t;
  }
};

QStringList filesIn(const QString &folder)
{
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(ResultsFolder, NameForAFixedDate)
{
  EXPECT_EQ(resultsFolderName(fixedTime, QString()), "Simulation results 5.12.2026 13_05_09_");
  EXPECT_EQ(resultsFolderName(fixedTime, "run:A/b"), "Simulation results 5.12.2026 13_05_09_run_A_b");
  EXPECT_EQ(resultsFolderPath("/base", fixedTime, "x"),
            "/base/Simulation results 5.12.2026 13_05_09_x/");
  EXPECT_EQ(resultsFolderPath(QString(), fixedTime, "x"),
            QCoreApplication::applicationDirPath() + "/Simulation results 5.12.2026 13_05_09_x/");
}

struct NamesCase
{
  QStringList names;
  Qt::CaseSensitivity cs;
  QStringList files;
};

class ResultFileNames : public ::testing::TestWithParam<NamesCase>
{
};

TEST_P(ResultFileNames, DuplicateAndCaseRules)
{
  const NamesCase c = GetParam();
  EXPECT_EQ(resultFileNames(c.names, c.cs), c.files);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultFileNames,
    ::testing::Values(
        NamesCase{{"A", "B"}, Qt::CaseSensitive, {"A.txt", "B.txt"}},
        NamesCase{{"A", "A"}, Qt::CaseSensitive, {"A_1.txt", "A_2.txt"}},
        NamesCase{{"A", "a"}, Qt::CaseSensitive, {"A.txt", "a.txt"}},
        NamesCase{{"A", "a"}, Qt::CaseInsensitive, {"A_1.txt", "a_2.txt"}},
        NamesCase{{"x", "A", "B", "A"}, Qt::CaseSensitive, {"x_1.txt", "A_2.txt", "B_3.txt", "A_4.txt"}},
        NamesCase{{"probe/1"}, Qt::CaseInsensitive, {"probe_1.txt"}},
        NamesCase{{"a/b", "a_b"}, Qt::CaseSensitive, {"a_b_1.txt", "a_b_2.txt"}},
        NamesCase{{"w\\1:*?\"<>|"}, Qt::CaseSensitive, {"w_1_______.txt"}},
        NamesCase{{}, Qt::CaseSensitive, {}}));

class SaveAll : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    config = testsupport::writeFile(dir, "FDTD_run.txt", "1 required\n");
    base = dir.filePath("results");
    ASSERT_TRUE(QDir().mkpath(base));
  }
  QString folder(const QString &tag = QString()) const
  {
    return resultsFolderPath(base, fixedTime, tag);
  }

  QTemporaryDir dir;
  QString config;
  QString base;
  Messages messages;
};

TEST_F(SaveAll, FdtdSpectraAndProbes)
{
  FakeEngine e;
  e.addFourier("A", 0.5, 0.25, 1.0, 10.0);
  e.addFourier("A", 0.0, 1.0, 0.0, 10.0);
  e.addProbe("p/1", "fs", 1.0, 2.0, {3.0, 4.0});
  e.addProbe("Q", "ps", 0.0, 1.0, {1e-9});

  const SaveAllOutcome out = saveAllResults(&e, config, base, "tag", fixedTime, messages.reporter());
  EXPECT_TRUE(out.folderCreated);
  EXPECT_TRUE(out.succeeded());
  EXPECT_EQ(out.folder, folder("tag"));
  EXPECT_EQ(out.savedFiles, 5);
  EXPECT_EQ(out.failedFiles, 0);
  EXPECT_EQ(filesIn(out.folder),
            (QStringList{"A_1.txt", "A_2.txt", "FDTD_run.txt", "Q.txt", "p_1.txt"}));
  EXPECT_EQ(readAll(out.folder + "FDTD_run.txt"), QByteArray("1 required\n"));
  EXPECT_EQ(readAll(out.folder + "A_2.txt"), QByteArray("! Magnitude spectrum:\n"
                                                        "! Frequency [THz]\tMagnitude [dBV/m]\n"
                                                        "0\t20\n"
                                                        "! Phase spectrum:\n"
                                                        "! Frequency [THz]\t Radians\n"
                                                        "0\t0\n"));
  EXPECT_EQ(readAll(out.folder + "p_1.txt"), QByteArray("! Time [fs]\tE-field [V/m]\r\n"
                                                        "!p/1\n"
                                                        "1\t3\n"
                                                        "3\t4\n"));
  EXPECT_EQ(readAll(out.folder + "Q.txt"), QByteArray("! Time [ps]\tE-field [V/m]\r\n"
                                                      "!Q\n"
                                                      "0\t1e-09\n"));
  EXPECT_EQ(messages.list,
            (QList<std::pair<QString, int>>{{"Saved spectrum 1", 0},
                                            {"Saved spectrum 2", 0},
                                            {"Saved spectrum 1", 0},
                                            {"Saved spectrum 2", 0},
                                            {"All files have been saved", 2000}}));
}

TEST_F(SaveAll, UppeInputSignalSpectrumAndPlots)
{
  FakeEngine e("UPPE_run");
  e.timeSignal = true;
  e.timePoints = {0.0, 0.5, 1.0};
  e.inputField = {0.0, 1e-9, -2.0};
  e.frequencies = {0.0, 1.0, 2.0, 3.0};
  e.initialSpectrumDb = {-std::numeric_limits<double>::infinity(), 6.0, 12.0, 99.0};
  e.spectrumDb = {-1.0, -2.0, -3.0};
  e.df = 1.0;
  e.dt = 0.5;
  e.field = {1.0, 2.0, 1073741824.0};
  const QString uppeConfig = testsupport::writeFile(dir, "UPPE_run.txt", "uppe\n");
  const SaveAllOutcome out =
      saveAllResults(&e, uppeConfig, base, "UPPE_run", fixedTime, messages.reporter());
  EXPECT_TRUE(out.succeeded());
  EXPECT_EQ(filesIn(out.folder), (QStringList{"FFT spectrum.txt", "Input signal.txt",
                                              "Input spectrum.txt", "UPPE E-field.txt",
                                              "UPPE_run.txt"}));
  EXPECT_EQ(readAll(out.folder + "Input signal.txt"), QByteArray("! Time [fs] E field [V/m]\n"
                                                                 "0\t0\n"
                                                                 "0.5\t1e-09\n"
                                                                 "1\t-2\n"));
  // The input spectrum covers the engine's spectral points.
  EXPECT_EQ(readAll(out.folder + "Input spectrum.txt"),
            QByteArray("! Frequency [THz] Magnitude [dBV/m]\n"
                       "0\t-inf\n"
                       "1\t6\n"
                       "2\t12\n"));
  EXPECT_EQ(readAll(out.folder + "FFT spectrum.txt"), QByteArray("! Magnitude spectrum:\n"
                                                                 "! Frequency [THz]\tMagnitude [dBV/m]\n"
                                                                 "0\t-1\n"
                                                                 "1\t-2\n"
                                                                 "2\t-3\n"));
  EXPECT_EQ(readAll(out.folder + "UPPE E-field.txt"), QByteArray("! Time [fs]\tElectric field [V/m]\n"
                                                                 "0\t1\n"
                                                                 "0.5\t2\n"
                                                                 "1\t1.0737418e+09\n"));
  EXPECT_EQ(messages.list, (QList<std::pair<QString, int>>{{"Saved input signal", 0},
                                                           {"Saved input signal", 0},
                                                           {"All files have been saved", 2000}}));
}

TEST_F(SaveAll, FolderThatCannotBeCreatedIsReportedAndNothingIsWritten)
{
  FakeEngine e;
  e.addFourier("A", 0, 1, 0, 10.0);
  // The base is a file, so no folder can be made below it.
  const QString fileBase = testsupport::writeFile(dir, "plainfile", "x");
  const SaveAllOutcome out =
      saveAllResults(&e, config, fileBase, QString(), fixedTime, messages.reporter());
  EXPECT_FALSE(out.folderCreated);
  EXPECT_FALSE(out.succeeded());
  EXPECT_EQ(out.savedFiles, 0);
  ASSERT_EQ(messages.list.size(), 1);
  EXPECT_TRUE(messages.list.at(0).first.startsWith("Saving failed"));
  EXPECT_TRUE(messages.list.at(0).first.contains("Simulation results 5.12.2026 13_05_09_"));
  EXPECT_EQ(messages.list.at(0).second, 2000);
  EXPECT_FALSE(messages.texts().contains("All files have been saved"));
  EXPECT_EQ(readAll(fileBase), QByteArray("x"));
}

TEST_F(SaveAll, UnwritableFileIsReportedAndLeavesNoPartialFile)
{
  FakeEngine e;
  e.addFourier("A", 0, 1, 0, 10.0);
  e.addFourier("B", 0, 1, 0, 10.0);
  // A folder in the way of "A.txt".
  ASSERT_TRUE(QDir().mkpath(folder() + "A.txt"));
  const SaveAllOutcome out = saveAllResults(&e, config, base, QString(), fixedTime, messages.reporter());
  EXPECT_TRUE(out.folderCreated);
  EXPECT_EQ(out.failedFiles, 1);
  EXPECT_FALSE(out.succeeded());
  EXPECT_EQ(filesIn(out.folder), (QStringList{"B.txt", "FDTD_run.txt"}));
  ASSERT_EQ(messages.list.size(), 3);
  EXPECT_EQ(messages.list.at(0), std::make_pair(QString("Saving failed"), 2000));
  EXPECT_EQ(messages.list.at(1), std::make_pair(QString("Saved spectrum 2"), 0));
  EXPECT_TRUE(messages.list.at(2).first.startsWith("Saving failed: 1 file(s)"));
  EXPECT_EQ(messages.list.at(2).second, 2000);
}

TEST(SaveLineEnvelope, WritesThePresentField)
{
  QTemporaryDir dir;
  FakeEngine e;
  e.field = {0.5, -1.0};
  e.spacing = 2.0;
  const QString path = dir.filePath("line.txt");
  ASSERT_TRUE(saveElectricFieldEnvelope(&e, path));
  EXPECT_EQ(readAll(path), QByteArray("! Location [um]\tElectric field [V/m]\n"
                                      "0\t0.5\n"
                                      "2\t-1\n"));
  EXPECT_FALSE(saveElectricFieldEnvelope(&e, dir.filePath("missing/line.txt")));
  EXPECT_FALSE(saveElectricFieldEnvelope(nullptr, path));
}
