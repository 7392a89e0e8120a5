#ifndef BRINDLEMARK_MEASURE_SERVER_CLOCK_H_
#define BRINDLEMARK_MEASURE_SERVER_CLOCK_H_

#include <string>
#include <string_view>

#include "sap/outcome.h"
#include "sap/rfc_session.h"

/// The SAP system's date ("YYYYMMDD") and time ("HH:MM:SS"), as its clock
/// was last read; fixed texts until the first successful query.
struct ServerClock {
  std::string date = "20000101";
  std::string time = "16:20:21";
};

/// Asks the connected system for the last write time of its
/// operating-system collector (GET_CPU_ALL) and sets |clock| from it. A
/// failed call or a failure of the library's table handling leaves |clock|
/// as it was.
Outcome QueryServerClock(RfcSession& session, ServerClock* clock);
/// The row type of the collector's table (CPU_ALL) the query receives.
const RowType& ServerClockRowType();

/// The date and time of a collector time stamp such as
/// "Tue Mar  5 14:07:09 2024": month name at 4 to 6 (English; an unknown
/// name keeps its letters), day at 8 and 9 (a blank for a leading zero),
/// time at 11 to 18, year at 20 to 23. The century is always "20". A stamp
/// that ends early gives shorter texts.
void ParseCollectorTimeStamp(std::string_view stamp, std::string* date, std::string* time);

#endif  // BRINDLEMARK_MEASURE_SERVER_CLOCK_H_
