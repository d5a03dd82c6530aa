#include "input/keywords.h"

#include <gtest/gtest.h>

TEST(KeywordTable, HasOneHundredEntriesInOrder)
{
  ASSERT_EQ(KeywordTable.size(), 100);
  ASSERT_EQ(Kw::count, 100);
  EXPECT_EQ(KeywordTable.at(0), "loc_start");
  EXPECT_EQ(KeywordTable.at(10), "time");
  EXPECT_EQ(KeywordTable.at(11), "time");
  EXPECT_EQ(KeywordTable.at(16), "action");
  EXPECT_EQ(KeywordTable.at(21), "#");
  EXPECT_EQ(KeywordTable.at(22), "end");
  EXPECT_EQ(KeywordTable.at(60), "end");
  EXPECT_EQ(KeywordTable.at(69), "measure");
  for (int i = 70; i <= 75; ++i)
    EXPECT_TRUE(KeywordTable.at(i).isNull()) << i;
  EXPECT_EQ(KeywordTable.at(76), "parameters");
  EXPECT_EQ(KeywordTable.at(80), "dump");
  EXPECT_EQ(KeywordTable.at(93), "linear");
  EXPECT_EQ(KeywordTable.at(99), "tabulated_ker1");
}

TEST(KeywordTable, EnumMatchesTable)
{
  EXPECT_EQ(keyword(Kw::saveAll), "saveAll");
  EXPECT_EQ(keyword(Kw::threeDB), "3dB");
  EXPECT_EQ(keyword(Kw::z_location), "z-location");
  EXPECT_EQ(keyword(Kw::oneDcp), "1dcp");
  EXPECT_EQ(keyword(Kw::stability), "stability");
  EXPECT_EQ(keyword(Kw::timepoints), "timepoints");
  EXPECT_EQ(keyword(Kw::usegeneral), "usegeneral");
  EXPECT_EQ(keyword(Kw::end2), "end");
  EXPECT_EQ(keyword(Kw::itend), "itend");
}
