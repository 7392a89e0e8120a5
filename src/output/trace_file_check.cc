#include "output/trace_file_check.h"

#include <string>
#include <string_view>

#include "run/run.h"

namespace {

/// The trace file is examined line by line, each line (without its line
/// end) as its first 99 characters, as it has always been read: an error
/// text therefore has at most 87 characters. The rest of a longer line is
/// dropped rather than examined as a line of its own, where a match would
/// only be chance.
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

void CheckTraceFile(Run& run) {
  std::string contents;
  if (!run.disk.ReadFile("Dev_Rfc.Trc", &contents)) {
    run.resultDocument.Append(" - Look for Trace-File");
    return;
  }
  std::string errorText;
  ForEachLine(contents, [&](std::string_view line) { ExamineLine(line, &errorText); });
  if (errorText.empty())
    run.resultDocument.Append(" - Please Check Trace-File !");
  else
    run.resultDocument.Append(" - " + errorText);
}
