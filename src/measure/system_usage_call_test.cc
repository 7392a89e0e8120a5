#include "measure/system_usage_call.h"

#include <gtest/gtest.h>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

TEST(SystemUsageCallTest, ExportingValuesAndTheStartDate) {
  SimulatedRun t(OneSystem("{}", R"(, "statistics": {"20240305": [{"client": "100"}]})"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  ItHandle statistic = t.sim.ItCreate("STATISTIC", kStatisticRowLength, 0, 0);
  ItHandle relation = t.sim.ItCreate("USER_ACCOUNT_RELATION", kUserAccountRowLength, 0, 0);
  std::string exception = "stale";
  struct Case {
    const char* serverDate;
    const char* startDate;  // only the first eight count, zeros fill up
    int result;
    const char* exception;
  } cases[] = {{"20240305", "20240305", 0, ""},
               {"2024", "20240000", 2, "NO_DATA_FOUND"},
               {"2024030512", "20240305", 0, ""}};
  for (const Case& c : cases) {
    t.run.serverDate = c.serverDate;
    EXPECT_EQ(CallSystemUsage(t.run, statistic, relation, &exception), c.result);
    EXPECT_EQ(exception, c.exception);
    nlohmann::json call = t.Journal("RfcCall").back();
    EXPECT_EQ(call["exporting"],
              nlohmann::json({{"CLIENT", "*  "}, {"CUMULATION_MODE", "U"},
                              {"INSTANCE", std::string(39, ' ')}, {"INSTID", "        "},
                              {"PERIODTYPE", "D"}, {"STARTDATE", c.startDate}}));
  }
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 2u);  // installed once
}
