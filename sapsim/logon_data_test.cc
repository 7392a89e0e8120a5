#include "sapsim/logon_data.h"

#include <gtest/gtest.h>

TEST(SimLogonData, ConnectStringSplitsAtKeywordsNotBlanks) {
  ConnectValues v =
      ParseConnectString("CLIENT=100 USER=ABC PASSWD=my secret  LANG=D DEST=PRD");
  EXPECT_EQ("100", *v.client);
  EXPECT_EQ("ABC", *v.user);
  EXPECT_EQ("my secret ", *v.password);
  EXPECT_EQ("D", *v.language);
  EXPECT_EQ("PRD", *v.destination);
  ConnectValues empty = ParseConnectString("CLIENT= USER=X");
  EXPECT_EQ("", *empty.client);
  EXPECT_FALSE(empty.destination);
  // A keyword inside a word is not a keyword.
  EXPECT_EQ("x", *ParseConnectString("PASSWD=aUSER=b USER=x").user);
}

TEST(SimLogonData, FindsTheDestinationEntry) {
  std::string ini =
      "* comment\r\n"
      "DEST=QAS\r\nTYPE=A\r\nASHOST=qas01\r\nSYSNR=01\r\n"
      "\r\n# another\r\n"
      "DEST=PRD\r\n  TYPE = A\r\nASHOST=prdci01\r\n*ASHOST=wrong\r\nSYSNR=07\r\n"
      "DEST=DEV\r\nASHOST=dev01\r\n";
  auto prd = FindDestination(ini, "PRD");
  ASSERT_TRUE(prd);
  EXPECT_EQ("A", prd->type);
  EXPECT_EQ("prdci01", prd->ashost);
  EXPECT_EQ("07", prd->sysnr);
  EXPECT_EQ("qas01", FindDestination(ini, "QAS")->ashost);
  EXPECT_FALSE(FindDestination(ini, "XYZ"));
}
