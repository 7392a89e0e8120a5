#include "sapsim/sim_journal.h"

#include <cstring>

void SimJournal::SetPath(const std::string& path) {
  if (path == path_)
    return;
  out_.close();
  out_.clear();
  path_ = path;
  if (!path_.empty())
    out_.open(path_, std::ios::binary | std::ios::app);
}

void SimJournal::Write(const nlohmann::json& entry) {
  if (path_.empty() || !out_)
    return;
  out_ << entry.dump() << '\n';
  out_.flush();
}

nlohmann::json JournalText(const char* text, std::size_t length) {
  if (text == nullptr)
    return nullptr;
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
