#include "input/lookups.h"

#include <QTextStream>

#include <gtest/gtest.h>

namespace {
QStringList read(const QString &text)
{
  QString copy = text;
  QTextStream s(&copy);
  return readConfigurationLines(s);
}
} // namespace

TEST(ReadConfigurationLines, CommentAndEmptyLines)
{
  const QStringList lines =
      read("# heading\n\n   # indented comment\n5 meshpoints # not a comment\n#x\n   \nlast");
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[0], "#");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "#");
  EXPECT_EQ(lines[3], "5 meshpoints # not a comment");
  EXPECT_EQ(lines[4], "#");
  EXPECT_EQ(lines[5], "   "); // blank line keeps its entry
  EXPECT_EQ(lines[6], "last");
}

TEST(ReadConfigurationLines, WindowsLineEndsAndEmptyInput)
{
  EXPECT_TRUE(read("").isEmpty());
  const QStringList lines = read("1 a\r\n2 b\r\n");
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lineValue(lines[1]), "2");
}

TEST(IndexIgnoringCase, Table)
{
  const QStringList list = {"s", "ms", "us", "fs"};
  EXPECT_EQ(indexIgnoringCase(list, "FS"), 3);
  EXPECT_EQ(indexIgnoringCase(list, "Ms"), 1);
  EXPECT_EQ(indexIgnoringCase(list, "x"), -1);
  EXPECT_EQ(indexIgnoringCase(QStringList(), "s"), -1);
  EXPECT_TRUE(isNotListed("x", list));
  EXPECT_FALSE(isNotListed("US", list));
  EXPECT_TRUE(isNotListed("s", QStringList()));
}

TEST(LineValue, FirstWordOrEmpty)
{
  EXPECT_EQ(lineValue("12.5 size"), "12.5");
  EXPECT_EQ(lineValue("  12.5 size"), "");
  EXPECT_FALSE(lineValue("  12.5 size").isNull());
  EXPECT_EQ(lineValue("word"), "word");
  EXPECT_EQ(lineValue("a\tb"), "a");
}

TEST(ReadValue, IgnoresCaseAndSetsCurrentLine)
{
  const QStringList lines = {"#", "3 Size", "7 size", "  8 other"};
  QString missing;
  int current = 0;
  EXPECT_EQ(readValue(lines, "SIZE", missing, current), "3");
  EXPECT_EQ(current, 2);
  EXPECT_TRUE(missing.isEmpty());
  EXPECT_EQ(readValue(lines, "other", missing, current), "");
  EXPECT_EQ(current, 4);
  const QString none = readValue(lines, "absent", missing, current);
  EXPECT_TRUE(none.isNull());
  EXPECT_EQ(missing, "absent");
  EXPECT_EQ(current, 4);
}

TEST(ReadValue, CommentLinesNeverMatch)
{
  const QStringList lines = read("# 5 meshpoints\n");
  QString missing;
  int current = 0;
  EXPECT_TRUE(readValue(lines, "meshpoints", missing, current).isNull());
  EXPECT_EQ(missing, "meshpoints");
}

TEST(ReadValueOnLine, OnlyTheNextLineCaseSensitive)
{
  const QStringList lines = {"suspend action", "500 iterations", "x", "600 Iterations"};
  int current = 1; // the anchor's line number
  EXPECT_EQ(readValueOnLine(lines, "iterations", current), "500");
  EXPECT_EQ(current, 2);
  current = 3;
  const QString v = readValueOnLine(lines, "iterations", current);
  EXPECT_TRUE(v.isNull());
  EXPECT_EQ(current, 3); // unchanged
  current = 4;           // beyond the end
  EXPECT_TRUE(readValueOnLine(lines, "iterations", current).isNull());
  EXPECT_EQ(current, 4);
  current = -5;
  EXPECT_TRUE(readValueOnLine(lines, "iterations", current).isNull());
}

TEST(ReadValueOnLine, JumpsToFirstIdenticalLine)
{
  const QStringList lines = {"suspend action", "5 iterations", "exit action", "5 iterations"};
  int current = 3;
  EXPECT_EQ(readValueOnLine(lines, "iterations", current), "5");
  EXPECT_EQ(current, 2);
}

TEST(ReadValueFrom, RegularExpressionAndStartIndex)
{
  const QStringList lines = {"1 code", "100 period", "a.txt file", "2 Code", "9 timeduration"};
  QString missing;
  int current = 0;
  EXPECT_EQ(readValueFrom(lines, "file", missing, current, 0), "a.txt");
  EXPECT_EQ(current, 3);
  // case-sensitive
  EXPECT_TRUE(readValueFrom(lines, "code", missing, current, 1).isNull());
  EXPECT_EQ(missing, "code");
  missing.clear();
  // substring: "time" stops at "timeduration"
  EXPECT_EQ(readValueFrom(lines, "time", missing, current, 0), "9");
  EXPECT_EQ(current, 5);
  // a start beyond the end searches only the last line
  EXPECT_EQ(readValueFrom(lines, "time", missing, current, 99), "9");
  EXPECT_TRUE(readValueFrom(lines, "period", missing, current, 99).isNull());
  EXPECT_EQ(missing, "period");
  // keywords are regular expressions
  missing.clear();
  EXPECT_EQ(readValueFrom(lines, "p.riod", missing, current, 0), "100");
  EXPECT_EQ(current, 2);
  EXPECT_EQ(readValueFrom(lines, "...", missing, current, 0), "1");
  EXPECT_TRUE(missing.isEmpty());
}

TEST(ReadValueFrom, EmptyListAndNegativeStart)
{
  QString missing;
  int current = 7;
  EXPECT_TRUE(readValueFrom(QStringList(), "x", missing, current, 0).isNull());
  EXPECT_EQ(missing, "x");
  EXPECT_EQ(current, 7);
  missing.clear();
  EXPECT_EQ(readValueFrom({"4 x"}, "x", missing, current, -3), "4");
}

TEST(ReadTextFrom, WordsUpToStar)
{
  const QStringList lines = {"#", "my long probe *end name", "*x name", "a b c name"};
  QString missing;
  int current = 0;
  EXPECT_EQ(readTextFrom(lines, "name", missing, current, 0), "my long probe");
  EXPECT_EQ(current, 2);
  EXPECT_EQ(readTextFrom(lines, "name", missing, current, 2), "");
  EXPECT_EQ(current, 3);
  // without a "*" word the whole line is taken, never more
  EXPECT_EQ(readTextFrom(lines, "name", missing, current, 3), "a b c name");
  EXPECT_TRUE(readTextFrom(lines, "absent", missing, current, 0).isNull());
  EXPECT_EQ(missing, "absent");
}

TEST(ReadTextFrom, LeadingBlankGivesLeadingSpace)
{
  QString missing;
  int current = 0;
  EXPECT_EQ(readTextFrom({"  a b *c name"}, "name", missing, current, 0), " a b");
}

TEST(Lookups, VeryLongLineStaysFast)
{
  QString line(10 * 1024 * 1024, QLatin1Char('x'));
  line += " meshpoints";
  const QStringList lines = {line};
  QString missing;
  int current = 0;
  EXPECT_EQ(readValueFrom(lines, "meshpoints", missing, current, 0).size(), 10 * 1024 * 1024 + 0);
  EXPECT_TRUE(readValueFrom(lines, "absent", missing, current, 0).isNull());
  EXPECT_TRUE(readValueFrom(lines, "abs.nt", missing, current, 0).isNull());
}

TEST(SanitizeFileName, NineCharacters)
{
  EXPECT_EQ(sanitizeFileName("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(sanitizeFileName("plain name.txt"), "plain name.txt");
}
