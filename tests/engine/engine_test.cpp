// The engine base with the real grid engine: the loader's messages and
// refusals, the action and timing-log sections, breakpoints firing.

#include "enginetestsupport.h"
#include "testsupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

using namespace enginetest;

// Load messages with %1 for the path.
QString missing(const char *keyword) { return QString("Loading %1 failed:\n Keyword \"%2\" not found.").arg("%1", keyword); }
QString syntax(int line, const char *why) { return QString("%1: Syntax error in line %2.\n").arg("%1", QString::number(line)) + why; }

struct LoadCase
{
  const char *name, *file;
  const char *text; // appended to the tiny grid (lines 1 to 18), or "<what to make instead>"
  QString message;
};

class LoadMessages : public WorkingDirectoryTest, public ::testing::WithParamInterface<LoadCase> {};

// The loader lists lines that no keyword of the engine reads before the
// engine's own warnings.
TEST_F(WorkingDirectoryTest, LinesWithoutAKeywordAreWarnedAtLoad)
{
  QString message;
  auto e = loadEngine(write("UPPE_d.txt", tinySpectralRun + "#\n0 dupm\n"), &message);
  ASSERT_TRUE(e) << message.toStdString();
  EXPECT_EQ(e->loadStatus().warnings.value(0), "line 24: \"dupm\" is not a keyword; did you mean \"dump\"?");
  e = loadEngine(write("FDTD_d.txt", tinyGrid + "20 timepionts\n"), &message);
  ASSERT_TRUE(e) << message.toStdString();
  EXPECT_EQ(e->loadStatus().warnings.value(0), "line 19: \"timepionts\" is not a keyword; the line is not read.");
}

// A relative pulse file is looked for beside the configuration, then in the
// working folder; the message names it as written.
TEST_F(WorkingDirectoryTest, PulseFileIsFoundBesideTheConfigurationThenInTheWorkingFolder)
{
  QByteArray text = tinyGrid;
  text.replace("gauss shape", "user shape\npulse.dat file");
  ASSERT_TRUE(QDir(dir.path()).mkdir("run"));
  const QString config = write("run/FDTD_u.txt", text);
  QString message;
  EXPECT_FALSE(loadEngine(config, &message));
  EXPECT_EQ(message.toStdString(), (config + ": User defined pulse file could not be read.\n"
                                    "\"pulse.dat\" (line 14) is not a readable file.").toStdString());
  write("pulse.dat", "0\n1\n0\n");
  EXPECT_TRUE(loadEngine(config, &message)) << message.toStdString();
  write("run/pulse.dat", "0\nnone\n");
  EXPECT_FALSE(loadEngine(config, &message));
  EXPECT_TRUE(message.contains("Line 2 of \"")) << message.toStdString();
}

TEST_P(LoadMessages, AreExact)
{
  const LoadCase &c = GetParam();
  const QString text = c.text, path = dir.filePath(c.file);
  if (text == "<dir>")
    QDir().mkdir(path);
  else if (text == "<device>")
    QFile::link("/dev/zero", path);
  else if (text == "<huge>")
    ASSERT_TRUE(QFile(write(c.file, "")).resize((64ll << 20) + 1)); // one byte over 64 MiB
  else if (text != "<missing>")
    write(c.file, text == "<empty>" ? QByteArray() : tinyGrid + c.text);
  QString message;
  EXPECT_FALSE(loadEngine(path, &message, text == "<no engine>" ? EngineFactory() : createEngine));
  EXPECT_EQ(message.toStdString(), c.message.arg(path).toStdString());
}

const char unknownEngine[] = "%1: Unknown engine. The file name must begin with \"FDTD\" or \"UPPE\".";
const char actionTypesExpected[] = "expected one of suspend, save_line_envelope, exit, saveAll, found ";

INSTANTIATE_TEST_SUITE_P(
    Engine, LoadMessages,
    ::testing::ValuesIn(std::vector<LoadCase>{
        {"Missing", "FDTD_x.txt", "<missing>", "Cannot read file %1:\nNo such file or directory."},
        {"Directory", "FDTD_dir", "<dir>", "Cannot read file %1:\nIs a directory."},
        {"Huge", "FDTD_big.txt", "<huge>", "Cannot read file %1:\nThe file is larger than 64 MiB."},
        {"Device", "FDTD_zero.txt", "<device>", "Cannot read file %1:\nNot a regular file."},
        {"Empty", "FDTD_e.txt", "<empty>", missing("stability")},
        {"NoPrefix", "pulse.txt", "", unknownEngine},
        {"LowerCasePrefix", "fdtd_x.txt", "", unknownEngine},
        {"NoEngine", "UPPE_x.txt", "<no engine>", "%1: The UPPE engine is not available."},
        {"UnequalSectionLines", "FDTD_s.txt", "diel medium\n",
         "%1: Enequal number of keywords in the SHAPE section.\nEvery section needs one \"medium\", one \"meshpoints\" "
         "and one \"parameters\" line; found 2 \"medium\", 1 \"meshpoints\" and 1 \"parameters\" lines."},
        // Actions
        {"UnknownAction", "FDTD_a.txt", "exit action\n1 iterations\npause action\n",
         syntax(21, "\"pause action\": ") + actionTypesExpected + "\"pause\""},
        {"IndentedAction", "FDTD_a.txt", "  exit action\n", syntax(19, "\"exit action\": ") + actionTypesExpected + "nothing"},
        {"NegativeIterations", "FDTD_a.txt", "exit action\n-3 iterations\n",
         syntax(20, "\"-3 iterations\": expected a number of iterations of at least 0, found \"-3\"")},
        {"UnknownTimeUnit", "FDTD_a.txt", "exit action\nxs tunit\n1 time\n",
         syntax(20, "\"xs tunit\": expected one of s, ms, us, ns, ps, fs, as, auto, found \"xs\"")},
        {"ZeroTime", "FDTD_a.txt", "exit action\nfs tunit\n0 time\n", syntax(21, "\"0 time\": expected a value above 0, found \"0\"")},
        {"NoTimeUnit", "FDTD_a.txt", "exit action\n", missing("tunit")},
        {"NoTime", "FDTD_a.txt", "exit action\nfs tunit\n", missing("time")},
        {"TimeUnitNotNext", "FDTD_a.txt", "exit action\n#\n5 iterations\n", missing("tunit")}, // only on the line after the anchor
        {"NoFile", "FDTD_a.txt", "save_line_envelope action\n10 iterations\n", missing("file")},
        // Timing log: "period" and "file" are looked up after the anchor.
        {"PeriodFraction", "FDTD_t.txt", "1 code\n0.5 period\nt.txt file\n",
         syntax(20, "\"0.5 period\": expected a number of iterations of at least 1, found \"0.5\"")},
        {"NoPeriod", "FDTD_t.txt", "1 code\nt.txt file\n", missing("period")},
        {"PeriodBeforeAnchor", "FDTD_t.txt", "5 period\n1 code\nt.txt file\n", missing("period")},
        {"FileBeforeAnchor", "FDTD_t.txt", "t.txt file\n1 code\n5 period\n", missing("file")}}),
    testsupport::ByName());

struct ActionCase
{
  const char *name, *text;       // appended to the tiny grid
  const char *breakpoints; // "type@target ..." in file order
  const char *fired;       // what fired in 100 steps, in order
};

class Actions : public WorkingDirectoryTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(Actions, BecomeBreakpointsThatFireOnceInFileOrder)
{
  QString message;
  const auto engine = loadEngine(write("FDTD_run.txt", tinyGrid + GetParam().text), &message);
  ASSERT_TRUE(engine) << qPrintable(message);
  QStringList made;
  for (const AbstractBreakpoint *b : engine->breakpoints)
    made << b->type + QLatin1Char('@') + QString::number(b->targetIteration);
  EXPECT_EQ(made.join(' ').toStdString(), GetParam().breakpoints);
  FireLog fires(*engine);
  runFor(*engine, 100);
  EXPECT_EQ(fires.log.join(", ").toStdString(), GetParam().fired);
}

// A time step of 10 nm / c = 33.356 as: 1 fs is iteration 29.
INSTANTIATE_TEST_SUITE_P(
    Forms, Actions,
    ::testing::Values(
        ActionCase{"None", "", "", ""},
        // SUSPEND passes the type test but names no action in lower case.
        ActionCase{"OnlyLowerCaseTypes", "suspend action\n5 iterations\nSUSPEND action\n6 iterations\nexit action\n7 iterations\n",
                   "suspend@5 exit@7", "5 suspend, 7 exit"},
        ActionCase{"SavesAtOneIteration", "save_line_envelope action\n2 iterations\na.txt file\nsaveAll action\n2 iterations\n0 file\n"
                   "saveAll action\n2 iterations\nb file\n",
                   "save_line_envelope@2 saveAll@2 saveAll@2", "2 save_line_envelope a.txt, 2 saveAll FDTD_run, 2 saveAll b"},
        ActionCase{"TimesInEveryUnit", "exit action\nfs tunit\n1 time\nexit action\nFS tunit\n2 time\nexit action\nauto tunit\n"
                   "3e6 time\nsuspend action\ns tunit\n1e30 time\n",
                   "exit@29 exit@59 exit@89 suspend@2147483647", "29 exit, 59 exit, 89 exit"},
        // Below one step: target 0, which fires only at the end of the run.
        ActionCase{"BelowOneStep", "exit action\nfs tunit\n0.01 time\n", "exit@0", ""}),
    testsupport::ByName());

TEST_F(WorkingDirectoryTest, TimingLogIsNamedByDateAndFileAndTheLastAnchorWins)
{
  EXPECT_EQ(timingLogFileName(QDateTime(QDate(2026, 12, 5), QTime(13, 5, 9)), "a\\b/c:d*e?f\"g<h>i|j"),
            "5.12.2026 13_05_09 a_b_c_d_e_f_g_h_i_j");
  QElapsedTimer clock;
  clock.start();
  const auto engine = loadEngine(
      write("FDTD_t.txt", tinyGrid + "0 code\n1 code\n10 period\nt:1.txt file\n2 code\n20.7 period\nt2 file\n"));
  ASSERT_TRUE(engine);
  EXPECT_TRUE(engine->timingLogEnabled);
  EXPECT_EQ(engine->timingLogPeriod, 20);
  const QStringList logs = QDir().entryList({"*t_1.txt", "*t2"}, QDir::Files, QDir::Name);
  ASSERT_EQ(logs.size(), 2);
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d{4} \\d\\d_\\d\\d_\\d\\d t2$").match(logs[0]).hasMatch());
  EXPECT_TRUE(engine->timingLog.fileName().endsWith(" t2"));
  // A record every 20 steps: the seconds since load, then (E + H cells) x 4 + 48 bytes.
  ASSERT_EQ(runFor(*engine, 45), 45);
  QFile log(engine->timingLog.fileName());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QStringList records = QString(log.readAll()).split('\n');
  ASSERT_EQ(records.size(), 5) << records.join('|').toStdString();
  EXPECT_TRUE(records[0].toDouble() > 0.0 && records[2].toDouble() >= records[0].toDouble() &&
              records[2].toDouble() <= 1e-3 * double(clock.elapsed() + 1));
  EXPECT_EQ(records[1] + records[3] + records[4], "212212"); // 20 + 21 cells
  EXPECT_FALSE(loadEngine(write("FDTD_n.txt", tinyGrid + "0 code\n"))->timingLogEnabled);
}

} // namespace
