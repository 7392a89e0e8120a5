#include "sap/netweaver_logon.h"

#include <gtest/gtest.h>

TEST(NetWeaverLogonTest, OptionRecordGivesTheLogonParameters) {
  RfcConnectR3 r3{"sapprd", 7, nullptr, "sapgw07"};
  RfcOptions options{"PRD", 0, &r3, "100", "MONITOR     ", "secret    ", "E", 0};
  std::string refusal;
  NwLogonParameters expected = {{"ashost", "sapprd"}, {"sysnr", "07"},      {"client", "100"},
                                {"user", "MONITOR"},  {"passwd", "secret"}, {"lang", "E"},
                                {"gwserv", "sapgw07"}};
  EXPECT_EQ(LogonFromOptions(options, &refusal), expected);

  RfcConnectR2 r2{"gw01", nullptr};
  RfcOptions r2Options{"R2P", 1, &r2, "001", "R2MON", "pw", "D", 0};
  EXPECT_TRUE(LogonFromOptions(r2Options, &refusal).empty());
  EXPECT_NE(refusal.find("R/2"), std::string::npos);
}

TEST(NetWeaverLogonTest, ConnectStringValuesMayHoldBlanks) {
  auto values = ParseConnectString("CLIENT=100 USER=ABC PASSWD=my secret=LANG=x  LANG=D DEST=PRD");
  EXPECT_EQ(values["CLIENT"], "100");
  EXPECT_EQ(values["USER"], "ABC");
  // A keyword counts only at the start or after a blank.
  EXPECT_EQ(values["PASSWD"], "my secret=LANG=x");
  EXPECT_EQ(values["LANG"], "D");
  EXPECT_EQ(values["DEST"], "PRD");
  // The sensor writes a value with blanks in double quotes.
  EXPECT_EQ(ParseConnectString("CLIENT=100 PASSWD=\"my secret\" LANG=D")["PASSWD"], "my secret");
}

TEST(NetWeaverLogonTest, DestinationEntriesBecomeLowerCaseParameters) {
  std::vector<std::pair<std::string, std::string>> entry = {{"DEST", "PRD"},     {"TYPE", "B"},
                                                            {"MHOST", "msprd"},  {"R3NAME", "PRD"},
                                                            {"GROUP", "PUBLIC"}, {"SNC_MODE", "1"}};
  auto values = ParseConnectString("CLIENT=100 USER=ABC PASSWD=pw LANG=D DEST=PRD");
  NwLogonParameters expected = {{"mshost", "msprd"}, {"r3name", "PRD"}, {"group", "PUBLIC"},
                                {"snc_mode", "1"},   {"client", "100"}, {"user", "ABC"},
                                {"passwd", "pw"},    {"lang", "D"}};
  EXPECT_EQ(LogonFromDestination(entry, values), expected);
}
