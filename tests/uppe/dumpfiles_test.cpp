// Diagnostic dump files: names, formats, the process-wide counter and the
// report of a file that cannot be created.

#include "uppe/dumpfiles.h"
#include "testsupport.h"
#include "uppetestsupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using uppetest::WorkingDirectoryTest;

TEST(DumpFileName, Templates)
{
  EXPECT_EQ(dumpFileName("Evector", 12), QStringLiteral("Evector_12.txt"));
  EXPECT_EQ(dumpFileName("Evector", 0), QStringLiteral("Evector_.txt"));
  EXPECT_EQ(dumpFileName("Qimag", 0.0), QStringLiteral("Qimag_.txt"));
  EXPECT_EQ(dumpFileName("x", 1.5), QStringLiteral("x_1.50000000000000000000e+00.txt"));
  EXPECT_EQ(dumpFileName("x", -2e-7), QStringLiteral("x_-1.99999999999999990950e-07.txt"));
}

class DumpFiles : public WorkingDirectoryTest
{
};

TEST_F(DumpFiles, WritersUseTheDefaultStreamFormat)
{
  const double values[] = {1.0, 0.5, 1234567.0, 1e-7, -3.25};
  dumpArray("arr", values, 5, 7);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("arr_7.txt")),
            QByteArray("1\n0.5\n1.23457e+06\n1e-07\n-3.25\n"));

  dumpVector("vec", {1.0, 2.0, 3.0}, 2, 0.0);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("vec_.txt")), QByteArray("1\n2\n"));

  dumpWholeVector("whole", {0.125, 100.0});
  EXPECT_EQ(testsupport::readAll(QStringLiteral("whole_.txt")), QByteArray("0.125\n100\n"));

  dumpComplexVector("cplx", {Complex(1.0, -2.0), Complex(0.0, 3.5)}, 0.0);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("cplx_.txt")), QByteArray("1\t-2\n0\t3.5\n"));

  const double y[] = {10.0, 20.0};
  dumpPairs("pairs", {0.1, 0.2}, y, 2, 2.5);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("pairs_2.50000000000000000000e+00.txt")),
            QByteArray("0.1\t10\n0.2\t20\n"));
}

TEST_F(DumpFiles, RewritingTruncates)
{
  const double a[] = {1, 2, 3};
  dumpArray("t", a, 3, 0);
  dumpArray("t", a, 1, 0);
  EXPECT_EQ(testsupport::readAll(QStringLiteral("t_.txt")), QByteArray("1\n"));
}

TEST_F(DumpFiles, FileThatCannotBeCreatedIsReportedOnStandardOutput)
{
  if (geteuid() == 0)
    GTEST_SKIP() << "permissions do not apply to root";
  ASSERT_EQ(chmod(dir.path().toLocal8Bit().constData(), 0500), 0);
  const double a[] = {1};
  ::testing::internal::CaptureStdout();
  dumpArray("nope", a, 1, 3);
  dumpWholeVector("nope", {1.0});
  const std::string out = ::testing::internal::GetCapturedStdout();
  chmod(dir.path().toLocal8Bit().constData(), 0700);
  EXPECT_EQ(out, "Nie utworzono pliku\nNie utworzono pliku\n");
  EXPECT_TRUE(filesHere().isEmpty());
}

TEST_F(DumpFiles, FileInAMissingFolderIsReportedAndNothingElseHappens)
{
  const double a[] = {1};
  ::testing::internal::CaptureStdout();
  dumpArray("no/such/folder/x", a, 1, 3);
  dumpComplexVector("no/such/folder/x", {Complex(1.0, 2.0)}, 0.0);
  dumpPairs("no/such/folder/x", {1.0}, a, 1, 0.0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Nie utworzono pliku\nNie utworzono pliku\nNie utworzono pliku\n");
  EXPECT_TRUE(filesHere().isEmpty());
}

TEST(RightHandSideCounter, AdvancesByOne)
{
  const int before = rightHandSideCounter();
  EXPECT_GE(before, 1);
  EXPECT_EQ(advanceRightHandSideCounter(), before);
  EXPECT_EQ(rightHandSideCounter(), before + 1);
}

} // namespace

#include "uppe/fftwwisdom.h"

#include <QStandardPaths>

#include <fftw3.h>

namespace {

TEST(FftwWisdom, KeptInTheCacheFolder)
{
  QStandardPaths::setTestModeEnabled(true);
  const QString path = fftwWisdomPath();
  EXPECT_TRUE(path.endsWith(QStringLiteral("/lumora/fftw-wisdom"))) << qPrintable(path);
  loadFftwWisdom();
  std::vector<double> a(64);
  fftw_plan plan = fftw_plan_r2r_1d(64, a.data(), a.data(), FFTW_R2HC, FFTW_MEASURE);
  fftw_destroy_plan(plan);
  saveFftwWisdom();
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_FALSE(testsupport::readAll(path).isEmpty());
}

} // namespace
