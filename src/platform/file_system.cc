#include "platform/file_system.h"

std::vector<std::string_view> SplitLines(std::string_view contents) {
  std::vector<std::string_view> lines;
  ForEachLine(contents, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}
