#include "measure/number_text.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string HexDump(const unsigned char* bytes, size_t n) {
  std::string hex;
  hex.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    hex += kHexDigits[bytes[i] >> 4];
    hex += kHexDigits[bytes[i] & 0x0F];
  }
  return hex;
}

// A field of n bytes holds 2n - 1 digits and the sign nibble. A field of no
// bytes, or more decimals than digits, has no text: the result is empty
// (which reads back as 0). Digit nibbles above 9 show as their hexadecimal
// letters, as the field holds them.
std::string FormatPacked(const unsigned char* bytes, size_t n, unsigned decimals) {
  if (n == 0 || decimals > 2 * n - 1) return std::string();
  std::string hex = HexDump(bytes, n);
  size_t digits = 2 * n - 1;
  size_t whole = digits - decimals;
  std::string text;
  text.reserve(2 * n + 1);
  text += hex.back() == 'D' ? '-' : '+';
  text.append(hex, 0, whole);
  if (decimals > 0) {
    text += '.';
    text.append(hex, whole, decimals);
  }
  return text;
}

std::uint32_t PackedValue(const unsigned char* bytes, size_t n) {
  if (n == 0) return 0;
  std::uint32_t value = 0;
  for (size_t nibble = 0; nibble + 1 < 2 * n; ++nibble) {
    unsigned digit = nibble % 2 == 0 ? bytes[nibble / 2] >> 4 : bytes[nibble / 2] & 0x0F;
    if (digit > 9) break;
    value = value * 10u + digit;
  }
  bool negative = (bytes[n - 1] & 0x0F) == 0x0D;
  return negative ? 0u - value : value;
}

// At most two points: a ten-digit number keeps four digits before its
// first point (4294.967.295); the summary text shows large totals so.
std::string GroupThousands(std::string_view digits) {
  size_t length = digits.size();
  if (length <= 3) return std::string(digits);
  if (length <= 6) {
    return std::string(digits.substr(0, length - 3)) + "." + std::string(digits.substr(length - 3));
  }
  return std::string(digits.substr(0, length - 6)) + "." +
         std::string(digits.substr(length - 6, 3)) + "." + std::string(digits.substr(length - 3));
}

std::uint32_t DecimalValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  return negative ? 0u - value : value;
}
