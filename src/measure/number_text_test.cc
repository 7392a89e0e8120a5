#include "measure/number_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "sapsim/packed_decimal.h"

namespace {

std::string Packed(std::vector<unsigned char> bytes, unsigned decimals = 0) {
  return FormatPacked(bytes.data(), bytes.size(), decimals);
}

TEST(NumberTextTest, PackedNumbersAsTheSystemEncodesThem) {
  struct Case {
    std::int64_t value;
    size_t length;
    const char* hex;
    const char* text;
  } cases[] = {
      {1234, 8, "000000000001234C", "+000000000001234"},
      {-1234, 8, "000000000001234D", "-000000000001234"},
      {0, 8, "000000000000000C", "+000000000000000"},
      {kMaxPacked15, 8, "999999999999999C", "+999999999999999"},
      {-kMaxPacked15, 8, "999999999999999D", "-999999999999999"},
      {12345, 2, "345C", "+345"},  // the high digits are lost
      {INT64_MIN, 8, "372036854775808D", "-372036854775808"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    unsigned char field[8];
    EncodePacked(c.value, field, c.length);
    EXPECT_EQ(HexDump(field, c.length), c.hex);
    EXPECT_EQ(FormatPacked(field, c.length, 0), c.text);
    EXPECT_EQ(PackedValue(field, c.length), DecimalValue(c.text));
  }
}

TEST(NumberTextTest, PackedFieldsOfAnyContent) {
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0, 0x12, 0x3F}), "+000000000000123");  // F: plus
  EXPECT_EQ(Packed({0x1A, 0x0B}), "+1A0");  // bad nibbles shown as they are
  EXPECT_EQ(Packed({0x12, 0x3C}, 2), "+1.23");
  EXPECT_EQ(Packed({0x12, 0x3C}, 3), "+.123");
  EXPECT_EQ(Packed({0x12, 0x3D}, 1), "-12.3");
  // Outside the field: no text rather than a read past it.
  EXPECT_EQ(Packed({0x12, 0x3C}, 4), "");
  EXPECT_EQ(FormatPacked(nullptr, 0, 0), "");
  std::vector<unsigned char> largest(511, 0x99);
  largest.back() = 0x9D;
  EXPECT_EQ(Packed(largest, 1021), "-." + std::string(1021, '9'));
  for (const std::vector<unsigned char>& field : std::vector<std::vector<unsigned char>>{
           {0x12, 0xA4, 0, 0, 0, 0, 0, 0x0C}, {0x7C}, {0, 0, 0, 0, 0, 0, 0, 0x0B}, largest}) {
    EXPECT_EQ(PackedValue(field.data(), field.size()), DecimalValue(Packed(field)));
  }
  EXPECT_EQ(PackedValue(nullptr, 0), 0u);
}

TEST(NumberTextTest, DecimalValueAndGrouping) {
  EXPECT_EQ(DecimalValue("  42abc"), 42u);
  EXPECT_EQ(DecimalValue("-000000000000001"), 4294967295u);
  EXPECT_EQ(DecimalValue("4294967296"), 0u);  // wraps
  for (const char* none : {"", "-", "x1", "-000000000000000"}) EXPECT_EQ(DecimalValue(none), 0u);
  // Grouping is shown by the scenarios' summary texts.
  EXPECT_EQ(GroupThousands(""), "");
}

}  // namespace
