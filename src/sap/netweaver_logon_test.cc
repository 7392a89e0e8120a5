#include "sap/netweaver_logon.h"

#include <gtest/gtest.h>

TEST(NetWeaverLogonTest, LogonDataGiveTheLogonParameters) {
  LogonData logon;
  logon.host = "sapprd";
  logon.systemNumber = 7;
  logon.gatewayService = "sapgw07";
  logon.client = "100";
  logon.user = "MONITOR  ";
  logon.password = "secret ";
  logon.language = "E";
  std::string refusal;
  NwLogonParameters expected = {{"ashost", "sapprd"}, {"sysnr", "07"},      {"client", "100"},
                                {"user", "MONITOR"},  {"passwd", "secret"}, {"lang", "E"},
                                {"gwserv", "sapgw07"}};
  EXPECT_EQ(LogonFromData(logon, &refusal), expected);

  logon.r2 = true;
  EXPECT_TRUE(LogonFromData(logon, &refusal).empty());
  EXPECT_NE(refusal.find("R/2"), std::string::npos);
}

TEST(NetWeaverLogonTest, DestinationEntriesBecomeLowerCaseParameters) {
  std::vector<std::pair<std::string, std::string>> entry = {{"DEST", "PRD"},     {"TYPE", "B"},
                                                            {"MHOST", "msprd"},  {"R3NAME", "PRD"},
                                                            {"GROUP", "PUBLIC"}, {"SNC_MODE", "1"}};
  // Values go over as they are: blanks, "=" and quotes included.
  DestinationLogon logon{"PRD", "100", "ABC", "my \"secret\" LANG=x", "D"};
  NwLogonParameters expected = {{"mshost", "msprd"},
                                {"r3name", "PRD"},
                                {"group", "PUBLIC"},
                                {"snc_mode", "1"},
                                {"client", "100"},
                                {"user", "ABC"},
                                {"passwd", "my \"secret\" LANG=x"},
                                {"lang", "D"}};
  EXPECT_EQ(LogonFromDestination(entry, logon), expected);
}
