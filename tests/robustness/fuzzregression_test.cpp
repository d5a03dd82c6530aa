// Every input the configuration fuzzer found to crash, hang or exhaust memory
// stays here as a data file (data/FDTD_*.txt, data/UPPE_*.txt). Each is loaded
// through the real reader and engine factory in a fresh working directory and,
// when it loads, run for the fuzzer's step budget. A comment line near the
// top of each file states the expected outcome:
//   "# expect load failure: <text>"  the load fails with a message containing <text>
//   "# expect run failure: <text>"   it loads, and the run ends with runFailure containing <text>
//   "# expect run"                   it loads and runs its budget without a failure

#include "robustnesssupport.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

using namespace robustness;

QString dataDir() { return testsupport::sourceDir() + QStringLiteral("/tests/robustness/data"); }

std::vector<std::string> dataFiles()
{
  std::vector<std::string> names;
  QDirIterator it(dataDir(), {QStringLiteral("FDTD*.txt"), QStringLiteral("UPPE*.txt")}, QDir::Files);
  while (it.hasNext())
    names.push_back(QFileInfo(it.next()).fileName().toStdString());
  std::sort(names.begin(), names.end());
  return names;
}

struct Expectation
{
  enum Kind { Unknown, LoadFailure, RunFailure, Runs } kind = Unknown;
  QString text;
};

Expectation expectationOf(const QByteArray &content)
{
  static const QRegularExpression pattern(
      QStringLiteral("^#\\s*expect (load failure|run failure|run)(?::\\s*(.*))?$"));
  for (const QByteArray &line : content.split('\n')) {
    const QRegularExpressionMatch m = pattern.match(QString::fromUtf8(line).trimmed());
    if (!m.hasMatch())
      continue;
    Expectation e;
    const QString kind = m.captured(1);
    e.kind = kind == QLatin1String("load failure") ? Expectation::LoadFailure
             : kind == QLatin1String("run failure") ? Expectation::RunFailure
                                                    : Expectation::Runs;
    e.text = m.captured(2).trimmed();
    return e;
  }
  return Expectation();
}

class FuzzRegression : public WorkingDirectoryTest, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(FuzzRegression, LoadsOrFailsCleanlyAndRuns)
{
  const QString name = QString::fromStdString(GetParam());
  const QByteArray content = testsupport::readAll(dataDir() + QLatin1Char('/') + name);
  ASSERT_FALSE(content.isEmpty()) << qPrintable(name);
  const Expectation expected = expectationOf(content);
  ASSERT_NE(expected.kind, Expectation::Unknown) << qPrintable(name) << " states no expected outcome";

  // The pulse file the fuzzer offers to configurations that name one.
  write(QStringLiteral("pulse.txt"), "# recorded pulse\n0\n0.5\n1\n0.5\n\n0\n-0.25\n");
  const QString path = write(name, content);
  Loaded loaded = loadEngine(path);
  if (expected.kind == Expectation::LoadFailure) {
    ASSERT_FALSE(loaded.engine) << qPrintable(name) << " loaded";
    EXPECT_TRUE(loaded.message.contains(expected.text)) << qPrintable(loaded.message);
    return;
  }
  ASSERT_TRUE(loaded.engine) << qPrintable(loaded.message);
  Simulator &engine = *loaded.engine;
  const long long points = std::max(1, engine.pointCount());
  const int budget = engine.hasTimeSignal()
                         ? int(std::clamp<long long>(400000 / (16 * points), 1, 3))
                         : int(std::clamp<long long>(400000 / points, 1, 300));
  // A run expected to fail runs until it ends (bounded: the failure must come).
  runFor(engine, expected.kind == Expectation::RunFailure ? 5000 : budget);
  if (expected.kind == Expectation::RunFailure) {
    EXPECT_TRUE(engine.finished);
    EXPECT_TRUE(engine.runFailure.contains(expected.text)) << qPrintable(engine.runFailure);
  } else {
    EXPECT_TRUE(engine.runFailure.isEmpty()) << qPrintable(engine.runFailure);
  }
  // What the plots and the saving read after a run.
  EXPECT_LE(std::size_t(std::max(0, engine.pointCount())), engine.electricField().size());
}

std::string testName(const ::testing::TestParamInfo<std::string> &info)
{
  std::string s = info.param.substr(0, info.param.size() - 4); // without ".txt"
  for (char &c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)))
      c = '_';
  return s;
}

INSTANTIATE_TEST_SUITE_P(Data, FuzzRegression, ::testing::ValuesIn(dataFiles()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

} // namespace
