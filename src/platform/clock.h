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

/// A clock that always shows the same time; for tests.
struct FixedClock : Clock {
  explicit FixedClock(std::string time) : time_(std::move(time)) {}
  std::string TimeOfDay() override { return time_; }
  std::string time_;
};

#endif  // BRINDLEMARK_PLATFORM_CLOCK_H_
