#ifndef BRINDLEMARK_MEASURE_NUMBER_TEXT_H_
#define BRINDLEMARK_MEASURE_NUMBER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// Each byte as two upper-case hexadecimal digits, high nibble first.
std::string HexDump(const unsigned char* bytes, size_t n);

/// The signed decimal text of a packed decimal field of |n| bytes with
/// |decimals| decimal places: "-" when the sign nibble is D, else "+", then
/// the digits as they stand (leading zeros kept), with a point before the
/// last |decimals| digits. A field of no bytes, or more decimals than it
/// has digits, gives an empty text.
std::string FormatPacked(const unsigned char* bytes, size_t n, unsigned decimals);

/// The number an integral packed decimal field stands for, exactly as
/// DecimalValue(FormatPacked(bytes, n, 0)) reads it (the digits up to the
/// first nibble above 9, negative with the sign nibble D, modulo 2^32), but
/// without building the text: the statistics hold millions of such fields.
std::uint32_t PackedValue(const unsigned char* bytes, size_t n);

/// A decimal text of at most 10 digits with points between groups of
/// digits: "1234" gives "1.234", "1234567" gives "1.234.567".
std::string GroupThousands(std::string_view digits);

/// The number a decimal text stands for: leading blanks skipped, an
/// optional sign, digits up to the first non-digit; wraps modulo 2^32.
std::uint32_t DecimalValue(std::string_view text);

#endif  // BRINDLEMARK_MEASURE_NUMBER_TEXT_H_
