#ifndef BRINDLEMARK_MEASURE_COLLECTOR_STATISTICS_H_
#define BRINDLEMARK_MEASURE_COLLECTOR_STATISTICS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "measure/usage_counters.h"

/// The day's workload as the workload collector of release 7.00 and later
/// keeps it (SWNC_COLLECTOR_GET_AGGREGATES, table USERWORKLOAD or
/// USERTCODE): one row per task type, account (and transaction), read into
/// the same seven counters per row as the accounting interface's rows.
///
/// Which field carries what is decided from the system's own description
/// of the row, never assumed: the layout of these rows differs between
/// releases, and only some carry the client.

/// The values the evaluation reads from a collector row.
enum class CollectorValue : int {
  kClient,          // MANDT
  kTaskType,        // TASKTYPE, RAW 1
  kAccount,         // ACCOUNT
  kSteps,           // COUNT
  kResponseTime,    // RESPTI
  kCpuTime,         // CPUTI
  kDirectRead,      // READDIRTI
  kSequentialRead,  // READSEQTI
  kChange,          // CHNGTI
  kLoadGeneration,  // LOADGENTI
  kDbProcedure,     // DBP_TIME
};
constexpr int kCollectorValues = 11;

/// Where sus time comes from on a system.
enum class SusTimeSource {
  kLoadGeneration,  // load and generation time, as ST03N shows it
  kDbProcedure,     // no load and generation time: database procedure time
  kNone,            // neither: sus time is 0
};

/// Which field of the system's row holds each value: the index in the row
/// type's field list, or -1 when the row has no such field.
struct CollectorMapping {
  std::array<int, kCollectorValues> field;
  SusTimeSource susTime = SusTimeSource::kNone;

  /// The mapping for a row whose fields are named |names| in record order
  /// (as the system describes the row type).
  static CollectorMapping FromFieldNames(const std::vector<std::string>& names);

  int Of(CollectorValue value) const { return field[static_cast<int>(value)]; }
  /// Whether the row carries the client: without it the collector cannot
  /// give per-client numbers.
  bool HasClient() const { return Of(CollectorValue::kClient) >= 0; }
  /// Whether every value a measurement needs is there (client, task type,
  /// steps, response, CPU and the three database times).
  bool Complete() const;
  /// What the counters are made of, for the set-up check: "steps COUNT,
  /// dialog TASKTYPE 01, ..., sus time LOADGENTI".
  std::string Describe() const;
};

/// The rows of a collector table with their values already decoded: the
/// texts of character fields (a raw field's bytes as text), and numbers
/// (packed DEC 24 fields) as the accounting interface's counters are read:
/// integer value modulo 2^32.
class CollectorRows {
 public:
  virtual ~CollectorRows() = default;
  virtual std::size_t size() const = 0;
  virtual std::string_view Text(std::size_t row, int field) const = 0;
  virtual std::uint32_t Number(std::size_t row, int field) const = 0;
};

/// Raw task types of the collector that the counters distinguish.
constexpr unsigned char kDialogTaskType = 0x01;
constexpr unsigned char kBackgroundTaskType = 0x04;

/// The seven counters of one collector row: steps of every task type;
/// dialog steps those of task type 01, batch steps those of 04; response
/// and CPU time; database time the sum of direct read, sequential read and
/// change time (database procedure time is not part of it); sus time as
/// the mapping says. Times as the call delivered them (milliseconds with
/// FACTOR 1000). Every sum wraps modulo 2^32.
UsageCounters CollectorRowCounters(const CollectorRows& rows, const CollectorMapping& mapping,
                                   std::size_t row);

/// The day totals per client of collector rows, as the accounting
/// interface's rows are summed: one slot per distinct client in the order
/// of its first row, and the step total over all clients. Linear in the
/// rows.
struct CollectorDayTotals {
  std::vector<ClientSlot> slots;
  std::uint32_t allClientsStepTotal = 0;
};
CollectorDayTotals SumCollectorRows(const CollectorRows& rows, const CollectorMapping& mapping);

#endif  // BRINDLEMARK_MEASURE_COLLECTOR_STATISTICS_H_
