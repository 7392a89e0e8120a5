#include "platform/file_system.h"

std::vector<std::string_view> SplitLines(std::string_view contents) {
  std::vector<std::string_view> lines;
  ForEachLine(contents, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}

std::optional<std::uint64_t> FileSystem::SizeOf(const std::string& path) {
  std::string contents;
  if (!ReadFile(path, &contents)) return std::nullopt;
  return contents.size();
}

bool FileSystem::ReadFileHead(const std::string& path, std::uint64_t size, std::string* contents) {
  if (!ReadFile(path, contents)) return false;
  if (contents->size() > size) contents->resize(static_cast<size_t>(size));
  return true;
}
