#ifndef BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
#define BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_

#include <string>
#include <string_view>
#include <vector>

struct FileSystem;

/// The RFC library's trace file, in the current working directory.
inline constexpr const char kTraceFileName[] = "Dev_Rfc.Trc";

/// The remark on a failure that the RFC library left in its trace file,
/// to be added to the error message: " - " and the last error text of the
/// file, " - Please Check Trace-File !" when it names none, or " - Look for
/// Trace-File" when it cannot be read. The file read is the first of
/// |libraryFiles| (the names the loaded library writes, see
/// RfcLibrary::TraceFileNames) that can be read, else kTraceFileName. The
/// file is only read, never changed or deleted.
std::string TraceFileRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles = {});

/// The remark on a failure of a call: TraceFileRemark when the library
/// writes its failures into its trace file (|libraryLogsErrors|),
/// otherwise the same remark made of the library's own text of the
/// failure, |libraryText| (line ends as blanks, cut as a trace-file line's
/// text is).
std::string FailureRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                          bool libraryLogsErrors, std::string_view libraryText);

#endif  // BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
