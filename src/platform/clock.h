#ifndef BRINDLEMARK_PLATFORM_CLOCK_H_
#define BRINDLEMARK_PLATFORM_CLOCK_H_

#include <memory>
#include <string>

/// The local time of day, as the progress lines show it.
struct Clock {
  virtual ~Clock() = default;
  /// The local time as "HH:MM:SS" (characters 12 to 19 of the standard
  /// 24-character date-and-time text).
  virtual std::string TimeOfDay() = 0;
};

/// The clock of the machine the sensor runs on.
std::unique_ptr<Clock> CreateHostClock();

#endif  // BRINDLEMARK_PLATFORM_CLOCK_H_
