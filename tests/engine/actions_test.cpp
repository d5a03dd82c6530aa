#include "testengine.h"

#include "engine/breakpoints.h"
#include "engine/loader.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>

namespace {
QStringList withRequired(QStringList lines)
{
  lines.prepend(QStringLiteral("1 required"));
  return lines;
}
} // namespace

TEST(Actions, IterationForm)
{
  TestEngine e(withRequired({"suspend action", "500 iterations"}), "run");
  ASSERT_TRUE(e.isConstructed());
  ASSERT_EQ(e.breakpointCount, 1);
  EXPECT_TRUE(e.hasBreakpoints);
  auto *bp = e.breakpoints.at(0);
  EXPECT_EQ(bp->type, "suspend");
  EXPECT_EQ(bp->targetIteration, 500);
  EXPECT_NE(qobject_cast<SuspendBreakpoint *>(bp), nullptr);
}

TEST(Actions, TimeForm)
{
  // 120 fs at dt = 1e-16 s is iteration 1200
  TestEngine e(withRequired({"saveAll action", "fs tunit", "120 time", "0 file"}), "FDTD_pulse",
               1e-16);
  ASSERT_TRUE(e.isConstructed());
  ASSERT_EQ(e.breakpointCount, 1);
  auto *bp = qobject_cast<SaveAllBreakpoint *>(e.breakpoints.at(0));
  ASSERT_NE(bp, nullptr);
  EXPECT_EQ(bp->targetIteration, static_cast<int>(120 * 1e-15 / 1e-16));
  EXPECT_EQ(bp->fileName, "FDTD_pulse"); // "0" tags with the run name
  EXPECT_EQ(bp->type, "saveAll");
}

TEST(Actions, TimeUnitInCapitalsAndAuto)
{
  TestEngine a(withRequired({"exit action", "FS tunit", "3 time"}), "r", 1e-15);
  ASSERT_TRUE(a.isConstructed());
  EXPECT_EQ(a.breakpoints.at(0)->targetIteration, 3);
  // auto converts with 1e-21: 5e6 auto = 5e-15 s
  TestEngine b(withRequired({"exit action", "auto tunit", "5e6 time"}), "r", 1e-15);
  ASSERT_TRUE(b.isConstructed());
  EXPECT_EQ(b.breakpoints.at(0)->targetIteration, 4); // 4.999... truncated
}

TEST(Actions, TimeBelowOneStepFiresAtTheEnd)
{
  TestEngine e(withRequired({"exit action", "fs tunit", "0.5 time"}), "r", 1e-15, 3);
  ASSERT_EQ(e.breakpointCount, 1);
  EXPECT_EQ(e.breakpoints.at(0)->targetIteration, 0);
  QSignalSpy spy(e.breakpoints.at(0), &AbstractBreakpoint::reached);
  e.step();
  e.step();
  EXPECT_EQ(spy.count(), 0);
  e.step(); // finishes
  EXPECT_EQ(spy.count(), 1);
}

TEST(Actions, IterationsMustFollowTheAnchorDirectly)
{
  TestEngine e(withRequired({"suspend action", "#", "500 iterations"}), "r");
  EXPECT_FALSE(e.isConstructed());
  EXPECT_EQ(e.missingKeyword, "tunit");
}

TEST(Actions, SuspendInCapitalsCreatesNothing)
{
  TestEngine e(withRequired({"SUSPEND action", "5 iterations", "exit action", "7 iterations"}), "r");
  ASSERT_TRUE(e.isConstructed());
  ASSERT_EQ(e.breakpointCount, 1);
  EXPECT_EQ(e.breakpoints.at(0)->type, "exit");
  EXPECT_EQ(e.breakpoints.at(0)->targetIteration, 7);
}

TEST(Actions, SaveLineEnvelopeFileAndMissingFile)
{
  TestEngine a(withRequired({"save_line_envelope action", "10 iterations", "env.txt file"}), "r");
  ASSERT_TRUE(a.isConstructed());
  auto *bp = qobject_cast<SaveLineEnvelopeClass *>(a.breakpoints.at(0));
  ASSERT_NE(bp, nullptr);
  EXPECT_EQ(bp->fileName, "env.txt");

  TestEngine b(withRequired({"save_line_envelope action", "10 iterations"}), "r");
  EXPECT_EQ(b.missingKeyword, "file");
  EXPECT_EQ(b.breakpointCount, 1); // created anyway; the load fails on the keyword
}

TEST(Actions, TwoDueBreakpointsFireInFileOrder)
{
  TestEngine e(withRequired({"save_line_envelope action", "2 iterations", "a.txt file",
                             "saveAll action", "2 iterations", "b file"}),
               "r");
  ASSERT_EQ(e.breakpointCount, 2);
  QStringList order;
  for (auto *bp : e.breakpoints)
    QObject::connect(bp, &AbstractBreakpoint::reached,
                     [&](const QString &type, const QString &f) { order << type + ":" + f; });
  e.step();
  EXPECT_TRUE(order.isEmpty());
  e.step();
  EXPECT_EQ(order, QStringList({"save_line_envelope:a.txt", "saveAll:b"}));
  e.step();
  EXPECT_EQ(order.size(), 2); // fires once
}

TEST(Actions, TargetZeroNeverFiresWithoutAnEnd)
{
  TestEngine e(withRequired({"suspend action", "0 iterations"}), "r");
  QSignalSpy spy(e.breakpoints.at(0), &AbstractBreakpoint::reached);
  for (int i = 0; i < 5; ++i)
    e.step();
  EXPECT_EQ(spy.count(), 0);
}

TEST(Actions, HugeTimeDoesNotOverflow)
{
  TestEngine e(withRequired({"exit action", "s tunit", "1e30 time"}), "r", 1e-15);
  ASSERT_TRUE(e.isConstructed());
  EXPECT_EQ(e.breakpoints.at(0)->targetIteration, INT_MAX);
}

TEST(Actions, AnchorOnLastLine)
{
  TestEngine e(withRequired({"exit action"}), "r");
  EXPECT_EQ(e.missingKeyword, "tunit");
}

TEST(Actions, SameTypeAtTheSameIterationFiresTwice)
{
  TestEngine e(withRequired({"saveAll action", "3 iterations", "0 file", "saveAll action",
                             "3 iterations", "0 file"}),
               "FDTD_ring");
  ASSERT_EQ(e.breakpointCount, 2);
  QStringList tags;
  for (auto *bp : e.breakpoints)
    QObject::connect(bp, &AbstractBreakpoint::reached,
                     [&](const QString &, const QString &f) { tags << f; });
  for (int i = 0; i < 4; ++i)
    e.step();
  EXPECT_EQ(tags, QStringList({"FDTD_ring", "FDTD_ring"}));
}

TEST(Actions, TargetZeroFiresOnceAtTheFinishingStep)
{
  TestEngine e(withRequired({"saveAll action", "0 iterations", "all file"}), "r", 1e-15, 2);
  QSignalSpy spy(e.breakpoints.at(0), &AbstractBreakpoint::reached);
  e.step();
  EXPECT_EQ(spy.count(), 0);
  e.step(); // sets finished
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(1).toString(), "all");
}

TEST(Actions, CheckWithoutBreakpointFlagDoesNothing)
{
  TestEngine e(withRequired({"exit action", "1 iterations"}), "r");
  e.hasBreakpoints = false;
  QSignalSpy spy(e.breakpoints.at(0), &AbstractBreakpoint::reached);
  e.step();
  EXPECT_EQ(spy.count(), 0);
}
