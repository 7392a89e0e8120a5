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
  EXPECT_EQ(QuerySystemInfo(t.run), 0);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);
}
