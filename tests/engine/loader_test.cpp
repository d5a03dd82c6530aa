#include "testengine.h"
#include "testsupport.h"

#include "engine/loader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

namespace {
Simulator *testFactory(const QString &type, const QStringList &lines, const QString &runName)
{
  if (type == "FDTD" || type == "UPPE")
    return new TestEngine(lines, runName);
  return nullptr;
}

LoadOutcome load(const QString &path)
{
  return loadConfiguration(path, engineTypeOf(path), runNameOf(path), testFactory);
}
} // namespace

TEST(Loader, NamesFromTheFileName)
{
  EXPECT_EQ(engineTypeOf("/a/b/FDTD_pulse.txt"), "FDTD");
  EXPECT_EQ(runNameOf("/a/b/FDTD_pulse.run.txt"), "FDTD_pulse");
  EXPECT_EQ(engineTypeOf("x/UP"), "UP");
}

TEST(Loader, SuccessKeepsTheEngine)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "FDTD_ok.txt", "# comment\n1 required\n");
  LoadOutcome o = load(path);
  ASSERT_TRUE(o.ok()) << o.message.toStdString();
  EXPECT_TRUE(o.message.isEmpty());
  EXPECT_EQ(o.engine->runName, "FDTD_ok");
  delete o.engine;
}

TEST(Loader, MissingFile)
{
  const LoadOutcome o = load("/nonexistent/FDTD_x.txt");
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message, "Cannot read file /nonexistent/FDTD_x.txt:\nNo such file or directory.");
}

TEST(Loader, DirectoryName)
{
  QTemporaryDir dir;
  const QString path = dir.filePath("FDTD_dir");
  ASSERT_TRUE(QDir().mkdir(path));
  const LoadOutcome o = load(path);
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message, "Cannot read file " + path + ":\nIs a directory.");
}

TEST(Loader, UnreadableFile)
{
  if (geteuid() == 0)
    GTEST_SKIP() << "root reads every file";
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "FDTD_locked.txt", "1 required\n");
  QFile::setPermissions(path, QFileDevice::Permissions());
  const LoadOutcome o = load(path);
  EXPECT_FALSE(o.ok());
  EXPECT_TRUE(o.message.startsWith("Cannot read file " + path + ":\n"));
}

TEST(Loader, UnknownEngineBuildsNothing)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "pulse.txt", "1 required\n");
  const LoadOutcome o = load(path);
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message,
            path + ": Unknown engine. The file name must begin with \"FDTD\" or \"UPPE\".");
  // case-sensitive: "fdtd" is not an engine
  EXPECT_FALSE(load(testsupport::writeFile(dir, "fdtd_x.txt", "1 required\n")).ok());
}

TEST(Loader, UnavailableEngine)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "UPPE_x.txt", "1 required\n");
  const LoadOutcome o = loadConfiguration(path, "UPPE", "UPPE_x", nullptr);
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message, path + ": The UPPE engine is not available.");
}

struct MessageCase
{
  const char *content;
  const char *expectedTail; // after "<path>"
};

class LoaderMessages : public ::testing::TestWithParam<MessageCase>
{
};

TEST_P(LoaderMessages, ExactText)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "FDTD_m.txt", GetParam().content);
  const LoadOutcome o = load(path);
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(o.message.toStdString(), (path + QString::fromUtf8(GetParam().expectedTail)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Engine, LoaderMessages,
    ::testing::Values(
        
        MessageCase{"1 required\npause action\n",
                    ": Syntax error in line 2.\n\"pause action\": expected one of suspend, "
                    "save_line_envelope, exit, saveAll, found \"pause\""},
        MessageCase{"1 required\n1 stopearly\n", ": The configuration could not be loaded completely."}));

TEST(Loader, MissingKeywordMessage)
{
  QTemporaryDir dir;
  const QString path = testsupport::writeFile(dir, "FDTD_m.txt", "# only comments\n\n");
  const LoadOutcome o = load(path);
  EXPECT_EQ(o.message, "Loading " + path + " failed:\n Keyword \"required\" not found.");
}

TEST(Loader, SpecialErrorLines)
{
  TestEngine e({"1 required"}, "r");
  e.errorLine = -1;
  EXPECT_EQ(loadStatusMessage(e, "f.txt"), "f.txt: Enequal number of keywords in the SHAPE section.");
  e.errorLine = -2;
  EXPECT_EQ(loadStatusMessage(e, "f.txt"), "f.txt: User defined pulse file could not be read.");
  e.errorLine = -3; // below -2 counts as success
  EXPECT_EQ(loadStatusMessage(e, "f.txt"), "");
  e.errorLine = 4;
  e.missingKeyword = "size"; // a missing keyword wins over a bad line
  EXPECT_EQ(loadStatusMessage(e, "f.txt"), "Loading f.txt failed:\n Keyword \"size\" not found.");
}

TEST(Loader, SurvivesArbitraryBytesAndLongLines)
{
  QTemporaryDir dir;
  std::mt19937 rng(42);
  for (int round = 0; round < 20; ++round) {
    QByteArray bytes(4096, '\0');
    for (char &b : bytes)
      b = static_cast<char>(rng());
    const LoadOutcome o = load(testsupport::writeFile(dir, "FDTD_r.txt", bytes));
    EXPECT_FALSE(o.ok());
    EXPECT_FALSE(o.message.isEmpty());
  }
  QByteArray longLine(10 * 1024 * 1024, 'a');
  longLine += " required";
  const LoadOutcome big = load(testsupport::writeFile(dir, "UPPE_big.txt", longLine));
  EXPECT_TRUE(big.ok()) << big.message.toStdString();
  delete big.engine;
  const LoadOutcome empty = load(testsupport::writeFile(dir, "UPPE_empty.txt", ""));
  EXPECT_EQ(empty.message, "Loading " + dir.filePath("UPPE_empty.txt") +
                               " failed:\n Keyword \"required\" not found.");
}
