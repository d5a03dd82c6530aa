#include "input/units.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Units, Lists)
{
  EXPECT_EQ(timeUnits, QStringList({"s", "ms", "us", "ns", "ps", "fs", "as", "auto"}));
  EXPECT_EQ(lengthUnits, QStringList({"m", "mm", "um", "nm"}));
  EXPECT_EQ(frequencyUnits, QStringList({"Hz", "kHz", "MHz", "GHz", "THz", "PHz"}));
}

TEST(Units, PowersOfTen)
{
  EXPECT_EQ(secondsPerTimeUnit(5), 1e-15);
  EXPECT_EQ(secondsPerTimeUnit(7), 1e-21); // auto in a written time
  EXPECT_EQ(lengthScaleOf("MM"), 0.001);
  EXPECT_EQ(lengthScaleOf("nm"), 1e-9);
  EXPECT_EQ(lengthScaleOf("km"), 0.0);
  EXPECT_EQ(2.5 * hertzPerFrequencyUnit("THz"), 2.5e12);
  EXPECT_EQ(frequencyUnitName(12), "THz");
  EXPECT_EQ(frequencyUnitName(15), "PHz");
  EXPECT_TRUE(frequencyUnitName(18).isEmpty());
  EXPECT_EQ(powerOfTen(30), std::pow(10.0, 30));
}

struct AutoCase
{
  long long n;
  double dt;
  const char *unit;
  int exponent;
};

class AutomaticTimeUnit : public ::testing::TestWithParam<AutoCase>
{
};

TEST_P(AutomaticTimeUnit, Bands)
{
  const AutoCase c = GetParam();
  const TimeDisplayUnit u = automaticTimeUnit(c.n, c.dt);
  EXPECT_EQ(u.unit, QString::fromLatin1(c.unit));
  EXPECT_EQ(u.exponent, c.exponent);
  EXPECT_EQ(u.scale, powerOfTen(c.exponent));
}

INSTANTIATE_TEST_SUITE_P(
    Units, AutomaticTimeUnit,
    ::testing::Values(AutoCase{1000, 1e-15, "ps", 12}, // 1e-12 s
                      AutoCase{1, 5e-5, "us", 6},     AutoCase{1, 3e-18, "as", 18},
                      AutoCase{1, 2e-16, "as", 18},   AutoCase{1, 2e-15, "fs", 15},
                      AutoCase{1, 0.5, "ms", 3},      AutoCase{1, 1.0, "s", 0},
                      AutoCase{1, 50.0, "s", 0},      AutoCase{10, 1e-20, "", 19},
                      AutoCase{0, 1e-15, "s", 0},     AutoCase{1, -1.0, "s", 0}));

TEST(TimeDisplayUnit, AutoOnlyInLowerCase)
{
  const TimeDisplayUnit a = timeDisplayUnit("auto", 1000, 1e-15);
  EXPECT_EQ(a.unit, "ps");
  EXPECT_DOUBLE_EQ(1e-15 * a.scale, 0.001);
  const TimeDisplayUnit caps = timeDisplayUnit("AUTO", 1000, 1e-15);
  EXPECT_EQ(caps.unit, "AUTO");
  EXPECT_EQ(caps.scale, 1e21);
  const TimeDisplayUnit fs = timeDisplayUnit("FS", 10, 1e-15);
  EXPECT_EQ(fs.scale, 1e15);
  EXPECT_EQ(fs.unit, "FS");
}
