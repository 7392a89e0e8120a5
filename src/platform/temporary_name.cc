#include "platform/temporary_name.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr std::string_view kMark = ".brindlemark-";
constexpr std::string_view kEnd = ".tmp";

bool SameText(std::string_view a, std::string_view b, bool caseMatters) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (caseMatters ? x != y : std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

/// Whether |text| is one or more characters, each accepted by |accept|.
template <typename Accept>
bool AllOf(std::string_view text, Accept accept) {
  if (text.empty()) return false;
  for (char c : text)
    if (!accept(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string_view TemporaryNameStem(std::string_view fileName) {
  // Room for the mark, a process id of ten digits, "-", eight digits and
  // the end.
  constexpr size_t kLongestTail = kMark.size() + 10 + 1 + 8 + kEnd.size();
  constexpr size_t kLongestStem = kMaxFileNameLength - kLongestTail;
  if (fileName.size() <= kLongestStem) return fileName;
  size_t length = kLongestStem;
  // A byte 10xxxxxx continues a UTF-8 character.
  while (length > 0 && (static_cast<unsigned char>(fileName[length]) & 0xC0) == 0x80) --length;
  return fileName.substr(0, length);
}

std::string TemporaryName(std::string_view fileName, unsigned long process, std::uint32_t random) {
  char tail[48];
  std::snprintf(tail, sizeof tail, "%lu-%08lx", process & 0xFFFFFFFFUL,
                static_cast<unsigned long>(random));
  return std::string(TemporaryNameStem(fileName)) + std::string(kMark) + tail + std::string(kEnd);
}

bool IsTemporaryNameOf(std::string_view name, std::string_view fileName, bool caseMatters) {
  fileName = TemporaryNameStem(fileName);
  size_t head = fileName.size() + kMark.size();
  if (name.size() < head + kEnd.size()) return false;
  if (!SameText(name.substr(0, fileName.size()), fileName, caseMatters) ||
      !SameText(name.substr(fileName.size(), kMark.size()), kMark, caseMatters) ||
      !SameText(name.substr(name.size() - kEnd.size()), kEnd, caseMatters))
    return false;
  std::string_view middle = name.substr(head, name.size() - head - kEnd.size());
  size_t dash = middle.find('-');
  if (dash == std::string_view::npos) return false;
  return AllOf(middle.substr(0, dash), [](unsigned char c) { return std::isdigit(c) != 0; }) &&
         AllOf(middle.substr(dash + 1), [](unsigned char c) { return std::isxdigit(c) != 0; });
}
