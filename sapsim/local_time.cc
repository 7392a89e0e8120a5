#include "sapsim/local_time.h"

#include <cstdio>

LocalMoment LocalMomentAt(std::time_t when) {
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &when);
#else
  localtime_r(&when, &tm);
#endif
  // English names whatever the locale, as SAP's collector writes them.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  LocalMoment moment;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday);
  moment.date = buffer;
  std::snprintf(buffer, sizeof buffer, "%s %s %2d %02d:%02d:%02d %04d", kDays[tm.tm_wday % 7],
                kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                tm.tm_year + 1900);
  moment.clockText = buffer;
  moment.secondsOfDay = tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec;
  return moment;
}

LocalMoment LocalNow() { return LocalMomentAt(std::time(nullptr)); }
