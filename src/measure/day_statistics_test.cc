#include "measure/day_statistics.h"

#include <gtest/gtest.h>

#include "testing/simulated_run.h"

// The exporting values of an ordinary call are in the journal of the
// single-system scenarios; here server dates of other lengths.
TEST(DayStatisticsTest, StartDateIsTheFirstEightCharactersOfTheServerDate) {
  SimulatedRun t(OneSystem("{}", R"(, "statistics": {"20240305": [{"client": "100"}]})"));
  RfcSession session = t.Logon();
  ASSERT_NE(session.connection, 0u);
  const char* cases[][3] = {{"2024", "20240000", "NO_DATA_FOUND"},  // zeros fill up
                            {"2024030512", "20240305", ""}};
  for (const auto& c : cases) {
    size_t rows = 0;
    StatisticsFetch fetch = FetchDayStatistics(session, c[0], [&](const DayStatistics& day) {
      rows = day.size();
      return Outcome::Ok();
    });
    EXPECT_TRUE(fetch.outcome.ok());
    EXPECT_EQ(fetch.noData, c[2][0] != 0);
    EXPECT_EQ(rows, c[2][0] != 0 ? 0u : 1u);
    EXPECT_EQ(t.Journal("RfcCall").back()["exporting"]["STARTDATE"], c[1]);
  }
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 2u);  // installed once
  EXPECT_EQ(t.Journal("ItDelete").size(), 4u);             // every table given back
}
