#ifndef BRINDLEMARK_FUZZ_XML_CHECK_H_
#define BRINDLEMARK_FUZZ_XML_CHECK_H_

#include <string>
#include <string_view>

/// Whether |text| is a well-formed XML 1.0 document in UTF-8 made of the
/// parts the result document uses: white space, one root element, nested
/// elements without attributes, character data with the predefined entity
/// and character references. Anything else (comments, processing
/// instructions, CDATA, a document type, attributes) counts as malformed,
/// so the check is stricter than XML itself. Sets |why| on failure.
bool IsWellFormedXml(std::string_view text, std::string* why);

/// Whether |text| is well-formed UTF-8 made only of characters XML 1.0
/// allows.
bool IsXmlCharacterData(std::string_view text);

#endif  // BRINDLEMARK_FUZZ_XML_CHECK_H_
