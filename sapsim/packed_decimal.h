#ifndef BRINDLEMARK_SAPSIM_PACKED_DECIMAL_H_
#define BRINDLEMARK_SAPSIM_PACKED_DECIMAL_H_

#include <cstddef>
#include <cstdint>
#include <string>

/// The largest magnitude an 8-byte packed field (15 digits) can hold.
constexpr std::int64_t kMaxPacked15 = 999999999999999;

/// Writes |value| as a packed decimal of |length| bytes into |out|: two
/// digits a byte, high nibble first, the last nibble the sign (C for zero
/// and positive values, D for negative ones). Digits that do not fit into
/// the 2 * length - 1 places are cut off at the high end, as an overflowing
/// field in SAP would hold them.
void EncodePacked(std::int64_t value, std::uint8_t* out, std::size_t length);

/// Reads a text of exactly 16 hexadecimal digits (either case) as 8 bytes,
/// high nibble first. False when the text has another form.
bool ParseHexBytes(const std::string& text, std::uint8_t out[8]);

#endif  // BRINDLEMARK_SAPSIM_PACKED_DECIMAL_H_
