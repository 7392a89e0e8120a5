#ifndef BRINDLEMARK_TESTING_FIXED_CLOCK_H_
#define BRINDLEMARK_TESTING_FIXED_CLOCK_H_

#include <string>

#include "platform/clock.h"

/// A clock that always shows the same time.
struct FixedClock : Clock {
  explicit FixedClock(std::string time) : time_(std::move(time)) {}
  std::string TimeOfDay() override { return time_; }
  std::string time_;
};

#endif  // BRINDLEMARK_TESTING_FIXED_CLOCK_H_
