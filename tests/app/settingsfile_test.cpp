#include "testsupport.h"

#include "app/settingsfile.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
StartupSettings read(const QByteArray &text)
{
  QTemporaryDir dir;
  return readSettingsFile(testsupport::writeFile(dir, "Settings.txt", text));
}
} // namespace

TEST(SettingsFile, ValueIsTheTextBeforeTheLastStar)
{
  EXPECT_EQ(settingsValue("  /data/FDTD_a.txt   * configuration"), "/data/FDTD_a.txt");
  EXPECT_EQ(settingsValue("/a*b*c"), "/a*b");
  EXPECT_EQ(settingsValue("*"), "");
  EXPECT_EQ(settingsValue("/data/FDTD_a.txt"), "");
  EXPECT_EQ(settingsValue(""), "");
}

TEST(SettingsFile, MissingFileAsksForNothing)
{
  const StartupSettings s = readSettingsFile("/nonexistent/Settings.txt");
  EXPECT_FALSE(s.autoLoad);
  EXPECT_TRUE(s.configurationPath.isEmpty());
  EXPECT_TRUE(s.resultsBase.isEmpty());
}

struct SettingsCase
{
  const char *name;
  const char *text;
  bool autoLoad;
  const char *path;
  const char *base;
};

class SettingsFileCases : public ::testing::TestWithParam<SettingsCase>
{
};

TEST_P(SettingsFileCases, Reads)
{
  const SettingsCase &c = GetParam();
  const StartupSettings s = read(c.text);
  EXPECT_EQ(s.autoLoad, c.autoLoad);
  EXPECT_EQ(s.configurationPath, QString(c.path));
  EXPECT_EQ(s.resultsBase, QString(c.base));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SettingsFileCases,
    ::testing::Values(
        SettingsCase{"AutoLoad", "1\n/data/FDTD_a.txt *\n/results *\n", true, "/data/FDTD_a.txt", "/results"},
        SettingsCase{"ZeroIgnoresTheOtherLines", "0\n/data/FDTD_a.txt *\n/results *\n", false, "", ""},
        SettingsCase{"EmptyLinesBeforeLineOne", "\n\n2 auto\n/a/FDTD_b.txt*\n*\n", true, "/a/FDTD_b.txt", ""},
        SettingsCase{"PathWithoutStarIsEmpty", "1\n/data/FDTD_a.txt\n/results *\n", true, "", "/results"},
        SettingsCase{"EmptyLineThreeGivesNoBase", "1\n/data/FDTD_a.txt *\n\n", true, "/data/FDTD_a.txt", ""},
        SettingsCase{"MissingLineThree", "1\nFDTD_a.txt *", true, "FDTD_a.txt", ""},
        SettingsCase{"NotANumber", "yes\nFDTD_a.txt *\n", false, "", ""},
        SettingsCase{"LeadingBlankGivesAnEmptyWord", " 1\nFDTD_a.txt *\n", false, "", ""},
        SettingsCase{"WordEndsAtTheFirstWhiteSpace", "1\tload\nFDTD_a.txt *\n", true, "FDTD_a.txt", ""},
        SettingsCase{"NegativeIsNonZero", "-1\nFDTD_a.txt *\n", true, "FDTD_a.txt", ""},
        SettingsCase{"OnlyEmptyLines", "\n\n\n", false, "", ""},
        SettingsCase{"EmptyFile", "", false, "", ""},
        SettingsCase{"BlanksInsideThePath", "1\n  /my data/FDTD a.txt  *  \n", true, "/my data/FDTD a.txt", ""}),
    [](const ::testing::TestParamInfo<SettingsCase> &info) { return std::string(info.param.name); });
