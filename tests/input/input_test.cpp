// The reader's lookups where the parsers' own tables do not pin them down,
// and the automatic time unit of plots and saved files.

#include "input/lookups.h"
#include "input/units.h"

#include <QTextStream>

#include <gtest/gtest.h>

TEST(Lookups, FindValuesAndLinesAsTheParsersRelyOn)
{
  QString text = "# heading\n\n   # indented\n3 Size # not a comment\n7 size\n  8 other\nsuspend action\n"
                 "5 iterations\nexit action\n5 iterations\nmy long name *x name\n1 code\n9 timeduration\r\n";
  QTextStream stream(&text);
  const QStringList lines = readConfigurationLines(stream);
  ASSERT_EQ(lines.mid(0, 4), QStringList({"#", "", "#", "3 Size # not a comment"}));
  ASSERT_EQ(lines.size(), 13);
  QString missing;
  int line = 0;
  EXPECT_EQ(readValue(lines, "SIZE", missing, line), "3"); // ignoring case, first match
  EXPECT_EQ(line, 4);
  EXPECT_EQ(readValue(lines, "other", missing, line), ""); // a leading blank: the empty value
  EXPECT_EQ(line, 6);
  EXPECT_TRUE(readValue(lines, "heading", missing, line).isNull()); // comments never match
  EXPECT_EQ(missing, "heading");
  EXPECT_EQ(line, 6);
  line = 9; // the anchor "exit action"; its next line is identical to line 8
  EXPECT_EQ(readValueOnLine(lines, "iterations", line), "5");
  EXPECT_EQ(line, 8);
  line = 10;
  EXPECT_TRUE(readValueOnLine(lines, "iterations", line).isNull());
  EXPECT_EQ(line, 10);
  missing.clear();
  EXPECT_TRUE(readValueFrom(lines, "Code", missing, line, 0).isNull()); // case-sensitive
  EXPECT_EQ(missing, "Code");
  EXPECT_EQ(readValueFrom(lines, "time", missing, line, 0), "9"); // a substring
  EXPECT_EQ(line, 13);
  EXPECT_EQ(readValueFrom(lines, "c.de", missing, line, 0), "1"); // a regular expression
  EXPECT_EQ(readValueFrom(lines, "time", missing, line, 99), "9"); // beyond the end: the last line
  EXPECT_EQ(findLineFrom(lines, "size", 5), -1);
  EXPECT_EQ(readTextFrom(lines, "name", missing, line, 0), "my long name");
  EXPECT_EQ(line, 11);
  EXPECT_EQ(findLineFrom(lines, "code", 99), -1); // clamped to the last line, not before it
  line = 12;
  EXPECT_EQ(readValueOnLine(lines, "timeduration", line), "9"); // the last line
  line = 13;
  EXPECT_TRUE(readValueOnLine(lines, "timeduration", line).isNull()); // past the end
}

TEST(Units, AutomaticTimeUnitBands)
{
  struct Case { long long n; double dt; const char *unit; int exponent; };
  const Case cases[] = {{1000, 1e-15, "ps", 12}, {1, 5e-5, "us", 6}, {1, 3e-18, "as", 18},
                        {1, 2e-16, "as", 18}, {1, 2e-15, "fs", 15}, {1, 0.5, "ms", 3}, {1, 1.0, "s", 0},
                        {1, 50.0, "s", 0}, {10, 1e-20, "", 19}, {0, 1e-15, "s", 0}, {1, -1.0, "s", 0}};
  for (const Case &c : cases) {
    const TimeDisplayUnit u = timeDisplayUnit("auto", c.n, c.dt);
    EXPECT_EQ(u.unit, c.unit) << c.dt;
    EXPECT_EQ(u.scale, powerOfTen(c.exponent)) << c.dt;
  }
  EXPECT_EQ(timeDisplayUnit("AUTO", 1000, 1e-15).scale, 1e21); // "auto" only in lower case
  EXPECT_EQ(timeDisplayUnit("FS", 10, 1e-15).scale, 1e15);
  EXPECT_EQ(secondsPerTimeUnit(7), 1e-21);
  for (int k = -22; k <= 22; ++k) // exact powers of ten, the nearest doubles to 10^k
    EXPECT_EQ(powerOfTen(k), std::stod("1e" + std::to_string(k))) << k;
  EXPECT_EQ(frequencyUnitName(15), "PHz");
}
