#include "sap/packed_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Hex(const std::uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0xF]);
  }
  return out;
}

}  // namespace

TEST(PackedNumberTest, IntegersAndTheirSigns) {
  std::uint8_t field[8];
  ASSERT_TRUE(EncodePackedInteger(1234, field, 8));
  EXPECT_EQ(Hex(field, 8), "000000000001234C");
  ASSERT_TRUE(EncodePackedInteger(-1234, field, 8));
  EXPECT_EQ(Hex(field, 8), "000000000001234D");
  ASSERT_TRUE(EncodePackedInteger(0, field, 2));
  EXPECT_EQ(Hex(field, 2), "000C");
  ASSERT_TRUE(EncodePackedInteger(999999999999999, field, 8));
  EXPECT_EQ(Hex(field, 8), "999999999999999C");
}

TEST(PackedNumberTest, OverflowIsReportedAndLeavesTheField) {
  std::uint8_t field[2] = {0xAB, 0xCD};
  EXPECT_FALSE(EncodePackedInteger(1000, field, 2));  // three places only
  EXPECT_FALSE(EncodePackedInteger(INT64_MIN, field, 2));
  EXPECT_FALSE(EncodePackedText("1000", 0, field, 2));
  EXPECT_EQ(Hex(field, 2), "ABCD");
  std::uint8_t wide[10];
  ASSERT_TRUE(EncodePackedInteger(INT64_MIN, wide, 10));
  EXPECT_EQ(Hex(wide, 10), "9223372036854775808D");  // the lowest value has its magnitude
}

TEST(PackedNumberTest, NumberTexts) {
  std::uint8_t field[4];
  ASSERT_TRUE(EncodePackedText(" -42 ", 0, field, 4));
  EXPECT_EQ(Hex(field, 4), "0000042D");
  ASSERT_TRUE(EncodePackedText("12.5", 2, field, 4));  // two implied decimals
  EXPECT_EQ(Hex(field, 4), "0001250C");
  ASSERT_TRUE(EncodePackedText("7.500", 2, field, 4));  // zeros beyond the places
  EXPECT_EQ(Hex(field, 4), "0000750C");
  ASSERT_TRUE(EncodePackedText("-0", 0, field, 4));  // no negative zero
  EXPECT_EQ(Hex(field, 4), "0000000C");
  for (const char* bad : {"", "-", "1.234", "12a", "1..2", "1 2"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(EncodePackedText(bad, 2, field, 4));
  }
}
