#include "run/global_listing.h"

#include <gtest/gtest.h>

#include "run/test_run.h"

namespace {

const char kListing[] = "S:\\SAP Tessaron.Gbl";
const char kSensorProfile[] = "S:\\Tessaron.Prf";
const std::string kMark = ",Sensor=\"SAP Brindlemark\"";
const std::string kList = "# GSNG: S1        ##A.P00#\n";

struct GlobalListingTest : testing::Test {
  /// A run over the global listing |contents| for the parameters |typed|.
  void Global(const std::string& typed, const std::string& contents) {
    t.run.profileName = "SAP Tessaron.Gbl";
    t.run.profilePath = kListing;
    t.run.argument2 = t.run.parameterCopy = t.run.parameterText = typed;
    for (char& c : t.run.parameterText) c = static_cast<char>(toupper(c));
    t.run.systemList.clear();
    t.run.nameKind = '1';
    t.disk.files.clear();
    if (!contents.empty()) t.disk.Create(kListing, contents);
  }
  /// A run of "ITEM=|item|" over the sensor profile |contents|.
  void Item(const std::string& item, const std::string& contents) {
    t.run.profileName = "Tessaron.Prf";
    t.run.profilePath = kSensorProfile;
    t.run.itemMode = true;
    t.run.itemName = item;
    t.run.parameterCopy = "ITEM=" + item;
    t.run.systemList.clear();
    t.disk.files.clear();
    if (!contents.empty()) t.disk.Create(kSensorProfile, contents);
  }
  /// Reads the listing; the error message it ended with, or "" when it
  /// returned.
  std::string Read() {
    t.console.output.clear();
    int code = ExitCodeOf([&] { ReadGlobalListing(t.run); });
    if (code == -1) return "";
    EXPECT_EQ(code, 2);
    size_t start = t.console.output.find("<Text>") + 6;
    return t.console.output.substr(start, t.console.output.find("</Text>") - start);
  }
  TestRun t;
};

// Name kinds, keys, lists over several lines and each error code are shown
// by the item scenarios; here the lines at the edge of the format.
TEST_F(GlobalListingTest, EdgesOfTheGlobalListing) {
  // A list line with the prefix alone adds nothing; the last sensor line
  // supplies an item cut to 90 characters and the parameters.
  Global("S1", kList + "# GSNG: S1        \n"
                   "# GSNX: S1         Item=Dialog,Sid" + kMark + "\n" +
                   "# GSNX: S1         Client=100" + kMark + ",Item=" + std::string(120, 'i') +
                   "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.systemList, "A.P00#");
  EXPECT_EQ(t.run.itemName, std::string(90, 'i'));
  EXPECT_EQ(t.run.parameterCopy, "Client=100");

  // A sensor line with nothing after its key has no mark.
  Global("S1", kList + "# GSNX: S1        \n");
  EXPECT_EQ(Read(), "Error 1029: Invalid Sensor-Allocation...");
  // List lines whose lists are empty give no list.
  Global("S1", "# GSNG: S1        ##\n# GSNG: S1\n# GSNX: S1         Client=1" + kMark + "\n");
  EXPECT_EQ(Read(), "Error 1025: Global Server Listing missing...");
}

TEST_F(GlobalListingTest, SensorProfileTakesOnlyExactSystemListLines) {
  Item("Dialog", "# GSNG: anything  ##X.P00#\n"
                 "# gsng: anything  ##Y.P00#\n"
                 "# Gsng: anything  ##A.P00#\n"
                 "# Gsng: SENSOR99  ##B.P00\n"
                 "# Gsng:xanything  ##Z.P00#\n"
                 "# Gsng: short\n"
                 "# GSNX: anything   Item=Batch" + kMark + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.systemList, "A.P00#B.P00");
  EXPECT_EQ(t.run.itemName, "Dialog");
  EXPECT_EQ(t.run.parameterCopy, "ITEM=Dialog");
  EXPECT_EQ(t.run.nameKind, '1');

  Item("", "# Gsng: S1        ##A.P00#\n");
  EXPECT_EQ(Read(), "Error 1026: Global Item Idenification missing...");
}

}  // namespace
