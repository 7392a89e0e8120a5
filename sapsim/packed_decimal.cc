#include "sapsim/packed_decimal.h"

void EncodePacked(std::int64_t value, std::uint8_t* out, std::size_t length) {
  if (length == 0) return;
  bool negative = value < 0;
  // Work on the unsigned magnitude so that the smallest int64 is safe.
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  // Nibbles from the right: the sign first, then the digits.
  std::size_t nibbles = 2 * length;
  for (std::size_t i = 0; i < nibbles; ++i) {
    std::uint8_t nibble;
    if (i == 0) {
      nibble = negative ? 0xD : 0xC;
    } else {
      nibble = static_cast<std::uint8_t>(magnitude % 10);
      magnitude /= 10;
    }
    std::size_t byte = length - 1 - i / 2;
    if (i % 2 == 0)
      out[byte] = nibble;
    else
      out[byte] = static_cast<std::uint8_t>(out[byte] | (nibble << 4));
  }
}

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseHexBytes(const std::string& text, std::uint8_t out[8]) {
  if (text.size() != 16) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    int high = HexValue(text[2 * i]);
    int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return true;
}
