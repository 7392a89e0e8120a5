#include "measure/system_usage_call.h"

#include <gtest/gtest.h>

#include "testing/simulated_run.h"

// The exporting values of an ordinary call are in the journal of the
// single-system scenarios; here server dates of other lengths.
TEST(SystemUsageCallTest, StartDateIsTheFirstEightCharactersOfTheServerDate) {
  SimulatedRun t(OneSystem("{}", R"(, "statistics": {"20240305": [{"client": "100"}]})"));
  RfcSession session = t.Logon();
  ASSERT_NE(session.connection, 0u);
  ItHandle statistic = t.sim.ItCreate("STATISTIC", kStatisticRowLength, 0, 0);
  ItHandle relation = t.sim.ItCreate("USER_ACCOUNT_RELATION", kUserAccountRowLength, 0, 0);
  const char* cases[][3] = {{"2024", "20240000", "NO_DATA_FOUND"},  // zeros fill up
                            {"2024030512", "20240305", ""}};
  for (const auto& c : cases) {
    Outcome outcome = CallSystemUsage(session, c[0], statistic, relation);
    EXPECT_EQ(outcome.ok(), c[2][0] == 0);
    EXPECT_EQ(outcome.IsException("NO_DATA_FOUND"), c[2][0] != 0);
    EXPECT_EQ(t.Journal("RfcCall").back()["exporting"]["STARTDATE"], c[1]);
  }
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 2u);  // installed once
}
