#include "run/global_listing.h"

#include <gtest/gtest.h>

#include "testing/virtual_file_system.h"

namespace {

const char kListing[] = "S:\\SAP Tessaron.Gbl";
const char kSensorProfile[] = "S:\\Tessaron.Prf";
const std::string kMark = ",Sensor=\"SAP Brindlemark\"";
const std::string kList = "# GSNG: S1        ##A.P00#\n";

struct GlobalListingTest : testing::Test {
  /// Reads the global listing |contents| for the sensor key |key|; the
  /// error message, or "" when it was read.
  std::string Global(const std::string& key, const std::string& contents) {
    listing = GlobalListing();
    disk.files.clear();
    if (!contents.empty()) disk.Create(kListing, contents);
    return ReadGlobalListing(disk, kListing, "SAP Tessaron.Gbl", key, key, "", &listing);
  }
  /// Reads the sensor profile |contents| for "ITEM=|item|".
  std::string Item(const std::string& item, const std::string& contents) {
    listing = GlobalListing();
    disk.files.clear();
    if (!contents.empty()) disk.Create(kSensorProfile, contents);
    return ReadGlobalListing(disk, kSensorProfile, "Tessaron.Prf", "ITEM=" + item, "ITEM=" + item,
                             item, &listing);
  }
  VirtualFileSystem disk;
  GlobalListing listing;
};

// Name kinds, keys, lists over several lines and each error code are shown
// by the item scenarios; here the lines at the edge of the format.
TEST_F(GlobalListingTest, EdgesOfTheGlobalListing) {
  // A list line with the prefix alone adds nothing; the last sensor line
  // supplies an item cut to 90 characters and the parameters.
  ASSERT_EQ(Global("S1", kList +
                             "# GSNG: S1        \n"
                             "# GSNX: S1         Item=Dialog,Sid" +
                             kMark + "\n" + "# GSNX: S1         Client=100" + kMark +
                             ",Item=" + std::string(120, 'i') + "\n"),
            "");
  EXPECT_EQ(listing.systemList, "A.P00#");
  EXPECT_EQ(listing.itemName, std::string(90, 'i'));
  EXPECT_EQ(listing.parameters.value_or("-"), "Client=100");
  EXPECT_EQ(listing.nameKind, NameKind::kDestination);

  // A sensor line with nothing after its key has no mark.
  EXPECT_EQ(Global("S1", kList + "# GSNX: S1        \n"),
            "Error 1029: Invalid Sensor-Allocation...");
  // List lines whose lists are empty give no list.
  EXPECT_EQ(
      Global("S1", "# GSNG: S1        ##\n# GSNG: S1\n# GSNX: S1         Client=1" + kMark + "\n"),
      "Error 1025: Global Server Listing missing...");
}

TEST_F(GlobalListingTest, SensorProfileTakesOnlyExactSystemListLines) {
  ASSERT_EQ(Item("Dialog",
                 "# GSNG: anything  ##X.P00#\n"
                 "# gsng: anything  ##Y.P00#\n"
                 "# Gsng: anything  ##A.P00#\n"
                 "# Gsng: SENSOR99  ##B.P00\n"
                 "# Gsng:xanything  ##Z.P00#\n"
                 "# Gsng: short\n"
                 "# GSNX: anything   Item=Batch" +
                     kMark + "\n"),
            "");
  EXPECT_EQ(listing.systemList, "A.P00#B.P00");
  EXPECT_EQ(listing.itemName, "Dialog");
  EXPECT_FALSE(listing.parameters.has_value());
  EXPECT_EQ(listing.nameKind, NameKind::kProfile);

  EXPECT_EQ(Item("", "# Gsng: S1        ##A.P00#\n"),
            "Error 1026: Global Item Idenification missing...");
}

}  // namespace
