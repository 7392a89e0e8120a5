#include "sap/packed_number.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

/// Packs the decimal digits |digits| (most significant first, no leading
/// zeros needed) with a sign into |length| bytes.
bool Pack(const std::string& digits, bool negative, std::uint8_t* out, std::size_t length) {
  if (length == 0) return false;
  std::size_t places = 2 * length - 1;
  std::size_t first = digits.find_first_not_of('0');
  std::size_t significant = first == std::string::npos ? 0 : digits.size() - first;
  if (significant > places) return false;
  std::vector<std::uint8_t> nibbles(2 * length, 0);
  for (std::size_t i = 0; i < significant; ++i)
    nibbles[places - significant + i] = static_cast<std::uint8_t>(digits[first + i] - '0');
  nibbles[places] = negative && significant > 0 ? 0xD : 0xC;
  for (std::size_t i = 0; i < length; ++i)
    out[i] = static_cast<std::uint8_t>(nibbles[2 * i] << 4 | nibbles[2 * i + 1]);
  return true;
}

}  // namespace

bool EncodePackedInteger(std::int64_t value, std::uint8_t* out, std::size_t length) {
  bool negative = value < 0;
  // The magnitude through unsigned arithmetic, so that the lowest value has
  // one too.
  std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  return Pack(std::to_string(magnitude), negative, out, length);
}

bool EncodePackedText(std::string_view text, unsigned decimals, std::uint8_t* out,
                      std::size_t length) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::string digits;
  std::size_t fraction = 0;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits.push_back(c);
      if (point) ++fraction;
    } else {
      return false;
    }
  }
  // Decimal places beyond the field's are taken only when they are zeros.
  while (fraction > decimals && !digits.empty() && digits.back() == '0') {
    digits.pop_back();
    --fraction;
  }
  if (digits.empty() || fraction > decimals) return false;
  digits.append(decimals - fraction, '0');
  return Pack(digits, negative, out, length);
}
