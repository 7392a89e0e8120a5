#include "measure/system_usage_call.h"

#include <gtest/gtest.h>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

namespace {

/// A system with one statistics row for 2024-03-05 and |faults|.
std::string SystemWithStatistics(const std::string& faults = "{}") {
  return OneSystem(faults, R"(, "statistics": {"20240305": [
      {"client": "100", "account": "ABC", "steps": 10, "dsteps": 8}]})");
}

struct UsageCall {
  explicit UsageCall(SimulatedRun& t) : t(t) {
    statistic = t.sim.ItCreate("STATISTIC", kStatisticRowLength, 0, 0);
    relation = t.sim.ItCreate("USER_ACCOUNT_RELATION", kUserAccountRowLength, 0, 0);
  }
  int Call() { return CallSystemUsage(t.run, statistic, relation, &exception); }
  SimulatedRun& t;
  ItHandle statistic;
  ItHandle relation;
  std::string exception = "stale";
};

}  // namespace

TEST(SystemUsageCallTest, ExportingValuesAndRows) {
  SimulatedRun t(SystemWithStatistics());
  ASSERT_NE(OpenConnection(t.run), 0u);
  t.run.serverDate = "20240305";
  UsageCall u(t);
  EXPECT_EQ(u.Call(), 0);
  EXPECT_EQ(u.exception, "");
  EXPECT_EQ(t.sim.ItFill(u.statistic), 1u);

  auto call = t.Journal("RfcCall");
  ASSERT_EQ(call.size(), 1u);
  EXPECT_EQ(call[0]["function"], "SAPWL_ACCNT_GET_SYSTEM_USAGE");
  const nlohmann::json& exporting = call[0]["exporting"];
  EXPECT_EQ(exporting["CLIENT"], "*  ");
  EXPECT_EQ(exporting["CUMULATION_MODE"], "U");
  EXPECT_EQ(exporting["INSTANCE"], std::string(39, ' '));
  EXPECT_EQ(exporting["INSTID"], std::string(8, ' '));
  EXPECT_EQ(exporting["PERIODTYPE"], "D");
  EXPECT_EQ(exporting["STARTDATE"], "20240305");

  auto install = t.Journal("RfcInstallStructure");
  ASSERT_EQ(install.size(), 2u);
  EXPECT_EQ(install[0]["name"], "SAPWLACCTS");
  EXPECT_EQ(install[0]["size"], 88);
  EXPECT_EQ(install[1]["name"], "USRACCNTV");
  EXPECT_EQ(install[1]["size"], 27);

  // The next system of the run reuses the installed structures.
  EXPECT_EQ(u.Call(), 0);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 2u);
}

TEST(SystemUsageCallTest, ShortServerDateIsPaddedWithZeros) {
  SimulatedRun t(SystemWithStatistics());
  ASSERT_NE(OpenConnection(t.run), 0u);
  t.run.serverDate = "2024";
  UsageCall u(t);
  EXPECT_EQ(u.Call(), 2);
  EXPECT_EQ(u.exception, "NO_DATA_FOUND");
  EXPECT_EQ(t.Journal("RfcCall")[0]["exporting"]["STARTDATE"], "20240000");

  t.run.serverDate = "2024030512";  // only the first eight count
  EXPECT_EQ(u.Call(), 0);
  EXPECT_EQ(t.Journal("RfcCall")[1]["exporting"]["STARTDATE"], "20240305");
}

TEST(SystemUsageCallTest, ExceptionNamesAreCopiedOnlyFor2And3) {
  std::string longName(300, 'N');
  struct Case {
    std::string fault;
    int result;
    std::string exception;
  };
  for (const Case& c : {
           Case{R"({"receive": 2, "exception": ")" + longName + R"("})", 2,
                std::string(255, 'N')},
           Case{R"({"receive": 3, "exception": "SYSTEM_FAILURE"})", 3, "SYSTEM_FAILURE"},
           Case{R"({"receive": 1, "exception": "IGNORED"})", 1, ""},
           Case{R"({"call": 1})", 1, ""}}) {
    SimulatedRun t(SystemWithStatistics(
        R"({"SAPWL_ACCNT_GET_SYSTEM_USAGE": )" + c.fault + "}"));
    ASSERT_NE(OpenConnection(t.run), 0u);
    UsageCall u(t);
    EXPECT_EQ(u.Call(), c.result) << c.fault;
    EXPECT_EQ(u.exception, c.exception) << c.fault;
  }
}

TEST(SystemUsageCallTest, FailedInstallationEndsTheRunWithCode1) {
  for (const char* structure : {"SAPWLACCTS", "USRACCNTV"}) {
    SimulatedRun t(SystemWithStatistics(std::string(R"({"RfcInstallStructure": ")") +
                                        structure + R"("})"));
    ASSERT_NE(OpenConnection(t.run), 0u);
    UsageCall u(t);
    EXPECT_EQ(t.ExitCode([&] { u.Call(); }), 1);
    EXPECT_NE(t.console.output.find("operation/code  : RfcInstallStructure\n"),
              std::string::npos);
    EXPECT_TRUE(t.Journal("RfcCall").empty());
  }
}
