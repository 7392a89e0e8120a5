#include "sapsim/local_time.h"

#include <gtest/gtest.h>

TEST(SimLocalTime, FormatsLikeTheCollectorsTimeStamp) {
  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 5;
  tm.tm_hour = 14;
  tm.tm_min = 7;
  tm.tm_sec = 9;
  tm.tm_isdst = -1;
  LocalMoment moment = LocalMomentAt(std::mktime(&tm));
  EXPECT_EQ("Tue Mar  5 14:07:09 2024", moment.clock_text);
  EXPECT_EQ("20240305", moment.date);
  EXPECT_EQ(14 * 3600 + 7 * 60 + 9, moment.seconds_of_day);
}
