#ifndef BRINDLEMARK_SAPSIM_FAULT_TRACE_H_
#define BRINDLEMARK_SAPSIM_FAULT_TRACE_H_

#include <string>
#include <vector>

/// Appends |lines|, each with a line feed, to the trace file at |path|, as
/// the library does when a fault of a system fires. No lines, no write:
/// the file is neither created nor touched.
void AppendTraceLines(const std::string& path, const std::vector<std::string>& lines);

#endif  // BRINDLEMARK_SAPSIM_FAULT_TRACE_H_
