#ifndef BRINDLEMARK_PLATFORM_TEXT_H_
#define BRINDLEMARK_PLATFORM_TEXT_H_

#include <string>
#include <string_view>

/// The sensor's texts are single bytes; only the ASCII letters have a case.

/// |c| with an ASCII lower-case letter turned into upper case.
inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// |text| with every ASCII letter in upper case; other bytes unchanged.
inline std::string UpperCased(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

/// |text| with every |from| turned into |to|.
inline std::string Replaced(std::string_view text, char from, char to) {
  std::string result(text);
  for (char& c : result)
    if (c == from) c = to;
  return result;
}

/// The part of |text| from |start| on; empty when |text| is shorter.
inline std::string_view From(std::string_view text, size_t start) {
  return text.size() > start ? text.substr(start) : std::string_view();
}

/// The UTF-8 byte-order mark that Windows editors (Notepad saving as
/// UTF-8) put at the start of a file. It belongs to the file, not to its
/// first line.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// Whether the contents of a file begin with the byte-order mark.
inline bool HasByteOrderMark(std::string_view contents) {
  return contents.starts_with(kByteOrderMark);
}

/// The contents of a file without a byte-order mark at its start.
inline std::string_view WithoutByteOrderMark(std::string_view contents) {
  return HasByteOrderMark(contents) ? contents.substr(kByteOrderMark.size()) : contents;
}

#endif  // BRINDLEMARK_PLATFORM_TEXT_H_
