#include "measure/server_clock.h"

#include <gtest/gtest.h>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

namespace {

std::pair<std::string, std::string> Parse(std::string_view stamp) {
  std::string date = "unchanged", time = "unchanged";
  ParseCollectorTimeStamp(stamp, &date, &time);
  return {date, time};
}

}  // namespace

TEST(ServerClockTest, TimeStampGivesDateAndTime) {
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(Parse("Tue Mar  5 14:07:09 2024"), P("20240305", "14:07:09"));
  EXPECT_EQ(Parse("Mon Jan 05 00:00:00 2024").first, "20240105");
  EXPECT_EQ(Parse("Fri Jan  1 00:00:01 2100").first, "20000101");  // century 20
  EXPECT_EQ(Parse("Tue mar  5 14:07:09 2024").first, "2024ar05");  // unknown month
  // A stamp that ends early gives shorter texts; only 25 characters count.
  EXPECT_EQ(Parse("Tue Mar  5 14:07"), P("200305", "14:07"));
  EXPECT_EQ(Parse(""), P("20", ""));
  EXPECT_EQ(Parse("Tue Mar  5 14:07:09 2024 trailing").first, "20240305");
}

namespace {

/// A system whose collector last wrote at |clock|, with |faults|.
std::string SystemWithClock(const std::string& clock, const std::string& faults = "{}") {
  return OneSystem(faults, R"(, "clock": ")" + clock + R"(")");
}

}  // namespace

TEST(ServerClockTest, QuerySetsTheServerDateAndTime) {
  SimulatedRun t(SystemWithClock("Tue Mar  5 14:07:09 2024"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  EXPECT_EQ(QueryServerClock(t.run), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Ok);
  EXPECT_EQ(t.run.serverDate, "20240305");
  EXPECT_EQ(t.run.serverTime, "14:07:09");
  EXPECT_EQ(t.run.resultDocument.Text(), "");

  auto install = t.Journal("RfcInstallStructure");
  ASSERT_EQ(install.size(), 1u);
  EXPECT_EQ(install[0]["name"], "CPU_ALL");
  EXPECT_EQ(install[0]["size"], 48);
  auto create = t.Journal("ItCreate");
  ASSERT_EQ(create.size(), 1u);
  EXPECT_EQ(create[0]["leng"], 48);
  auto call = t.Journal("RfcCall");
  ASSERT_EQ(call.size(), 1u);
  EXPECT_EQ(call[0]["exporting"]["LOCAL_REMOTE"], "LOCAL ");
  EXPECT_EQ(call[0]["exporting"]["LOGICAL_DESTINATION"], std::string(32, ' '));
  EXPECT_EQ(t.Journal("ItDelete").size(), 1u);

  // A second query (or a second system) installs nothing again.
  EXPECT_EQ(QueryServerClock(t.run), 0);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);
}

TEST(ServerClockTest, FailedQueryKeepsDateTimeAndStatus) {
  struct Case {
    std::string fault;
    std::string message;
  };
  std::string longName(300, 'X');
  for (const Case& c : {
           Case{R"({"call": 1})", "Error 1014: RFC-Failure raised !"},
           Case{R"({"receive": 2, "exception": "NOT_ACTIVE"})",
                "Error 1012: Exception.: NOT_ACTIVE"},
           Case{R"({"receive": 2, "exception": ")" + longName + R"("})",
                "Error 1012: Exception.: " + std::string(255, 'X')},
           Case{R"({"receive": 3, "exception": "SYSTEM_FAILURE"})",
                "Error 1013: Sys-Exception raised !"},
           Case{R"({"receive": 7})", "Error 1015: Other Failure raised !"}}) {
    SimulatedRun t(SystemWithClock("Tue Mar  5 14:07:09 2024",
                                   std::string(R"({"GET_CPU_ALL": )") +
                                       c.fault + "}"));
    ASSERT_NE(OpenConnection(t.run), 0u);
    t.run.serverDate = "20231231";
    t.run.serverTime = "23:59:00";
    EXPECT_NE(QueryServerClock(t.run), 0);
    EXPECT_EQ(t.run.resultDocument.Text(), c.message) << c.fault;
    EXPECT_EQ(t.run.runStatus, RunStatus::Err);
    EXPECT_EQ(t.run.serverDate, "20231231");
    EXPECT_EQ(t.run.serverTime, "23:59:00");
    EXPECT_EQ(t.Journal("ItDelete").size(), 1u);  // the table is deleted all the same
  }
}

TEST(ServerClockTest, TableFailuresEndTheRunWithCode1) {
  for (const char* fault : {R"({"ItCreate": "TF_CPU_ALL"})", R"({"ItGetLine": "TF_CPU_ALL"})",
                            R"({"ItDelete": "TF_CPU_ALL"})",
                            R"({"RfcInstallStructure": "CPU_ALL"})"}) {
    SimulatedRun t(SystemWithClock("Tue Mar  5 14:07:09 2024", fault));
    ASSERT_NE(OpenConnection(t.run), 0u);
    EXPECT_EQ(t.ExitCode([&] { QueryServerClock(t.run); }), 1) << fault;
    EXPECT_EQ(t.console.output.rfind("RFC error\noperation/code  : ", 0), 0u);
    EXPECT_EQ(t.run.connection, 0u);
  }
  SimulatedRun t(SystemWithClock("x", R"({"ItCreate": "TF_CPU_ALL"})"));
  OpenConnection(t.run);
  t.ExitCode([&] { QueryServerClock(t.run); });
  EXPECT_NE(t.console.output.find("operation/code  : ItCreate TF_CPU_ALL\n"),
            std::string::npos);
}
