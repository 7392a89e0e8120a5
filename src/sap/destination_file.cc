#include "sap/destination_file.h"

#include <cctype>

namespace {

std::string_view Trim(std::string_view text) {
  const char* kBlanks = " \t\r";
  std::size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(kBlanks);
  return text.substr(begin, end - begin + 1);
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

/// Splits a KEY=value line; false for a comment or a line without '='.
bool SplitLine(std::string_view line, std::string* key, std::string_view* value) {
  line = Trim(line);
  if (line.empty() || line[0] == '#' || line[0] == '*') return false;
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  *key = Upper(Trim(line.substr(0, equals)));
  *value = Trim(line.substr(equals + 1));
  return true;
}

}  // namespace

const std::string* Destination::Find(std::string_view key) const {
  std::string wanted = Upper(key);
  const std::string* found = nullptr;
  for (const auto& [entryKey, value] : entries)
    if (entryKey == wanted) found = &value;
  return found;
}

std::optional<Destination> FindDestination(std::string_view text, std::string_view name) {
  std::optional<Destination> destination;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::string key;
    std::string_view value;
    if (!SplitLine(line, &key, &value)) continue;
    if (key == "DEST") {
      if (destination) break;  // the entry ends at the next destination
      if (value == name) destination = Destination{std::string(value), {}};
    } else if (destination) {
      destination->entries.emplace_back(std::move(key), std::string(value));
    }
  }
  return destination;
}

std::string FinalHost(std::string_view ashost) {
  std::size_t marker = ashost.rfind("/H/");
  if (marker == std::string_view::npos) return std::string(ashost);
  std::string_view host = ashost.substr(marker + 3);
  return std::string(host.substr(0, host.find('/')));
}
