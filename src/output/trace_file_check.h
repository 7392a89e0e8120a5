#ifndef BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
#define BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_

#include <cstdint>
#include <optional>
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

/// The size of the file TraceFileRemark reads, without reading it;
/// nothing when there is none.
std::optional<std::uint64_t> TraceFileSize(FileSystem& disk,
                                           const std::vector<std::string>& libraryFiles = {});

/// Bytes of the trace file, from |begin| to |end| (to the end of the file
/// when |end| is nothing); |begin| nothing means the file was not there.
struct TraceFileSpan {
  std::optional<std::uint64_t> begin;
  std::optional<std::uint64_t> end;
};

/// The remark as TraceFileRemark gives it, over the file without the
/// spans |leftOut| (in any order): the library only appends to it,
/// so a span taken from TraceFileSize before and after some work holds
/// everything written meanwhile. " - Look for Trace-File" when nothing is
/// left and the file was not there when the first span began.
std::string TraceFileRemarkWithout(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                                   const std::vector<TraceFileSpan>& leftOut);

/// The remark on a failure of a call: TraceFileRemark when the library
/// writes its failures into its trace file (|libraryLogsErrors|),
/// otherwise the same remark made of the library's own text of the
/// failure, |libraryText| (line ends as blanks, cut as a trace-file line's
/// text is).
std::string FailureRemark(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                          bool libraryLogsErrors, std::string_view libraryText);

#endif  // BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
