#ifndef BRINDLEMARK_SAP_PACKED_NUMBER_H_
#define BRINDLEMARK_SAP_PACKED_NUMBER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

/// Packed decimals as SAP keeps them: two digits a byte, high nibble first,
/// the last nibble the sign (C positive or zero, D negative); a field of
/// |length| bytes holds 2 * length - 1 digits.

/// Writes |value| as a packed decimal of |length| bytes. False, with the
/// field left untouched, when the value has more digits than fit.
bool EncodePackedInteger(std::int64_t value, std::uint8_t* out, std::size_t length);

/// Writes the number text |text| (optional sign, digits, optionally a
/// point and further digits, of which those beyond |decimals| must be
/// zeros; blanks around it allowed)
/// as a packed decimal of |length| bytes with |decimals| implied decimal
/// places. False, with the field left untouched, when the text is not such
/// a number or has more digits than fit.
bool EncodePackedText(std::string_view text, unsigned decimals, std::uint8_t* out,
                      std::size_t length);

#endif  // BRINDLEMARK_SAP_PACKED_NUMBER_H_
