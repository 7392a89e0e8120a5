#include "output/trace_file_check.h"

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace {

/// The trace file is examined line by line, each line (without its line
/// end) as its first 99 characters: an error text therefore has at most 87
/// characters. The rest of a longer line is dropped rather than examined
/// as a line of its own, where a match would only be chance.
constexpr size_t kLineLimit = 99;

/// The error text a line supplies, or what it does to the one found so far:
/// "**** ERROR " clears it, "ERROR " gives the text from the 13th character,
/// "======> " at the 8th gives the text from the 16th.
void ExamineLine(std::string_view line, std::string* errorText) {
  line = line.substr(0, kLineLimit);
  if (line.substr(0, 11) == "**** ERROR ") errorText->clear();
  if (line.substr(0, 6) == "ERROR ")
    *errorText = std::string(line.size() > 12 ? line.substr(12) : std::string_view());
  if (line.size() >= 15 && line.substr(7, 8) == "======> ")
    *errorText = std::string(line.substr(15));
}

}  // namespace

std::string TraceFileRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles) {
  std::string contents;
  bool read = false;
  for (const std::string& name : libraryFiles)
    if (!read) read = disk.ReadFile(name, &contents);
  if (!read && !disk.ReadFile(kTraceFileName, &contents)) return " - Look for Trace-File";
  std::string errorText;
  ForEachLine(contents, [&](std::string_view line) { ExamineLine(line, &errorText); });
  if (errorText.empty()) return " - Please Check Trace-File !";
  return " - " + errorText;
}

std::string FailureRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                          bool libraryLogsErrors, std::string_view libraryText) {
  if (libraryLogsErrors) return TraceFileRemark(disk, libraryFiles);
  // As the text of an "ERROR " line of twelve characters before it.
  std::string text(libraryText.substr(0, kLineLimit - 12));
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  if (text.empty()) return " - Please Check Trace-File !";
  return " - " + text;
}
