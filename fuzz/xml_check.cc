#include "xml_check.h"

#include <cstdint>
#include <vector>

namespace {

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

/// Decodes the UTF-8 character at |i| (strictly: no overlong forms, no
/// surrogates, nothing above U+10FFFF); its length, 0 when malformed.
size_t Decode(std::string_view s, size_t i, char32_t* c) {
  auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = at(i);
  size_t length;
  char32_t value, minimum;
  if (lead < 0x80) {
    *c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (at(i + k) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *c = value;
  return length;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

/// Checks a reference after "&" at |i|; moves |i| past its ";".
bool Reference(std::string_view s, size_t* i) {
  size_t end = s.find(';', *i);
  if (end == std::string_view::npos) return false;
  std::string_view name = s.substr(*i, end - *i);
  *i = end + 1;
  if (name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos")
    return true;
  if (name.size() < 2 || name[0] != '#') return false;
  bool hex = name[1] == 'x';
  std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 8) return false;
  char32_t value = 0;
  for (char d : digits) {
    int v = d >= '0' && d <= '9'          ? d - '0'
            : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
            : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                          : -1;
    if (v < 0) return false;
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
  }
  return IsXmlChar(value);
}

}  // namespace

bool IsXmlCharacterData(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    size_t n = Decode(text, i, &c);
    if (n == 0 || !IsXmlChar(c)) return false;
    i += n;
  }
  return true;
}

bool IsWellFormedXml(std::string_view s, std::string* why) {
  auto fail = [&](const std::string& what, size_t at) {
    *why = what + " at byte " + std::to_string(at);
    return false;
  };
  std::vector<std::string_view> open;
  bool rootSeen = false;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '<') {
      size_t start = i++;
      bool closing = i < s.size() && s[i] == '/';
      if (closing) ++i;
      size_t nameStart = i;
      if (i >= s.size() || !IsNameStart(s[i])) return fail("bad tag", start);
      while (i < s.size() && IsNameChar(s[i])) ++i;
      std::string_view name = s.substr(nameStart, i - nameStart);
      while (i < s.size() && IsSpace(s[i])) ++i;
      bool empty = !closing && i < s.size() && s[i] == '/';
      if (empty) ++i;
      if (i >= s.size() || s[i] != '>') return fail("bad tag", start);
      ++i;
      if (closing) {
        if (open.empty() || open.back() != name) return fail("unmatched end tag", start);
        open.pop_back();
      } else {
        if (open.empty() && rootSeen) return fail("second root element", start);
        rootSeen = true;
        if (!empty) open.push_back(name);
      }
      continue;
    }
    if (open.empty()) {  // outside the root element only white space
      if (!IsSpace(c)) return fail("text outside the root element", i);
      ++i;
      continue;
    }
    if (c == '&') {
      size_t start = i++;
      if (!Reference(s, &i)) return fail("bad reference", start);
      continue;
    }
    if (c == '>' && i >= 2 && s[i - 1] == ']' && s[i - 2] == ']') return fail("\"]]>\" in text", i);
    char32_t decoded;
    size_t n = Decode(s, i, &decoded);
    if (n == 0) return fail("malformed UTF-8", i);
    if (!IsXmlChar(decoded)) return fail("character not allowed in XML", i);
    i += n;
  }
  if (!rootSeen) return fail("no root element", i);
  if (!open.empty()) return fail("unclosed element", i);
  return true;
}
