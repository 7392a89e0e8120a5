#include "measure/system_info.h"

#include <gtest/gtest.h>

#include "testing/simulated_run.h"

TEST(SystemInfoTest, HostLabelIsTheSystemsHostWithItsBlanks) {
  SimulatedRun t(OneSystem("{}", R"(, "rfchost": "prd01")"));
  RfcSession session = t.Logon();
  ASSERT_NE(session.connection, 0u);
  std::string hostLabel = "from the profile";
  EXPECT_TRUE(QuerySystemInfo(session, &hostLabel).ok());
  EXPECT_EQ(hostLabel, "prd01   ");
  EXPECT_TRUE(QuerySystemInfo(session, &hostLabel).ok());
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);
}
