// How each query of the sensor fails: result codes become error lines and
// leave what the query would have set; failures of the library's table
// handling name the failed operation.

#include <gtest/gtest.h>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "sap/outcome.h"
#include "testing/simulated_run.h"

namespace {

/// What the queries set.
struct QueryState {
  ServerClock clock{"20240305", "23:59:00"};
  std::string hostLabel = "before";
  ResultDocument document;
};

/// The three queries, each after a fresh logon to the system served with
/// |faults|: "clock", "info" and "usage".
Outcome Query(SimulatedRun& t, const std::string& query, QueryState* state) {
  RfcSession session = t.Logon();
  EXPECT_NE(session.connection, 0u);
  if (query == "clock") return QueryServerClock(session, &state->clock);
  if (query == "info") return QuerySystemInfo(session, &state->hostLabel);
  static const std::string kPath = "PRD.P00";
  std::vector<std::string> lines;
  return EvaluateWorkload(session, state->clock, {}, "PRD", HistoryFile{*t.disk, kPath, lines},
                          state->document)
      .outcome;
}

const char* Module(const std::string& query) {
  return query == "clock"  ? "GET_CPU_ALL"
         : query == "info" ? "RFC_SYSTEM_INFO"
                           : "SAPWL_ACCNT_GET_SYSTEM_USAGE";
}

// Each result code of each call is shown byte for byte by the scenarios;
// here the exception name longer than any text field, and what a failed
// query leaves behind.
TEST(QueryFailureTest, LongExceptionNameIsCutAndAFailedQueryLeavesNoTrace) {
  for (const char* query : {"clock", "info", "usage"}) {
    SCOPED_TRACE(query);
    SimulatedRun t(OneSystem(std::string("{\"") + Module(query) +
                                 "\": {\"receive\": 2, \"exception\": \"" + std::string(300, 'X') +
                                 "\"}}",
                             R"(, "statistics": {"20240305": [{"client": "100", "steps": 1}]})"));
    QueryState state;
    EXPECT_EQ(Query(t, query, &state).Message(),
              "Error 1012: Exception.: " + std::string(255, 'X'));
    // What the query sets stays as it was.
    EXPECT_EQ(state.clock.date + " " + state.clock.time, "20240305 23:59:00");
    EXPECT_EQ(state.hostLabel, "before");
    EXPECT_EQ(state.document.Text(), "");
    EXPECT_EQ(t.console.output, "");
    // The tables of a failed call are deleted all the same.
    EXPECT_EQ(t.Journal("ItCreate").size(), t.Journal("ItDelete").size());
  }
  EXPECT_EQ(ExceptionName(nullptr), "");
}

TEST(QueryFailureTest, TableFailuresNameTheFailedOperation) {
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
    QueryState state;
    Outcome outcome = Query(t, c.query, &state);
    EXPECT_TRUE(outcome.IsLibraryFailure());
    EXPECT_EQ(outcome.Operation(), c.operation);
    if (std::string(c.fault) == "RfcInstallStructure") {
      EXPECT_TRUE(t.Journal("RfcCall").empty());
    }
  }
}

}  // namespace
