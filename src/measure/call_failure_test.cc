// How each query of the sensor fails: result codes become error lines and
// leave what the query would have set; failures of the library's table
// handling end the run through the RFC failure report.

#include "measure/call_failure.h"

#include <gtest/gtest.h>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

namespace {

/// The three queries, each after a fresh logon to the system served with
/// |faults|: "clock", "info" and "usage".
int Query(SimulatedRun& t, const std::string& query) {
  EXPECT_NE(OpenConnection(t.run), 0u);
  t.run.runStatus = RunStatus::Err;
  if (query == "clock") return QueryServerClock(t.run);
  if (query == "info") return QuerySystemInfo(t.run);
  t.run.rewritePath = "PRD.P00";
  return EvaluateWorkload(t.run);
}

const char* Module(const std::string& query) {
  return query == "clock" ? "GET_CPU_ALL"
         : query == "info" ? "RFC_SYSTEM_INFO"
                           : "SAPWL_ACCNT_GET_SYSTEM_USAGE";
}

// Each result code of each call is shown byte for byte by the scenarios;
// here the exception name longer than any text field, and what a failed
// query leaves behind.
TEST(CallFailureTest, LongExceptionNameIsCutAndAFailedQueryLeavesNoTrace) {
  for (const char* query : {"clock", "info", "usage"}) {
    SCOPED_TRACE(query);
    SimulatedRun t(OneSystem(std::string("{\"") + Module(query) +
                                 "\": {\"receive\": 2, \"exception\": \"" +
                                 std::string(300, 'X') + "\"}}",
                             R"(, "statistics": {"20240305": [{"client": "100", "steps": 1}]})"));
    t.run.serverDate = "20240305";
    t.run.serverTime = "23:59:00";
    t.run.systemProfile.hostLabel = "before";
    EXPECT_EQ(Query(t, query), 2);
    EXPECT_EQ(t.run.resultDocument.Text(), "Error 1012: Exception.: " + std::string(255, 'X'));
    EXPECT_EQ(t.run.runStatus, RunStatus::Err);
    // What the query sets stays as it was.
    EXPECT_EQ(t.run.serverDate + " " + t.run.serverTime, "20240305 23:59:00");
    EXPECT_EQ(t.run.systemProfile.hostLabel, "before");
    EXPECT_EQ(t.console.output, "");
    // The tables of a failed call are deleted all the same.
    EXPECT_EQ(t.Journal("ItCreate").size(), t.Journal("ItDelete").size());
  }
  EXPECT_EQ(ExceptionName(nullptr), "");
}

TEST(CallFailureTest, TableFailuresEndTheRunThroughTheFailureReport) {
  struct Case {
    const char* query;
    const char* fault;
    const char* name;
    const char* operation;
  } cases[] = {
      {"clock", "RfcInstallStructure", "CPU_ALL", "RfcInstallStructure"},
      {"clock", "ItCreate", "TF_CPU_ALL", "ItCreate TF_CPU_ALL"},
      {"clock", "ItGetLine", "TF_CPU_ALL", "ItGetLine TF_CPU_ALL"},
      {"clock", "ItDelete", "TF_CPU_ALL", "ItDelete TF_CPU_ALL"},
      {"info", "RfcInstallStructure", "RFCSI", "RfcInstallStructure"},
      {"usage", "RfcInstallStructure", "SAPWLACCTS", "RfcInstallStructure"},
      {"usage", "RfcInstallStructure", "USRACCNTV", "RfcInstallStructure"},
      {"usage", "ItCreate", "STATISTIC", "ItCreate STATISTIC"},
      {"usage", "ItCreate", "USER_ACCOUNT_RELATION", "ItCreate USER_ACCOUNT_RELATION"},
      {"usage", "ItGetLine", "STATISTIC", "ItGetLine STATISTIC"},
      {"usage", "ItDelete", "STATISTIC", "ItDelete STATISTIC"},
      {"usage", "ItDelete", "USER_ACCOUNT_RELATION", "ItDelete USER_ACCOUNT_RELATION"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.query) + " " + c.fault + " " + c.name);
    SimulatedRun t(OneSystem(std::string("{\"") + c.fault + "\": \"" + c.name + "\"}",
                             R"(, "statistics": {"20240305": [{"client": "100", "steps": 1}]})"));
    t.run.serverDate = "20240305";
    EXPECT_EQ(ExitCodeOf([&] { Query(t, c.query); }), 1);
    EXPECT_EQ(t.console.output.rfind(std::string("RFC error\noperation/code  : ") +
                                         c.operation + "\n", 0),
              0u)
        << t.console.output;
    EXPECT_EQ(t.run.connection, 0u);
    if (std::string(c.fault) == "RfcInstallStructure") {
      EXPECT_TRUE(t.Journal("RfcCall").empty());
    }
  }
}

}  // namespace
