#ifndef BRINDLEMARK_MEASURE_SERVER_CLOCK_H_
#define BRINDLEMARK_MEASURE_SERVER_CLOCK_H_

#include <string>
#include <string_view>

struct Run;

/// Asks the connected system (run.connection) for the last write time of
/// its operating-system collector (GET_CPU_ALL) and sets run.serverDate
/// ("YYYYMMDD") and run.serverTime ("HH:MM:SS") from it; sets
/// run.runStatus to Ok on success. A failed call appends its error line to
/// the result document and leaves date, time and status as they were.
/// Failures of the library's table handling end the run through the RFC
/// failure report. Returns the library's result code.
int QueryServerClock(Run& run);

/// The date and time of a collector time stamp such as
/// "Tue Mar  5 14:07:09 2024": month name at 4 to 6 (English; an unknown
/// name keeps its letters), day at 8 and 9 (a blank for a leading zero),
/// time at 11 to 18, year at 20 to 23. The century is always "20". A stamp
/// that ends early gives shorter texts.
void ParseCollectorTimeStamp(std::string_view stamp, std::string* date,
                             std::string* time);

#endif  // BRINDLEMARK_MEASURE_SERVER_CLOCK_H_
