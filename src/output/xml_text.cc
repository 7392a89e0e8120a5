#include "output/xml_text.h"

#include <cstdint>

namespace {

/// The characters of Windows-1252 at 0x80-0x9F; 0 where the code page
/// assigns none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

/// The length of the well-formed UTF-8 sequence at |i| (2 to 4), or 0 when
/// the byte there does not begin one. Sets |c| to its character.
size_t Utf8Sequence(std::string_view s, size_t i, char32_t* c) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = at(i);
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if (!IsContinuation(at(i + k))) return 0;
  char32_t value = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) value = (value << 6) | (at(i + k) & 0x3F);
  *c = value;
  return length;
}

}  // namespace

void AppendXmlText(std::string_view content, std::string* out) {
  size_t i = 0;
  while (i < content.size()) {
    unsigned char b = static_cast<unsigned char>(content[i]);
    if (b == 0) return;
    if (b < 0x80) {
      bool allowed = b >= 0x20 || b == '\t' || b == '\r' || b == '\n';
      *out += allowed ? static_cast<char>(b) : '?';
      ++i;
      continue;
    }
    char32_t c;
    if (size_t length = Utf8Sequence(content, i, &c)) {
      if (c == 0xFFFE || c == 0xFFFF)
        *out += '?';
      else
        out->append(content.substr(i, length));
      i += length;
      continue;
    }
    char32_t single = b < 0xA0 ? kWindows1252High[b - 0x80] : b;
    if (single == 0)
      *out += '?';
    else
      AppendUtf8(single, out);
    ++i;
  }
}

std::string XmlText(std::string_view content) {
  std::string out;
  out.reserve(content.size());
  AppendXmlText(content, &out);
  return out;
}
