// The reader's lookups where the parsers' own tables do not pin them down,
// and the automatic time unit of plots and saved files.

#include "input/lookups.h"
#include "input/tokens.h"
#include "input/units.h"
#include "input/vocabulary.h"

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
  // "value@line": what a lookup returned ("<null>": nothing) and the line it left; onLine reads the line after
  // the anchor line.
  const auto got = [&line](const QString &v) {
    return ((v.isNull() ? "<null>" : v) + '@' + QString::number(line)).toStdString();
  };
  const auto onLine = [&](const char *key, int anchor) { return got(readValueOnLine(lines, key, line = anchor)); };
  EXPECT_EQ(got(readValue(lines, "SIZE", missing, line)), "3@4"); // ignoring case, first match
  EXPECT_EQ(got(readValue(lines, "other", missing, line)), "@6"); // a leading blank: the empty value
  EXPECT_EQ(got(readValue(lines, "heading", missing, line)), "<null>@6"); // comments never match
  EXPECT_EQ(missing, "heading");
  EXPECT_EQ(onLine("iterations", 9), "5@10"); // the anchor "exit action"; its next line (10) is identical to line 8
  EXPECT_EQ(onLine("iterations", 10), "<null>@10");
  missing.clear();
  EXPECT_TRUE(readValueFrom(lines, "Code", missing, line, 0).isNull()); // case-sensitive
  EXPECT_EQ(missing, "Code");
  EXPECT_TRUE(readValueFrom(lines, "time", missing, line, 0).isNull()); // no part of a word
  EXPECT_EQ(got(readValueFrom(lines, "timeduration", missing, line, 0)), "9@13");
  EXPECT_TRUE(readValueFrom(lines, "c.de", missing, line, 0).isNull()); // no pattern
  EXPECT_EQ(readValueFrom(lines, "timeduration", missing, line, 99), "9"); // beyond the end: the last line
  EXPECT_EQ(findLineFrom(lines, "size", 5), -1);
  EXPECT_EQ(got(readTextFrom(lines, "name", missing, line, 0)), "my long name@11");
  EXPECT_EQ(findLineFrom(lines, "code", 99), -1); // clamped to the last line, not before it
  EXPECT_EQ(onLine("timeduration", 12), "9@13"); // the last line
  EXPECT_EQ(onLine("timeduration", 13), "<null>@13"); // past the end
}

// Which lines hold a keyword: whole words after the value, the one word after
// "*" for a text value, nothing in a remark after "#".
TEST(Lookups, KeywordsAreWholeWordsAfterTheValue)
{
  struct Case { const char *line; const char *keyword; bool found; };
  const Case cases[] = {
      {"10 size", "size", true},          {"10 gridsize", "size", false},
      {"fused_silica material", "use", false}, {"0 1 0 amplitude", "amplitude", true},
      {"size 10", "size", false},         {"size", "size", true}, // a keyword without its value
      {"5 meshpoints # medium", "medium", false}, {"5 meshpoints # medium", "meshpoints", true},
      {"red side * name", "side", false}, {"red side * name", "name", true},
      {"red side *name", "name", true},   {"THz * anyunit", "anyunit", true},
      {"3 1 amplitude * second pulse", "amplitude", true}, // "*" followed by more than one word
      {"1e-6 relative tolerance", "tolerance", true}, {"10 time2", "time", false}};
  for (const Case &c : cases)
    EXPECT_EQ(hasKeyword(c.line, c.keyword), c.found) << c.line << " / " << c.keyword;
  EXPECT_EQ(keywordOffset("red side *name", "name"), 10);
  EXPECT_EQ(keywordPart("  3 1 amplitude # x"), QStringList({"1", "amplitude"}));
}

// Lines that hold no keyword of their engine: each named with its line and the
// closest keyword. The vocabularies come from the keyword table.
TEST(Vocabulary, LinesWithoutAKeywordAreNamed)
{
  const QStringList fdtd = engineKeywords("FDTD"), uppe = engineKeywords("UPPE");
  struct Case { const char *line; const QStringList &vocabulary; const char *warning; };
  const Case cases[] = {
      {"0 dupm", uppe, "line 1: \"dupm\" is not a keyword; did you mean \"dump\"?"},
      {"0 dupm", fdtd, "line 1: \"dupm\" is not a keyword; the line is not read."}, // the other engine's
      {"1000 meshponts", fdtd, "line 1: \"meshponts\" is not a keyword; did you mean \"meshpoints\"?"},
      {"1 sxabxlitx", fdtd, "line 1: \"sxabxlitx\" is not a keyword; did you mean \"stability\"?"}, // 3 of 9 letters
      {"4096 timepionts", uppe, "line 1: \"timepionts\" is not a keyword; did you mean \"timepoints\"?"},
      {"2 1 0 3 1 300 THz paramters", fdtd,
       "line 1: \"paramters\" is not a keyword; did you mean \"parameters\"?"},
      {"red side * nmae", fdtd, "line 1: \"nmae\" is not a keyword; did you mean \"name\"?"},
      {"1 2 3", fdtd, "line 1: \"2\" is not a keyword; the line is not read."},
      {"1 2 sizes3", fdtd, "line 1: \"sizes3\" is not a keyword; did you mean \"size\"?"},
      {"3 SIZE", fdtd, ""}, {"5 meshpoints # medium", fdtd, ""}, {"#", fdtd, ""}, {"", fdtd, ""},
      {"10 timepoints", fdtd, "line 1: \"timepoints\" is not a keyword; the line is not read."}};
  for (const Case &c : cases)
    EXPECT_EQ(unknownWordWarnings({c.line}, c.vocabulary).join('|').toStdString(), c.warning) << c.line;
  // Twenty lines are named, the rest counted.
  QStringList many;
  for (int i = 0; i < 25; ++i)
    many << "x y";
  const QStringList warnings = unknownWordWarnings(many, fdtd);
  ASSERT_EQ(warnings.size(), 21);
  EXPECT_EQ(warnings.last(), "5 more lines hold no keyword and are not read.");
  // Single values and counts, whatever reads them.
  QString why;
  EXPECT_EQ(lineFormProblem({"1e-6 relative tolerance", "2 threads"}, uppe, why), 0);
  EXPECT_EQ(lineFormProblem({"#", "1e-6 2e-6 tolerance"}, uppe, why), 2);
  EXPECT_EQ(why, "\"tolerance\" takes one value; the extra token \"2e-6\" is refused");
  EXPECT_EQ(lineFormProblem({"2.5 threads"}, fdtd, why), 1);
  EXPECT_EQ(lineFormProblem({"2.5 threads", "10 20 meshpoints # x"}, uppe, why), 0); // not UPPE's
  // A keyword no line holds: the line that probably meant it.
  EXPECT_EQ(missingKeywordHint({"#", "10 duration"}, "timeduration", uppe),
            "line 2 \"10 duration\": did you mean \"timeduration\"?");
  EXPECT_EQ(missingKeywordHint({"1 Size", "10 siez"}, "size", fdtd), "line 1 \"1 Size\": did you mean \"size\"?");
  EXPECT_EQ(missingKeywordHint({"10 size"}, "meshpoints", fdtd), "");
  EXPECT_EQ(missingKeywordHint({"2000 dur", "2000 dura"}, "timeduration", uppe), // a part of four letters or more
            "line 2 \"2000 dura\": did you mean \"timeduration\"?");
  int count = 0;
  EXPECT_TRUE(toCount("1e3", count) && count == 1000);
  EXPECT_FALSE(toCount("1000.5", count) || toCount("3e9", count) || toCount("x", count));
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
  for (int k : {-30, -23, 23, 30}) // beyond the table
    EXPECT_NEAR(powerOfTen(k) / std::stod("1e" + std::to_string(k)), 1.0, 1e-15) << k;
  EXPECT_EQ(frequencyUnitName(15), "PHz");
  // Run-time announcements: whole seconds (at least 1), minutes, then hours and minutes.
  QStringList wallTimes;
  for (double seconds : {0.2, 59.4, 90.0, 5430.0, 7170.0, 1e16})
    wallTimes << wallTimeText(seconds);
  EXPECT_EQ(wallTimes.join(" | "), "1 s | 59 s | 2 min | 1 h 31 min | 2 h 0 min | more than 30 million years");
  EXPECT_EQ(std::vector<double>({lengthScaleOf("m"), lengthScaleOf("MM"), lengthScaleOf("nm"), lengthScaleOf("ft")}),
            std::vector<double>({1.0, 1e-3, 1e-9, 0.0}));
}
