// Configurations that once crashed, hung or exhausted memory, ask for more
// than the caps allow, name pulse files that are no files, or run into
// non-finite values that must end the run (data/FDTD_*.txt, data/UPPE_*.txt;
// they also seed the fuzzer). Each is loaded in a fresh working directory
// that holds a pulse file "pulse.txt" and a FIFO "pulse.fifo", and, when it
// loads, run for a step budget. A comment line states the outcome ("\n" in it is a line break):
//   "# expect load failure: <message>"  the exact load message; %1 is the path
//   "# expect run failure: <message>"   it loads, and the run ends with exactly this runFailure
//   "# expect run"                      it loads and runs its budget without a failure

#include "engine/enginetestsupport.h"
#include "testsupport.h"

#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

using namespace enginetest;

QString dataDir() { return testsupport::sourceDir() + "/tests/robustness/data/"; }

std::vector<std::string> dataFiles()
{
  std::vector<std::string> names;
  for (const QString &file : QDir(dataDir()).entryList({"FDTD*.txt", "UPPE*.txt"}, QDir::Files, QDir::Name))
    names.push_back(file.chopped(4).toStdString());
  return names;
}

class FuzzRegression : public WorkingDirectoryTest, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(FuzzRegression, LoadsOrFailsCleanlyAndRuns)
{
  const QString name = QString::fromStdString(GetParam()) + ".txt";
  const QByteArray content = testsupport::readAll(dataDir() + name);
  const QRegularExpressionMatch expected =
      QRegularExpression("^# expect (load failure|run failure|run)(?:: (.*))?$", QRegularExpression::MultilineOption)
          .match(QString::fromUtf8(content));
  ASSERT_TRUE(expected.hasMatch()) << qPrintable(name) << " states no expected outcome";
  const QString kind = expected.captured(1), text = expected.captured(2).replace("\\n", "\n");
  write("pulse.txt", "# recorded pulse\n0\n0.5\n1\n0.5\n\n0\n-0.25\n");
  ASSERT_EQ(::mkfifo("pulse.fifo", 0600), 0);
  ::alarm(60); // a load that waits for the FIFO's writer ends the test program
  QString message;
  const QString path = write(name, content);
  const auto engine = loadEngine(path, &message);
  ::alarm(0);
  if (kind == "load failure") {
    EXPECT_FALSE(engine);
    EXPECT_EQ(message.toStdString(), text.arg(path).toStdString());
    return;
  }
  ASSERT_TRUE(engine) << qPrintable(message);
  const long long points = std::max(1, engine->pointCount());
  const int budget = engine->progressAxis() == ProgressAxis::Distance ? int(std::clamp<long long>(400000 / (16 * points), 1, 3))
                                             : int(std::clamp<long long>(400000 / points, 1, 300));
  // A run expected to fail runs until it ends (bounded: the failure must come).
  runFor(*engine, kind == "run failure" ? 5000 : budget);
  EXPECT_TRUE(engine->finished || kind != "run failure");
  EXPECT_EQ(engine->runFailure.toStdString(), text.toStdString());
  // What the plots and the saving read after a run.
  EXPECT_LE(std::size_t(std::max(0, engine->pointCount())), engine->electricField().size());
}

INSTANTIATE_TEST_SUITE_P(Data, FuzzRegression, ::testing::ValuesIn(dataFiles()), [](const auto &info) {
  return QString::fromStdString(info.param).replace(QRegularExpression("\\W"), "_").toStdString();
});

} // namespace
