#ifndef BRINDLEMARK_SAP_UTF16_TEXT_H_
#define BRINDLEMARK_SAP_UTF16_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

/// Conversions between the sensor's single-byte texts, which are in the
/// Windows code page 1252, and the UTF-16 texts of the NetWeaver RFC
/// library.

/// |text| in UTF-16. Every byte has a character: the five bytes the code
/// page leaves undefined become the control characters of the same value.
std::u16string Utf16FromCodePage(std::string_view text);

/// |text| in code page 1252. A character the code page cannot hold becomes
/// one "?" (a surrogate pair counts as one character, a lone surrogate as
/// one too), so that the text keeps its character count.
std::string CodePageFromUtf16(std::u16string_view text);

/// Stores |text| into a fixed field of |width| bytes: cut to the width,
/// blank-padded, no terminator.
void StoreField(std::string_view text, char* field, std::size_t width);

/// Copies |text| into a zero-terminated field of |size| bytes, cut so that
/// the terminator fits.
void StoreTerminated(std::string_view text, char* field, std::size_t size);

/// The UTF-16 text up to its terminator, never past |capacity| units.
std::u16string_view TerminatedUtf16(const char16_t* text, std::size_t capacity);

#endif  // BRINDLEMARK_SAP_UTF16_TEXT_H_
