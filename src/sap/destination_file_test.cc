#include "sap/destination_file.h"

#include <gtest/gtest.h>

namespace {

constexpr const char kFile[] =
    "# systems of the company\r\n"
    "DEST=QAS\r\n"
    "TYPE=A\r\n"
    "ASHOST=qasci01\r\n"
    "\r\n"
    "DEST=PRD\n"
    "  type = B \n"
    "* the message server\n"
    "MsHost=prdms.example\n"
    "R3NAME=PRD\n"
    "GROUP=PUBLIC\n"
    "ABAP_DEBUG=0\n"
    "no equals sign here\n"
    "GROUP=SPACE\n"
    "DEST=PRD\n"
    "TYPE=A\n";

TEST(DestinationFileTest, FindsTheEntriesOfOneDestination) {
  std::optional<Destination> prd = FindDestination(kFile, "PRD");
  ASSERT_TRUE(prd);
  EXPECT_EQ(prd->name, "PRD");
  // Keys in any case, blanks around keys and values dropped; the entry
  // ends at the next DEST= line, so the second PRD entry is never read.
  ASSERT_NE(prd->Find("type"), nullptr);
  EXPECT_EQ(*prd->Find("TYPE"), "B");
  EXPECT_EQ(*prd->Find("MSHOST"), "prdms.example");
  EXPECT_EQ(*prd->Find("R3Name"), "PRD");
  EXPECT_EQ(*prd->Find("GROUP"), "SPACE");   // the last one counts
  EXPECT_EQ(*prd->Find("ABAP_DEBUG"), "0");  // unknown keys are kept
  EXPECT_EQ(prd->Find("ASHOST"), nullptr);   // QAS's, not PRD's

  std::optional<Destination> qas = FindDestination(kFile, "QAS");
  ASSERT_TRUE(qas);
  EXPECT_EQ(*qas->Find("ASHOST"), "qasci01");  // CR LF line ends
  EXPECT_EQ(qas->entries.size(), 2u);
}

TEST(DestinationFileTest, MissingDestinations) {
  EXPECT_FALSE(FindDestination(kFile, "DEV"));
  EXPECT_FALSE(FindDestination(kFile, "prd"));  // the name is exact
  EXPECT_FALSE(FindDestination("", "PRD"));
  EXPECT_FALSE(FindDestination("# DEST=PRD\n* DEST=PRD\n", "PRD"));
  // A destination without entries is still found.
  std::optional<Destination> empty = FindDestination("DEST=PRD", "PRD");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->entries.empty());
}

TEST(DestinationFileTest, FinalHostOfRouterStrings) {
  EXPECT_EQ(FinalHost("prdci01"), "prdci01");
  EXPECT_EQ(FinalHost("/H/router.example/S/3299/H/prdci01"), "prdci01");
  EXPECT_EQ(FinalHost("/H/r1/S/3299/H/r2/S/3299/H/prdci01/S/3200"), "prdci01");
  EXPECT_EQ(FinalHost("/H/prdci01"), "prdci01");
  EXPECT_EQ(FinalHost("/H/"), "");
}

}  // namespace
