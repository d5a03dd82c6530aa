#include "testengine.h"

#include "engine/breakpoints.h"
#include "engine/performancecounter.h"

#include <QDateTime>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Simulator, FreshEngineState)
{
  TestEngine e({"1 required"}, "FDTD_run");
  EXPECT_TRUE(e.isConstructed());
  EXPECT_EQ(e.runName, "FDTD_run");
  EXPECT_EQ(e.iteration, 0);
  EXPECT_FALSE(e.finished);
  EXPECT_FALSE(e.hasBreakpoints);
  EXPECT_EQ(e.errorLine, 0);
  EXPECT_TRUE(e.missingKeyword.isEmpty());
  EXPECT_TRUE(e.probeTimeUnit(0).isNull());
  EXPECT_TRUE(e.spectrumAxisLabel().isNull());
  EXPECT_EQ(e.timeAxisLabel(0), "Time []");
  EXPECT_TRUE(e.fourierNames().isEmpty());
  EXPECT_TRUE(e.poyntingEnvelope().empty());
  EXPECT_TRUE(e.fourierMagnitudes(3).empty());
  EXPECT_EQ(e.spectrogram(0), nullptr);
  EXPECT_EQ(&e.conversionCurveA(), &e.conversionPositions());
}

TEST(Simulator, CheckBreakpointsNeedsTheFlag)
{
  TestEngine e({"1 required"}, "r");
  auto *bp = new SuspendBreakpoint("suspend", 1);
  e.breakpoints.append(bp);
  e.breakpointCount = 1;
  QSignalSpy spy(bp, &AbstractBreakpoint::reached);
  e.step();
  EXPECT_EQ(spy.count(), 0); // hasBreakpoints false: nothing happens
  e.hasBreakpoints = true;
  e.iteration = 0;
  e.step();
  EXPECT_EQ(spy.count(), 1);
}

TEST(PerformanceCounter, MonotonicNanoseconds)
{
  const auto a = performanceCounter();
  const auto b = performanceCounter();
  EXPECT_LE(a, b);
  EXPECT_EQ(performanceFrequency(), 1000000000);
}

TEST(TimingLog, NameFromDateTimeAndFile)
{
  const QDateTime t(QDate(2026, 12, 5), QTime(13, 5, 9));
  EXPECT_EQ(timingLogFileName(t, "log:a.txt"), "5.12.2026 13_05_09 log_a.txt");
  EXPECT_EQ(timingLogFileName(t, "a*b?c\"d<e>f|g\\h/i"), "5.12.2026 13_05_09 a_b_c_d_e_f_g_h_i");
}

class TimingLogSection : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(dir.isValid());
    previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
  }
  void TearDown() override { QDir::setCurrent(previous); }
  QStringList logs() const { return QDir(dir.path()).entryList(QDir::Files); }
  QTemporaryDir dir;
  QString previous;
};

TEST_F(TimingLogSection, CodeZeroNeedsNothingElse)
{
  TestEngine e({"0 code", "1 required"}, "r");
  EXPECT_TRUE(e.isConstructed());
  EXPECT_FALSE(e.timingLogEnabled);
  EXPECT_TRUE(logs().isEmpty());
}

TEST_F(TimingLogSection, OpensLogAndReadsPeriod)
{
  TestEngine e({"1 code", "100.7 period", "t:x.txt file", "1 required"}, "r");
  EXPECT_TRUE(e.isConstructed());
  EXPECT_TRUE(e.timingLogEnabled);
  EXPECT_EQ(e.timingLogPeriod, 100);
  ASSERT_EQ(logs().size(), 1);
  EXPECT_TRUE(logs().first().endsWith(" t_x.txt"));
  EXPECT_FALSE(logs().first().contains(':'));
}

TEST_F(TimingLogSection, SecondAnchorReplacesTheFirst)
{
  TestEngine e({"1 code", "10 period", "first.txt file", "2 code", "20 period", "second.txt file",
                "1 required"},
               "r");
  EXPECT_TRUE(e.timingLogEnabled);
  EXPECT_EQ(e.timingLogPeriod, 20);
  EXPECT_TRUE(e.timingLog.fileName().endsWith("second.txt"));
  EXPECT_EQ(logs().size(), 2); // the first one stays, closed and empty
}

struct TimingFailure
{
  QStringList lines;
  int errorLine;
  const char *missing;
};

class TimingLogFailures : public TimingLogSection, public ::testing::WithParamInterface<TimingFailure>
{
};

TEST_P(TimingLogFailures, Reported)
{
  const TimingFailure f = GetParam();
  TestEngine e(f.lines, "r");
  EXPECT_FALSE(e.isConstructed());
  EXPECT_EQ(e.errorLine, f.errorLine);
  EXPECT_EQ(e.missingKeyword, QString::fromLatin1(f.missing));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, TimingLogFailures,
    ::testing::Values(TimingFailure{{"1 code", "x.txt file"}, 0, "period"},
                      TimingFailure{{"1 code", "0.5 period", "x.txt file"}, 2, ""},
                      TimingFailure{{"1 code", "abc period", "x.txt file"}, 2, ""},
                      TimingFailure{{"x.txt file", "1 code", "5 period"}, 0, "file"},
                      // "period" is searched from the line after the anchor
                      TimingFailure{{"5 period", "1 code", "x.txt file"}, 0, "period"}));

TEST_F(TimingLogSection, AnchorOnLastLineDoesNotLoop)
{
  TestEngine e({"1 required", "0 code"}, "r");
  EXPECT_TRUE(e.isConstructed());
}
