// The XML text of any bytes is XML character data, a fixed point, and
// leaves text that was clean already as it was.

#include <string>

#include "fuzz_check.h"
#include "output/xml_text.h"
#include "xml_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string out = XmlText(in);
  FUZZ_CHECK(IsXmlCharacterData(out));
  FUZZ_CHECK(out.size() <= 3 * in.size());
  FUZZ_CHECK(XmlText(out) == out);
  std::string_view beforeNul = in.substr(0, in.find('\0'));
  if (IsXmlCharacterData(beforeNul)) FUZZ_CHECK(out == beforeNul);
  return 0;
}
