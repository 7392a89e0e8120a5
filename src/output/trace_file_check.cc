#include "output/trace_file_check.h"

#include <algorithm>
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

/// The remark on the contents of a trace file.
std::string RemarkOfContents(std::string_view contents) {
  std::string errorText;
  ForEachLine(contents, [&](std::string_view line) { ExamineLine(line, &errorText); });
  if (errorText.empty()) return " - Please Check Trace-File !";
  return " - " + errorText;
}

}  // namespace

std::string TraceFileRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles) {
  std::string contents;
  bool read = false;
  for (const std::string& name : libraryFiles)
    if (!read) read = disk.ReadFile(name, &contents);
  if (!read && !disk.ReadFile(kTraceFileName, &contents)) return " - Look for Trace-File";
  return RemarkOfContents(contents);
}

std::optional<std::uint64_t> TraceFileSize(FileSystem& disk,
                                           const std::vector<std::string>& libraryFiles) {
  for (const std::string& name : libraryFiles)
    if (std::optional<std::uint64_t> size = disk.SizeOf(name)) return size;
  return disk.SizeOf(kTraceFileName);
}

std::string TraceFileRemarkWithout(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                                   const std::vector<TraceFileSpan>& leftOut) {
  if (leftOut.empty()) return TraceFileRemark(disk, libraryFiles);
  std::vector<TraceFileSpan> spans = leftOut;
  std::sort(spans.begin(), spans.end(), [](const TraceFileSpan& a, const TraceFileSpan& b) {
    return a.begin.value_or(0) < b.begin.value_or(0) || (!a.begin && b.begin);
  });
  std::optional<std::uint64_t> size = TraceFileSize(disk, libraryFiles);
  // The head of the file up to |at| bytes, as the file is read.
  auto head = [&](std::uint64_t at) {
    std::string contents;
    bool read = false;
    for (const std::string& name : libraryFiles)
      if (!read) read = disk.ReadFileHead(name, at, &contents);
    if (!read) disk.ReadFileHead(kTraceFileName, at, &contents);
    return contents;
  };
  std::string kept;
  std::uint64_t from = 0;  // the first byte not yet kept or left out
  for (const TraceFileSpan& span : spans) {
    std::uint64_t begin = span.begin.value_or(0);
    if (size && begin > from) {
      std::string upToBegin = head(begin);
      std::string upToFrom = head(from);
      if (upToBegin.size() > upToFrom.size()) kept += upToBegin.substr(upToFrom.size());
    }
    if (!span.end) {
      from = size.value_or(0);
      break;
    }
    from = std::max(from, *span.end);
  }
  if (size && *size > from) {
    std::string all = head(*size);
    std::string upToFrom = head(from);
    if (all.size() > upToFrom.size()) kept += all.substr(upToFrom.size());
  }
  if (kept.empty() && !spans.front().begin) return " - Look for Trace-File";
  return RemarkOfContents(kept);
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
