#include "measure/server_clock.h"

#include <gtest/gtest.h>

#include "testing/simulated_run.h"

TEST(ServerClockTest, TimeStampGivesDateAndTime) {
  struct Case {
    const char* stamp;
    const char* dateAndTime;
  } cases[] = {
      {"Mon Jan 05 00:00:00 2024", "20240105 00:00:00"},
      {"Fri Jan  1 00:00:01 2100", "20000101 00:00:01"},  // century 20
      {"Tue mar  5 14:07:09 2024", "2024ar05 14:07:09"},  // unknown month
      // A stamp that ends early gives shorter texts; only 25 characters count.
      {"Tue Mar  5 14:07", "200305 14:07"},
      {"", "20 "},
      {"Tue Mar  5 14:07:09 2024 trailing", "20240305 14:07:09"},
  };
  for (const Case& c : cases) {
    std::string date = "unchanged", time = "unchanged";
    ParseCollectorTimeStamp(c.stamp, &date, &time);
    EXPECT_EQ(date + " " + time, c.dateAndTime) << c.stamp;
  }
}

// The whole exchange of a query is in the journal of the single-system
// scenarios; a second query (or a second system) installs nothing again.
TEST(ServerClockTest, SecondQueryInstallsNothingAgain) {
  SimulatedRun t(OneSystem("{}", R"(, "clock": "Tue Mar  5 14:07:09 2024")"));
  RfcSession session = t.Logon();
  ASSERT_NE(session.connection, 0u);
  ServerClock clock;
  EXPECT_TRUE(QueryServerClock(session, &clock).ok());
  EXPECT_TRUE(QueryServerClock(session, &clock).ok());
  EXPECT_EQ(clock.date + " " + clock.time, "20240305 14:07:09");
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);
}
