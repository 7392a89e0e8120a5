#include "platform/clock.h"

#include <ctime>

namespace {

struct HostClock : Clock {
  std::string TimeOfDay() override {
    std::time_t now = std::time(nullptr);
    // std::ctime gives "Www Mmm dd hh:mm:ss yyyy\n"; the time of day stands
    // at characters 12 to 19 (counted from 1).
    const char* text = std::ctime(&now);
    if (text == nullptr) return "00:00:00";
    return std::string(text + 11, 8);
  }
};

}  // namespace

std::unique_ptr<Clock> CreateHostClock() { return std::make_unique<HostClock>(); }
