// The packed numbers of the statistics records and the value texts.

#include <string>

#include "fuzz_check.h"
#include "measure/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  unsigned decimals = input.Byte() % 40;
  std::string_view field = input.Text();
  const auto* bytes = reinterpret_cast<const unsigned char*>(field.data());

  std::string packed = FormatPacked(bytes, field.size(), decimals);
  if (!packed.empty()) {
    FUZZ_CHECK(packed[0] == '+' || packed[0] == '-');
    FUZZ_CHECK(packed.size() == 2 * field.size() + (decimals > 0 ? 1 : 0));
  }
  // The quick reading agrees with the reading of the text.
  FUZZ_CHECK(PackedValue(bytes, field.size()) ==
             DecimalValue(FormatPacked(bytes, field.size(), 0)));
  FUZZ_CHECK(HexDump(bytes, field.size()).size() == 2 * field.size());

  std::string_view text = input.Rest();
  (void)DecimalValue(text);
  // Grouping only inserts points between the digits.
  std::string digits;
  for (char c : text.substr(0, 10))
    if (c >= '0' && c <= '9') digits += c;
  std::string grouped = GroupThousands(digits);
  std::string back;
  for (char c : grouped)
    if (c != '.') back += c;
  FUZZ_CHECK(back == digits);
  FUZZ_CHECK(DecimalValue(digits) == DecimalValue(back));
  return 0;
}
