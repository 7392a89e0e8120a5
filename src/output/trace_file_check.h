#ifndef BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
#define BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_

struct Run;

/// Appends the reason for a failure that the RFC library left in its trace
/// file "Dev_Rfc.Trc" (current directory) to the error message in
/// run.resultDocument: " - " and the last error text of the file, " - Please
/// Check Trace-File !" when it names none, or " - Look for Trace-File" when
/// it cannot be read. The file is only read, never changed or deleted.
void CheckTraceFile(Run& run);

#endif  // BRINDLEMARK_OUTPUT_TRACE_FILE_CHECK_H_
