#ifndef BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
#define BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_

#include <string_view>

#include "sap/outcome.h"
#include "sap/rfc_client.h"

struct Console;

/// The report of a failure of the RFC library: prints "RFC error", the
/// failed operation (or the library's error text) and the library's last
/// error information as labelled lines, then closes every connection and
/// prints the two closing lines. The result document is not printed; the
/// caller ends the process with exit code 1. Nothing the library or the
/// console does stops the report half-way.
void ReportRfcFailure(Console& console, RfcClient& rfc, std::string_view operation);

/// The same report with the library's texts |info| read before, on the
/// thread whose call failed (the library keeps them per thread).
void ReportRfcFailure(Console& console, RfcClient& rfc, std::string_view operation,
                      const LibraryTexts& info);

/// Prints one labelled line: the label padded with blanks to 15
/// characters, " : ", the value and a line feed.
void PrintLabelLine(Console& console, std::string_view label, std::string_view value);

#endif  // BRINDLEMARK_SAP_RFC_FAILURE_REPORT_H_
