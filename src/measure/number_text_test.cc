#include "measure/number_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string Packed(std::vector<unsigned char> bytes, unsigned decimals) {
  return FormatPacked(bytes.data(), bytes.size(), decimals);
}

TEST(NumberTextTest, HexDump) {
  const unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(HexDump(bytes, 4), "000FA5FF");
  EXPECT_EQ(HexDump(bytes, 0), "");
}

TEST(NumberTextTest, PackedSignAndDigits) {
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0x01, 0x23, 0x4C}, 0), "+000000000001234");
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0x01, 0x23, 0x4D}, 0), "-000000000001234");
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0, 0, 0x0C}, 0), "+000000000000000");
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0, 0, 0x0D}, 0), "-000000000000000");
  EXPECT_EQ(Packed({0, 0, 0, 0, 0, 0, 0x12, 0x3F}, 0), "+000000000000123");
  EXPECT_EQ(Packed({0x1A, 0x0B}, 0), "+1A0");  // bad nibbles shown as they are
  EXPECT_EQ(Packed({0x7C}, 0), "+7");
}

TEST(NumberTextTest, PackedValueReadsAsTheTextDoes) {
  const std::vector<std::vector<unsigned char>> fields = {
      {0, 0, 0, 0, 0, 0x01, 0x23, 0x4C}, {0, 0, 0, 0, 0, 0x01, 0x23, 0x4D},
      {0, 0, 0, 0, 0, 0, 0, 0x0D},       {0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9C},
      {0x12, 0xA4, 0, 0, 0, 0, 0, 0x0C}, {0x7C},
      {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0B}};
  for (const auto& field : fields) {
    EXPECT_EQ(PackedValue(field.data(), field.size()),
              DecimalValue(FormatPacked(field.data(), field.size(), 0)));
  }
  EXPECT_EQ(PackedValue(nullptr, 0), 0u);
}

TEST(NumberTextTest, PackedDecimals) {
  EXPECT_EQ(Packed({0x12, 0x3C}, 2), "+1.23");
  EXPECT_EQ(Packed({0x12, 0x3C}, 3), "+.123");
  EXPECT_EQ(Packed({0x12, 0x3D}, 1), "-12.3");
  // Outside the field: no text rather than a read past it.
  EXPECT_EQ(Packed({0x12, 0x3C}, 4), "");
  EXPECT_EQ(FormatPacked(nullptr, 0, 0), "");
}

TEST(NumberTextTest, PackedLargestField) {
  std::vector<unsigned char> bytes(511, 0x99);
  bytes.back() = 0x9D;
  std::string text = Packed(bytes, 1021);
  EXPECT_EQ(text, "-." + std::string(1021, '9'));
  EXPECT_EQ(Packed(bytes, 0), "-" + std::string(1021, '9'));
}

TEST(NumberTextTest, GroupThousands) {
  EXPECT_EQ(GroupThousands(""), "");
  EXPECT_EQ(GroupThousands("0"), "0");
  EXPECT_EQ(GroupThousands("999"), "999");
  EXPECT_EQ(GroupThousands("1000"), "1.000");
  EXPECT_EQ(GroupThousands("123456"), "123.456");
  EXPECT_EQ(GroupThousands("1234567"), "1.234.567");
  EXPECT_EQ(GroupThousands("4294967295"), "4294.967.295");
}

TEST(NumberTextTest, DecimalValue) {
  EXPECT_EQ(DecimalValue("+000000000001234"), 1234u);
  EXPECT_EQ(DecimalValue("  42abc"), 42u);
  EXPECT_EQ(DecimalValue("-000000000000001"), 4294967295u);
  EXPECT_EQ(DecimalValue("-000000000000000"), 0u);
  EXPECT_EQ(DecimalValue("4294967296"), 0u);  // wraps
  EXPECT_EQ(DecimalValue("+999999999999999"), static_cast<std::uint32_t>(999999999999999ull));
  EXPECT_EQ(DecimalValue(""), 0u);
  EXPECT_EQ(DecimalValue("-"), 0u);
  EXPECT_EQ(DecimalValue("x1"), 0u);
  EXPECT_EQ(DecimalValue(FormatPacked(nullptr, 0, 0)), 0u);
}

}  // namespace
