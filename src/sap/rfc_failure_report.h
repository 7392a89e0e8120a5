#ifndef BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
#define BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_

#include <string_view>

struct Console;
struct Run;

/// Ends the run after a failure of the RFC library: prints "RFC error", the
/// failed operation (or the library's error text) and the library's last
/// error information as labelled lines, closes all connections and ends the
/// process with exit code 1. The result document is not printed.
[[noreturn]] void ReportRfcFailure(Run& run, std::string_view operation);

/// Prints one labelled line: the label padded with blanks to 15
/// characters, " : ", the value and a line feed.
void PrintLabelLine(Console& console, std::string_view label, std::string_view value);

/// Installs ReportRfcFailure as the library's error handler
/// (RfcEnvironment).
void InstallRfcEnvironment(Run& run);

#endif  // BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
