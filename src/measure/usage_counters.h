#ifndef BRINDLEMARK_MEASURE_USAGE_COUNTERS_H_
#define BRINDLEMARK_MEASURE_USAGE_COUNTERS_H_

#include <array>
#include <cstdint>
#include <string>

/// Seven counters of a client's work, in this order: steps, response time,
/// CPU time, database time, sus time, dialog steps, batch steps. Times in
/// milliseconds. Unsigned 32-bit; every sum and difference wraps.
struct UsageCounters {
  enum Index { kSteps, kRespTime, kCpuTime, kDbTime, kSusTime, kDialog, kBatch };
  static constexpr int kCount = 7;
  std::array<std::uint32_t, kCount> value{};

  std::uint32_t& operator[](int i) { return value[i]; }
  std::uint32_t operator[](int i) const { return value[i]; }
  void Add(const UsageCounters& other) {
    for (int i = 0; i < kCount; ++i) value[i] += other.value[i];
  }
  void Subtract(const UsageCounters& other) {
    for (int i = 0; i < kCount; ++i) value[i] -= other.value[i];
  }
  /// Whether any counter is below the same counter of |other|.
  bool AnyBelow(const UsageCounters& other) const {
    for (int i = 0; i < kCount; ++i)
      if (value[i] < other.value[i]) return true;
    return false;
  }
};

/// One client of the statistics: its day totals and its differences to
/// the baseline of the previous run.
struct ClientSlot {
  std::string client;  // the 3 characters of CLIENT
  UsageCounters dayTotals;
  UsageCounters differences;
};

#endif  // BRINDLEMARK_MEASURE_USAGE_COUNTERS_H_
