#ifndef BRINDLEMARK_MEASURE_DAY_STATISTICS_H_
#define BRINDLEMARK_MEASURE_DAY_STATISTICS_H_

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "measure/usage_counters.h"
#include "sap/function_call.h"
#include "sap/outcome.h"
#include "sap/rfc_session.h"

/// The day's workload rows of a system, whichever source gave them: per
/// row a client, a user account and the seven counters.
class WorkloadRows {
 public:
  virtual ~WorkloadRows() = default;
  virtual std::size_t size() const = 0;
  /// The client of row |row| (3 characters).
  virtual std::string_view Client(std::size_t row) const = 0;
  /// The user account of row |row| (12 characters).
  virtual std::string_view Account(std::size_t row) const = 0;
  /// The seven counters of row |row|.
  virtual UsageCounters Counters(std::size_t row) const = 0;
};

/// The day's workload statistics of a system: one row per client and
/// user account (the table STATISTIC of SAPWL_ACCNT_GET_SYSTEM_USAGE),
/// read in place.
class DayStatistics : public WorkloadRows {
 public:
  explicit DayStatistics(const TableRows& rows);

  std::size_t size() const override { return rows_.size(); }
  std::string_view Client(std::size_t row) const override { return rows_.Text(row, client_); }
  std::string_view Account(std::size_t row) const override { return rows_.Text(row, account_); }
  UsageCounters Counters(std::size_t row) const override;

  /// The row type of the table STATISTIC (structure SAPWLACCTS).
  static const RowType& RowTypeOf();
  /// The row types of the fetch's tables, in the order the call names
  /// them (SAPWLACCTS, USRACCNTV).
  static std::vector<const RowType*> RowTypesOfFetch();

 private:
  const TableRows& rows_;
  int client_, account_, steps_, dsteps_, bsteps_, respTime_, cpuTime_, aDbTime_, sDbTime_;
};

/// How a fetch of the day's statistics ended.
struct StatisticsFetch {
  Outcome outcome = Outcome::Ok();
  /// The system has no statistics for the day (NO_DATA_FOUND); the
  /// outcome is then Ok.
  bool noData = false;
};

/// Fetches the statistics of all clients for the day |serverDate|
/// ("YYYYMMDD"; a shorter date is filled up with zeros) and hands them to
/// |use| when the system has some; the rows live until |use| returns. The
/// outcome is that of the call, then of |use|, unless giving the rows back
/// to the library fails.
StatisticsFetch FetchDayStatistics(RfcSession& session, std::string_view serverDate,
                                   const std::function<Outcome(const DayStatistics&)>& use);

#endif  // BRINDLEMARK_MEASURE_DAY_STATISTICS_H_
