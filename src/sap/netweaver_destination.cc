#include "sap/netweaver_destination.h"

#include "platform/file_system.h"

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool FindDestinationEntry(std::string_view ini, const std::string& name,
                          std::vector<std::pair<std::string, std::string>>* entry,
                          std::string* problem) {
  entry->clear();
  bool inside = false;
  bool found = false;
  ForEachLine(ini, [&](std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() == '*' || line.front() == '#') return;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    std::string key(Trimmed(line.substr(0, equals)));
    std::string value(Trimmed(line.substr(equals + 1)));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (key == "DEST") {
      inside = !found && value == name;
      found = found || inside;
    }
    if (inside) entry->emplace_back(key, value);
  });
  if (!found) {
    *problem = "Entry for destination " + name + " in SapRfc.ini not found";
    return false;
  }
  for (const auto& [key, value] : *entry) {
    if (key == "TYPE" && value != "A" && value != "a" && value != "B" && value != "b") {
      *problem = "TYPE=" + value + " of destination " + name + " is not supported";
      return false;
    }
  }
  return true;
}
