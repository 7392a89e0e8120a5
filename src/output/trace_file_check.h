#ifndef BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
#define BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_

#include <cstdint>
#include <optional>
#include <string>
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

/// The remark as TraceFileRemark gives it, over the head of the file that
/// it held when it had |size| bytes (TraceFileSize then): the library only
/// appends to it. " - Look for Trace-File" when there was no file then.
std::string TraceFileRemarkOfHead(FileSystem& disk, const std::vector<std::string>& libraryFiles,
                                  std::optional<std::uint64_t> size);

#endif  // BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
