#ifndef BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
#define BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_

#include <string_view>

#include "sap/rfc_library.h"

struct Console;

/// The report of a failure of the RFC library: prints "RFC error", the
/// failed operation (or the library's error text) and the library's last
/// error information as labelled lines, then closes every connection and
/// prints the two closing lines. The result document is not printed; the
/// caller ends the process with exit code 1. Nothing the library or the
/// console does stops the report half-way.
void ReportRfcFailure(Console& console, RfcLibrary& rfc, std::string_view operation);

/// The same report with the last error information |info| read before,
/// on the thread whose call failed (the library keeps it per thread).
void ReportRfcFailure(Console& console, RfcLibrary& rfc, std::string_view operation,
                      const RfcErrorInfo& info);

/// The library's last error information; all empty when it gives none.
RfcErrorInfo LastRfcError(RfcLibrary& rfc);

/// Prints one labelled line: the label padded with blanks to 15
/// characters, " : ", the value and a line feed.
void PrintLabelLine(Console& console, std::string_view label, std::string_view value);

#endif  // BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
