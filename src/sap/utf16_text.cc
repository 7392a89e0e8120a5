#include "sap/utf16_text.h"

#include <algorithm>
#include <cstring>

namespace {

/// The characters of the bytes 0x80 to 0x9F; the rest of the code page is
/// Latin-1. Undefined bytes keep their own value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char kReplacement = '?';

char CodePageByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return kReplacement;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::u16string Utf16FromCodePage(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    out.push_back(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80]
                                              : static_cast<char16_t>(byte));
  }
  return out;
}

std::string CodePageFromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(CodePageByte(c));
  }
  return out;
}

void StoreField(std::string_view text, char* field, std::size_t width) {
  std::size_t n = std::min(text.size(), width);
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', width - n);
}

void StoreTerminated(std::string_view text, char* field, std::size_t size) {
  if (size == 0) return;
  std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

std::u16string_view TerminatedUtf16(const char16_t* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return std::u16string_view(text, n);
}
