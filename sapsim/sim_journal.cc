#include "sapsim/sim_journal.h"

#include <cstdio>
#include <cstring>

void SimJournal::SetPath(const std::string& path) {
  if (path == path_) return;
  out_.close();
  out_.clear();
  path_ = path;
  if (!path_.empty()) out_.open(path_, std::ios::binary | std::ios::app);
}

void SimJournal::Write(const nlohmann::json& entry) {
  if (path_.empty() || !out_) return;
  out_ << entry.dump() << '\n';
  out_.flush();
}

nlohmann::json JournalText(const char* text, std::size_t length) {
  if (text == nullptr) return nullptr;
  std::string utf8;
  utf8.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | c >> 6);
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

nlohmann::json JournalText(const char* text) {
  return JournalText(text, text == nullptr ? 0 : std::strlen(text));
}

namespace {

bool IsCharacterType(RfcType type) {
  return type == kTypeChar || type == kTypeDate || type == kTypeTime || type == kTypeNum;
}

}  // namespace

nlohmann::json JournalValue(const RfcParameter& p) {
  if (p.addr == nullptr) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(p.addr);
  std::size_t length = p.leng < 65536 ? p.leng : 65536;
  if (IsCharacterType(p.type)) return JournalText(static_cast<const char*>(p.addr), length);
  if ((p.type == kTypeInt && length == 4) || (p.type == kTypeInt2 && length == 2) ||
      (p.type == kTypeInt1 && length == 1)) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < length; ++i)
      bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    std::int64_t value = p.type == kTypeInt    ? static_cast<std::int32_t>(bits)
                         : p.type == kTypeInt2 ? static_cast<std::int16_t>(bits)
                                               : static_cast<std::int8_t>(bits);
    return std::to_string(value);
  }
  std::string hex;
  char digits[3];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    hex += digits;
  }
  return hex;
}
