#include "sapsim/fault_trace.h"

#include <fstream>

void AppendTraceLines(const std::string& path, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  // Text mode, as the RFC library writes its trace: CR LF on Windows.
  std::ofstream out(path, std::ios::app);
  for (const std::string& line : lines) out << line << '\n';
}
