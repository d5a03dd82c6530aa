// Column and matrix writers: exact text, modes, and atomic replacement.

#include "plots/columnwriter.h"

#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using testsupport::readAll;

namespace {
QStringList entries(const QTemporaryDir &dir)
{
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                    QDir::Name);
}
} // namespace

TEST(ColumnWriter, EightSignificantDigitsAndTabs)
{
  QTemporaryDir dir;
  const QString path = dir.filePath("c.txt");
  const std::vector<double> x{0.1, 1e-9, 1073741824.0, 123456789.0, -0.000125};
  const std::vector<double> y{1.0, -2.5, 0.0, 1.0 / 3.0, 2.0e21};
  ASSERT_TRUE(writeColumns(path, x, y, "! x [um]\ty [V/m]"));
  EXPECT_EQ(readAll(path), QByteArray("! x [um]\ty [V/m]\n"
                                      "0.1\t1\n"
                                      "1e-09\t-2.5\n"
                                      "1.0737418e+09\t0\n"
                                      "1.2345679e+08\t0.33333333\n"
                                      "-0.000125\t2e+21\n"));
}

TEST(ColumnWriter, TruncateThenAppend)
{
  QTemporaryDir dir;
  const QString path = dir.filePath("c.txt");
  testsupport::writeFile(dir, "c.txt", "old content that is longer than the new one\n");
  ASSERT_TRUE(writeColumns(path, {1.0}, {2.0}, "! first"));
  ASSERT_TRUE(writeColumns(path, {3.0}, {4.0}, "! second", QIODevice::WriteOnly | QIODevice::Append));
  EXPECT_EQ(readAll(path), QByteArray("! first\n1\t2\n! second\n3\t4\n"));
  EXPECT_EQ(entries(dir), QStringList{"c.txt"});
}

TEST(MatrixWriter, RowsEndWithATab)
{
  QTemporaryDir dir;
  const QString path = dir.filePath("m.txt");
  const QVector<double> values{1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(writeMatrix(path, values, 2, 3, "! Spectrogram data:\n"));
  EXPECT_EQ(readAll(path), QByteArray("! Spectrogram data:\n\n1\t2\t3\t\n4\t5\t6\t\n"));
}

TEST(MatrixWriter, NeverReadsBeyondTheValues)
{
  // Three rows asked for, values for one and a half: only the full row.
  EXPECT_EQ(formatMatrix(std::vector<double>{1, 2, 3}.data(), 3, 3, 2, "! h"),
            QByteArray("! h\n1\t2\t\n"));
  EXPECT_EQ(formatMatrix(nullptr, 0, 2, 2, "! h"), QByteArray("! h\n"));
}

TEST(AtomicWrite, UnwritableTargetLeavesNothing)
{
  QTemporaryDir dir;
  // A folder that does not exist.
  EXPECT_FALSE(writeColumns(dir.filePath("missing/c.txt"), {1.0}, {2.0}, "! h"));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
  // A target that is a folder.
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
  EXPECT_FALSE(writeColumns(dir.filePath("taken.txt"), {1.0}, {2.0}, "! h"));
  EXPECT_TRUE(QFileInfo(dir.filePath("taken.txt")).isDir());
  EXPECT_FALSE(writeMatrix(dir.filePath("taken.txt"), QVector<double>{1}, 1, 1, "! h"));
  EXPECT_FALSE(writeColumns(dir.filePath("taken.txt"), {1.0}, {2.0}, "! h", QIODevice::Append));
  // No temporary file is left behind.
  EXPECT_EQ(entries(dir), QStringList{"taken.txt"});
}
