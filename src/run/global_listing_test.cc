#include "run/global_listing.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "run/run.h"

namespace {

/// An RFC library that is never called.
struct NoRfc : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 1; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 1; }
  int RfcLastError(RfcErrorInfo*) override { return 0; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override { return nullptr; }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 0; }
};

const char kListing[] = "S:\\SAP Tessaron.Gbl";
const char kSensorProfile[] = "S:\\Tessaron.Prf";
const char kMark[] = ",Sensor=\"SAP Brindlemark\"";

struct GlobalListingTest : testing::Test {
  /// A run over the global listing for the parameters |typed|.
  void Global(const std::string& typed) {
    run.profileName = "SAP Tessaron.Gbl";
    run.profilePath = kListing;
    run.argument2 = typed;
    run.parameterCopy = typed;
    run.parameterText = typed;
    for (char& c : run.parameterText) c = static_cast<char>(toupper(c));
  }
  /// A run of "ITEM=|item|" over the sensor profile.
  void Item(const std::string& item) {
    run.profileName = "Tessaron.Prf";
    run.profilePath = kSensorProfile;
    run.itemMode = true;
    run.itemName = item;
    run.parameterCopy = "ITEM=" + item;
  }
  /// Reads the listing; the error message it ended with, or "" when it
  /// returned.
  std::string Read() {
    try {
      ReadGlobalListing(run);
      return "";
    } catch (const RunEnded& end) {
      EXPECT_EQ(end.exitCode, 2);
      size_t start = console.output.find("<Text>") + 6;
      return console.output.substr(start, console.output.find("</Text>") - start);
    }
  }

  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  NoRfc rfc;
  ::Run run{disk, clock, console, rfc};
};

TEST_F(GlobalListingTest, KeyComparedOnUpperCasedLine) {
  Global("sensor01 x");
  disk.Create(kListing,
              "Some other content\n"
              "# gsng: Sensor01  ##A.P00#B.P00#\r\n"
              "# GSNG: SENSOR02  ##X.P00#\n"
              "# GSNG: SENSOR01  ##C.P00#\n"
              "# gsnx: Sensor01  :Item=Cpu:Load,Client=100,Alias" +
                  std::string(kMark) + ",Item=Other\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.systemList, "A.P00#B.P00#C.P00#");
  EXPECT_EQ(run.itemName, "Cpu Load");
  EXPECT_EQ(run.nameKind, '2');
  EXPECT_EQ(run.parameterCopy, "Item=Cpu Load,Client=100,Alias");
}

TEST_F(GlobalListingTest, LongKeyCountsWithFirstTenCharacters) {
  Global("LongSensor12,Client=5");
  disk.Create(kListing,
              "# GSNG: LONGSENSOR12A.P00#\n"
              "# GSNX: LONGSENSORx Item=Dialog" + std::string(kMark) + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.systemList, "A.P00#");
  EXPECT_EQ(run.itemName, "Dialog");
}

TEST_F(GlobalListingTest, NameKeywordsLaterKindWinsAcrossLinesInFileOrder) {
  Global("S1");
  std::string list = "# GSNG: S1        ##A.P00#\n";
  disk.Create(kListing, list + "# GSNX: S1         Item=Dialog,Sid,Alias" + kMark + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.nameKind, '4');

  run.nameKind = '1';
  run.systemList.clear();
  disk.Create(kListing, list +
                            "# GSNX: S1         Item=Dialog,Sid" + kMark + "\n" +
                            "# GSNX: S1         Item=Batch,Alias" + kMark + "\n" +
                            "# GSNX: S1         Item=Steps" + kMark + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.nameKind, '2');
  EXPECT_EQ(run.itemName, "Steps");  // the last sensor line supplies the item
  EXPECT_EQ(run.parameterCopy, "Item=Steps");
}

TEST_F(GlobalListingTest, ItemIsTakenFromWholeSensorText) {
  Global("S1");
  std::string item(120, 'i');
  disk.Create(kListing, "# GSNG: S1        ##A.P00#\n"
                        "# GSNX: S1         Client=100" + std::string(kMark) +
                            ",Item=" + item + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.itemName, std::string(90, 'i'));
  EXPECT_EQ(run.parameterCopy, "Client=100");
}

TEST_F(GlobalListingTest, SensorLineOfAnotherProgramEndsRunAtOnce) {
  Global("S1");
  disk.Create(kListing, "# GSNG: S1        ##A.P00#\n"
                        "# GSNX: S1         Item=Dialog,Sensor=\"SAP Other\"\n"
                        "# GSNX: S1         Item=Dialog" + std::string(kMark) + "\n");
  EXPECT_EQ(Read(), "Error 1029: Invalid Sensor-Allocation...");

  console.output.clear();
  disk.Create(kListing, "# GSNG: S1        ##A.P00#\n"
                        "# GSNX: S1        \n");  // no sensor text at all
  EXPECT_EQ(Read(), "Error 1029: Invalid Sensor-Allocation...");
}

TEST_F(GlobalListingTest, ErrorsInTheirOrder) {
  Global("Missing x");
  EXPECT_EQ(Read(), "Error 10x1: ProFile SAP Tessaron.Gbl is missing...");

  console.output.clear();
  disk.Create(kListing, "# GSNG: S1        ##A.P00#\n"
                        "# GSNX: S1         Item=Dialog" + std::string(kMark) + "\n");
  EXPECT_EQ(Read(), "Error 1030: Global Sensor Missing x not found...");

  console.output.clear();
  Global("");
  EXPECT_EQ(Read(), "Error 1030: Global Sensor  not found...");

  console.output.clear();
  Global("S1");
  disk.Create(kListing, "# GSNX: S1         Client=1" + std::string(kMark) + "\n");
  EXPECT_EQ(Read(), "Error 1025: Global Server Listing missing...");

  console.output.clear();
  disk.Create(kListing, "# GSNG: S1        ##A.P00#\n"
                        "# GSNX: S1         Client=1" + std::string(kMark) + "\n");
  EXPECT_EQ(Read(), "Error 1026: Global Item Idenification missing...");
}

TEST_F(GlobalListingTest, ShortSystemListLinesAddNothing) {
  Global("S1");
  disk.Create(kListing, "# GSNG: S1        \n"  // the prefix alone
                        "# GSNG: S1        ##\n"
                        "# GSNG: S1\n"
                        "# GSNX: S1         Item=Dialog" + std::string(kMark) + "\n");
  EXPECT_EQ(Read(), "Error 1025: Global Server Listing missing...");
}

TEST_F(GlobalListingTest, SensorProfileTakesOnlyExactSystemListLines) {
  Item("Dialog");
  disk.Create(kSensorProfile,
              "# GSNG: anything  ##X.P00#\n"
              "# gsng: anything  ##Y.P00#\n"
              "# Gsng: anything  ##A.P00#\n"
              "# Gsng: SENSOR99  ##B.P00\n"
              "# Gsng:xanything  ##Z.P00#\n"
              "# Gsng: short\n"
              "# GSNX: anything   Item=Batch" + std::string(kMark) + "\n");
  ASSERT_EQ(Read(), "");
  EXPECT_EQ(run.systemList, "A.P00#B.P00");
  EXPECT_EQ(run.itemName, "Dialog");
  EXPECT_EQ(run.parameterCopy, "ITEM=Dialog");
  EXPECT_EQ(run.nameKind, '1');
}

TEST_F(GlobalListingTest, SensorProfileErrors) {
  Item("Dialog");
  EXPECT_EQ(Read(), "Error 1024: ProFile Tessaron.Prf is missing...");
  console.output.clear();
  disk.Create(kSensorProfile, "# GSNG: S1        ##A.P00#\n");
  EXPECT_EQ(Read(), "Error 1025: Global Server Listing missing...");
  console.output.clear();
  Item("");
  disk.Create(kSensorProfile, "# Gsng: S1        ##A.P00#\n");
  EXPECT_EQ(Read(), "Error 1026: Global Item Idenification missing...");
}

}  // namespace
