#include "measure/server_clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

TEST(ServerClockTest, TimeStampGivesDateAndTime) {
  struct Case {
    const char* stamp;
    const char* dateAndTime;
  } cases[] = {
      {"Tue Mar  5 14:07:09 2024", "20240305 14:07:09"},
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

TEST(ServerClockTest, QuerySetsTheServerDateAndTime) {
  SimulatedRun t(OneSystem("{}", R"(, "clock": "Tue Mar  5 14:07:09 2024")"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  EXPECT_EQ(QueryServerClock(t.run), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Ok);
  EXPECT_EQ(t.run.serverDate + " " + t.run.serverTime, "20240305 14:07:09");
  EXPECT_EQ(t.run.resultDocument.Text(), "");
  auto call = t.Journal("RfcCall");
  ASSERT_EQ(call.size(), 1u);
  EXPECT_EQ(call[0]["exporting"]["LOCAL_REMOTE"], "LOCAL ");
  EXPECT_EQ(call[0]["exporting"]["LOGICAL_DESTINATION"], std::string(32, ' '));

  // A second query (or a second system) installs nothing again.
  EXPECT_EQ(QueryServerClock(t.run), 0);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);

  // By default the collector's time is the local time of the call.
  SimulatedRun now;
  ASSERT_NE(OpenConnection(now.run), 0u);
  std::time_t before = std::time(nullptr);
  EXPECT_EQ(QueryServerClock(now.run), 0);
  std::time_t after = std::time(nullptr);
  char first[9], second[9];
  std::strftime(first, sizeof first, "%Y%m%d", std::localtime(&before));
  std::strftime(second, sizeof second, "%Y%m%d", std::localtime(&after));
  EXPECT_TRUE(now.run.serverDate == first || now.run.serverDate == second) << now.run.serverDate;
}
