#include "sapsim/packed_decimal.h"

#include <gtest/gtest.h>

#include "sapsim/sim_test_support.h"

using simtest::HexAt;

TEST(SimPacked, EncodesFifteenDigitsAndSign) {
  std::uint8_t out[8];
  EncodePacked(1234, out, 8);
  EXPECT_EQ("000000000001234C", HexAt(out, 0));
  EncodePacked(-1234, out, 8);
  EXPECT_EQ("000000000001234D", HexAt(out, 0));
  EncodePacked(0, out, 8);
  EXPECT_EQ("000000000000000C", HexAt(out, 0));
  EncodePacked(kMaxPacked15, out, 8);
  EXPECT_EQ("999999999999999C", HexAt(out, 0));
  EncodePacked(-kMaxPacked15, out, 8);
  EXPECT_EQ("999999999999999D", HexAt(out, 0));
}

TEST(SimPacked, CutsOverflowAtTheHighEndAndSurvivesTheSmallestValue) {
  std::uint8_t out[2];
  EncodePacked(12345, out, 2);  // three digits fit
  EXPECT_EQ("345C", HexAt(out, 0, 2));
  std::uint8_t wide[8];
  EncodePacked(INT64_MIN, wide, 8);
  EXPECT_EQ("854775808D", HexAt(wide, 0).substr(6));
}

TEST(SimPacked, ParsesSixteenHexDigitsOnly) {
  std::uint8_t out[8];
  ASSERT_TRUE(ParseHexBytes("00000000000001aF", out));
  EXPECT_EQ("00000000000001AF", HexAt(out, 0));
  EXPECT_FALSE(ParseHexBytes("000000000000001", out));
  EXPECT_FALSE(ParseHexBytes("000000000000001G", out));
  EXPECT_FALSE(ParseHexBytes("", out));
}
