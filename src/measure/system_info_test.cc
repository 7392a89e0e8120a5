#include "measure/system_info.h"

#include <gtest/gtest.h>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

TEST(SystemInfoTest, HostLabelIsTheSystemsHostWithItsBlanks) {
  SimulatedRun t(OneSystem("{}", R"(, "rfchost": "prd01")"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  t.run.systemProfile.hostLabel = "from the profile";
  EXPECT_EQ(QuerySystemInfo(t.run), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Ok);
  EXPECT_EQ(t.run.systemProfile.hostLabel, "prd01   ");
  EXPECT_EQ(t.run.resultDocument.Text(), "");

  auto install = t.Journal("RfcInstallStructure");
  ASSERT_EQ(install.size(), 1u);
  EXPECT_EQ(install[0]["name"], "RFCSI");
  EXPECT_EQ(install[0]["size"], 200);
  auto call = t.Journal("RfcCall");
  ASSERT_EQ(call.size(), 1u);
  EXPECT_EQ(call[0]["exporting"], nlohmann::json::object());

  EXPECT_EQ(QuerySystemInfo(t.run), 0);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);
}

TEST(SystemInfoTest, FailedQueryKeepsTheHostLabel) {
  struct Case {
    const char* fault;
    const char* message;
  };
  for (const Case& c : {Case{R"({"call": 1})", "Error 1014: RFC-Failure raised !"},
                        Case{R"({"receive": 2, "exception": "AUTHORITY"})",
                             "Error 1012: Exception.: AUTHORITY"},
                        Case{R"({"receive": 3})", "Error 1013: Sys-Exception raised !"},
                        Case{R"({"call": 9})", "Error 1015: Other Failure raised !"}}) {
    SimulatedRun t(OneSystem(std::string(R"({"RFC_SYSTEM_INFO": )") +
                             c.fault + "}"));
    ASSERT_NE(OpenConnection(t.run), 0u);
    t.run.systemProfile.hostLabel = "before";
    EXPECT_NE(QuerySystemInfo(t.run), 0);
    EXPECT_EQ(t.run.systemProfile.hostLabel, "before");
    EXPECT_EQ(t.run.runStatus, RunStatus::Err);
    EXPECT_EQ(t.run.resultDocument.Text(), c.message) << c.fault;
  }
}
