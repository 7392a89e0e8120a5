#include "sapsim/record_layout.h"

#include <gtest/gtest.h>

#include "sapsim/sim_test_support.h"

using namespace simtest;

TEST(SimLayout, RecordSizesOfTheSensorsStructures) {
  EXPECT_EQ(48u, LayOutRecord("CPU_ALL", kCpuAll, 13)->size);
  EXPECT_EQ(200u, LayOutRecord("RFCSI", kRfcsi, 18)->size);
  EXPECT_EQ(88u, LayOutRecord("SAPWLACCTS", kSapwlaccts, 13)->size);
  EXPECT_EQ(27u, LayOutRecord("USRACCNTV", kUsraccntv, 3)->size);

  RecordLayout cpu = *LayOutRecord("CPU_ALL", kCpuAll, 13);
  EXPECT_EQ(4u, cpu.Find("SERIALNR")->offset);
  EXPECT_EQ(8u, cpu.Find("NBR_CPU")->offset);  // two pad bytes before it
  RecordLayout usage = *LayOutRecord("SAPWLACCTS", kSapwlaccts, 13);
  EXPECT_EQ(16u, usage.Find("STEPS")->offset);  // one pad byte before it
  EXPECT_EQ(32u, usage.Find("RESP_TIME")->offset);
  EXPECT_EQ(45u, LayOutRecord("RFCSI", kRfcsi, 18)->Find("RFCHOST")->offset);
}

TEST(SimLayout, AlignsIntegersButNotOtherFields) {
  const FieldDescriptor fields[] = {{"A", kTypeChar, 1, 0, 0}, {"B", kTypeInt2, 2, 0, 0},
                                    {"C", kTypeBcd, 3, 0, 0},  {"D", kTypeInt, 4, 0, 0},
                                    {"E", kTypeChar, 1, 0, 0}};
  RecordLayout layout = *LayOutRecord("X", fields, 5);
  EXPECT_EQ(2u, layout.Find("B")->offset);
  EXPECT_EQ(4u, layout.Find("C")->offset);
  EXPECT_EQ(8u, layout.Find("D")->offset);
  EXPECT_EQ(12u, layout.Find("E")->offset);
  EXPECT_EQ(13u, layout.size);  // no padding after the last field
}

TEST(SimLayout, RefusesUnusableDescriptors) {
  const FieldDescriptor no_name[] = {{nullptr, 0, 1, 0, 0}};
  const FieldDescriptor zero_length[] = {{"A", 0, 0, 0, 0}};
  const FieldDescriptor bad_type[] = {{"A", 5, 1, 0, 0}};
  const FieldDescriptor handle_type[] = {{"A", 1000, 1, 0, 0}};
  EXPECT_FALSE(LayOutRecord("X", no_name, 1));
  EXPECT_FALSE(LayOutRecord("X", zero_length, 1));
  EXPECT_FALSE(LayOutRecord("X", bad_type, 1));
  EXPECT_FALSE(LayOutRecord("X", handle_type, 1));
  EXPECT_FALSE(LayOutRecord("X", kCpuAll, 0));
  EXPECT_FALSE(LayOutRecord(nullptr, kCpuAll, 13));
}

TEST(SimLayout, WritesValuesByTheFieldsType) {
  std::uint8_t record[16];
  LaidOutField text{"T", kTypeChar, 5, 0};
  WriteField(text, FieldValue::Text("ab"), record);
  EXPECT_EQ("ab   ", std::string(reinterpret_cast<char*>(record), 5));
  WriteField(text, FieldValue::Text("abcdefg"), record);
  EXPECT_EQ("abcde", std::string(reinterpret_cast<char*>(record), 5));
  LaidOutField num{"N", kTypeNum, 4, 0};
  WriteField(num, FieldValue::Number(42), record);
  EXPECT_EQ("0042", std::string(reinterpret_cast<char*>(record), 4));
  LaidOutField i2{"I", kTypeInt2, 2, 0};
  WriteField(i2, FieldValue::Number(-2), record);
  EXPECT_EQ("FEFF", HexAt(record, 0, 2));
  LaidOutField packed{"P", kTypeBcd, 4, 0};
  WriteField(packed, FieldValue::Number(-7), record);
  EXPECT_EQ("0000007D", HexAt(record, 0, 4));
  WriteField(packed, FieldValue::Raw("\x12\x34"), record);
  EXPECT_EQ("12340000", HexAt(record, 0, 4));
}

#include "sap/structure_descriptors.h"

TEST(SimLayout, SensorsDescriptorsGiveTheRecordSizes) {
  using namespace structures;
  EXPECT_EQ(48u, LayOutRecord("CPU_ALL", CPU_ALL, kCpuAllEntries)->size);
  EXPECT_EQ(200u, LayOutRecord("RFCSI", RFCSI, kRfcsiEntries)->size);
  EXPECT_EQ(88u, LayOutRecord("SAPWLACCTS", SAPWLACCTS, kSapwlacctsEntries)->size);
  EXPECT_EQ(27u, LayOutRecord("USRACCNTV", USRACCNTV, kUsraccntvEntries)->size);
}
