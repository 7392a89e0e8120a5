#include "sap/structure_descriptors.h"

#include <gtest/gtest.h>

#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"
#include "sapsim/record_layout.h"

namespace {

unsigned RecordSize(const char* name, const FieldDescriptor* fields, unsigned n) {
  auto layout = LayOutRecord(name, fields, n);
  return layout ? static_cast<unsigned>(layout->size) : 0;
}

}  // namespace

TEST(StructureDescriptorsTest, RecordSizesFollowFromTheFields) {
  // CPU_ALL's fields add up to 46 bytes; aligning NBR_CPU makes 48.
  EXPECT_EQ(RecordSize("CPU_ALL", structures::CPU_ALL, structures::kCpuAllEntries), 48u);
  EXPECT_EQ(RecordSize("RFCSI", structures::RFCSI, structures::kRfcsiEntries), 200u);
  EXPECT_EQ(RecordSize("SAPWLACCTS", structures::SAPWLACCTS,
                       structures::kSapwlacctsEntries), 88u);
  EXPECT_EQ(RecordSize("USRACCNTV", structures::USRACCNTV,
                       structures::kUsraccntvEntries), 27u);
}

TEST(StructureDescriptorsTest, HostFieldWhereTheSensorReadsIt) {
  auto rfcsi = LayOutRecord("RFCSI", structures::RFCSI, structures::kRfcsiEntries);
  ASSERT_TRUE(rfcsi && rfcsi->Find("RFCHOST"));
  EXPECT_EQ(rfcsi->Find("RFCHOST")->offset, structures::kRfcsiRfchostOffset);
}

TEST(StructureDescriptorsTest, InstalledOnceAndFailureLeavesTheSlotEmpty) {
  SimulatedRun t(OneSystem(R"({"RfcInstallStructure": "USRACCNTV"})"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  RfcType slot = 0;
  InstallStructure(t.run, "RFCSI", structures::RFCSI, structures::kRfcsiEntries, &slot);
  EXPECT_NE(slot, 0u);
  RfcType first = slot;
  InstallStructure(t.run, "RFCSI", structures::RFCSI, structures::kRfcsiEntries, &slot);
  EXPECT_EQ(slot, first);
  EXPECT_EQ(t.Journal("RfcInstallStructure").size(), 1u);

  RfcType failing = 0;
  EXPECT_EQ(t.ExitCode([&] {
              InstallStructure(t.run, "USRACCNTV", structures::USRACCNTV,
                               structures::kUsraccntvEntries, &failing);
            }),
            1);
  EXPECT_EQ(failing, 0u);
  EXPECT_EQ(t.console.output.rfind("RFC error\noperation/code  : RfcInstallStructure\n", 0),
            0u);
}
