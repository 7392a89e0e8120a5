#ifndef BRINDLEMARK_SAPSIM_LOCAL_TIME_H_
#define BRINDLEMARK_SAPSIM_LOCAL_TIME_H_

#include <ctime>
#include <string>

/// The local time of one library call, in the forms the simulated system
/// answers with.
struct LocalMoment {
  std::string date;       // YYYYMMDD
  std::string clockText;  // "Www Mmm dd hh:mm:ss yyyy", day blank-padded
  long secondsOfDay = 0;  // seconds since local midnight
};

/// The moment |when| in local time.
LocalMoment LocalMomentAt(std::time_t when);

/// The current moment.
LocalMoment LocalNow();

#endif  // BRINDLEMARK_SAPSIM_LOCAL_TIME_H_
