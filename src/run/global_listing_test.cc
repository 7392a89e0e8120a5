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

TEST_F(GlobalListingTest, SystemListAndSensorLineOfTheSensor) {
  // Keys are compared on the upper-cased line; a long key by its first ten characters.
  Global("sensor01 x", "Some other content\n"
                       "# gsng: Sensor01  ##A.P00#B.P00#\r\n"
                       "# GSNG: SENSOR02  ##X.P00#\n"
                       "# GSNG: SENSOR01  ##C.P00#\n"
                       "# GSNG: SENSOR01  \n"  // the prefix alone adds nothing
                       "# gsnx: Sensor01  :Item=Cpu:Load,Client=100,Alias" + kMark + ",Item=x\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.systemList, "A.P00#B.P00#C.P00#");
  EXPECT_EQ(t.run.itemName, "Cpu Load");
  EXPECT_EQ(t.run.nameKind, '2');
  EXPECT_EQ(t.run.parameterCopy, "Item=Cpu Load,Client=100,Alias");

  Global("LongSensor12,Client=5", "# GSNG: LONGSENSOR12A.P00#\n"
                                  "# GSNX: LONGSENSORx Item=Dialog" + kMark + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.systemList, "A.P00#");
  EXPECT_EQ(t.run.itemName, "Dialog");

  // The later name keyword wins, across lines in file order; the last
  // sensor line supplies the item, taken from the whole sensor text.
  Global("S1", kList + "# GSNX: S1         Item=Dialog,Sid,Alias" + kMark + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.nameKind, '4');
  Global("S1", kList + "# GSNX: S1         Item=Dialog,Sid" + kMark + "\n" +
                   "# GSNX: S1         Item=Batch,Alias" + kMark + "\n" +
                   "# GSNX: S1         Client=100" + kMark + ",Item=" + std::string(120, 'i') +
                   "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(t.run.nameKind, '2');
  EXPECT_EQ(t.run.itemName, std::string(90, 'i'));
  EXPECT_EQ(t.run.parameterCopy, "Client=100");
}

TEST_F(GlobalListingTest, ErrorsInTheirOrder) {
  struct Case {
    const char* typed;
    std::string contents;
    const char* error;
  } cases[] = {
      {"Missing x", "", "Error 10x1: ProFile SAP Tessaron.Gbl is missing..."},
      {"Missing x", kList + "# GSNX: S1         Item=Dialog" + kMark + "\n",
       "Error 1030: Global Sensor Missing x not found..."},
      {"", kList, "Error 1030: Global Sensor  not found..."},
      // A sensor line of another program ends the run at once.
      {"S1", kList + "# GSNX: S1         Item=Dialog,Sensor=\"SAP Other\"\n" +
                 "# GSNX: S1         Item=Dialog" + kMark + "\n",
       "Error 1029: Invalid Sensor-Allocation..."},
      {"S1", kList + "# GSNX: S1        \n", "Error 1029: Invalid Sensor-Allocation..."},
      {"S1", "# GSNG: S1        ##\n# GSNG: S1\n# GSNX: S1         Client=1" + kMark + "\n",
       "Error 1025: Global Server Listing missing..."},
      {"S1", kList + "# GSNX: S1         Client=1" + kMark + "\n",
       "Error 1026: Global Item Idenification missing..."},
  };
  for (const Case& c : cases) {
    Global(c.typed, c.contents);
    EXPECT_EQ(Read(), c.error) << c.contents;
  }
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

  Item("Dialog", "");
  EXPECT_EQ(Read(), "Error 1024: ProFile Tessaron.Prf is missing...");
  Item("Dialog", "# GSNG: S1        ##A.P00#\n");
  EXPECT_EQ(Read(), "Error 1025: Global Server Listing missing...");
  Item("", "# Gsng: S1        ##A.P00#\n");
  EXPECT_EQ(Read(), "Error 1026: Global Item Idenification missing...");
}

}  // namespace
