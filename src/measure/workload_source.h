#ifndef BRINDLEMARK_MEASURE_WORKLOAD_SOURCE_H_
#define BRINDLEMARK_MEASURE_WORKLOAD_SOURCE_H_

#include <functional>
#include <string>
#include <string_view>

#include "measure/collector_statistics.h"
#include "measure/day_statistics.h"
#include "sap/function_call.h"
#include "sap/outcome.h"
#include "sap/rfc_session.h"

/// Where the day's workload is read from ("WORKLOAD="): the accounting
/// interface (SAPWL_ACCNT_GET_SYSTEM_USAGE, fed up to release 4.x), the
/// workload collector of release 7.00 and later
/// (SWNC_COLLECTOR_GET_AGGREGATES), or the accounting interface first and
/// the collector when it has no data for the day or does not exist.
enum class WorkloadSource { kAutomatic, kAccounting, kCollector };

/// The collector's tables that may carry the client, in the order they
/// are tried.
constexpr const char* kCollectorFunction = "SWNC_COLLECTOR_GET_AGGREGATES";
constexpr const char* kCollectorTables[] = {"USERWORKLOAD", "USERTCODE"};

/// Which of the collector's tables a system's rows are read from, and how,
/// as the system's own description of the tables decides it.
struct CollectorLayout {
  /// The table ("USERWORKLOAD", "USERTCODE"); empty when neither row
  /// carries a client: the collector gives no per-client numbers there.
  std::string table;
  RowType rowType;
  CollectorMapping mapping;
};

/// Asks the system for the layout of the collector's tables and takes the
/// first whose row carries the client and every value measured. A system
/// without the collector gives FunctionNotFound. |importing| receives the
/// values the collector takes, where the library learns them.
Outcome ReadCollectorLayout(RfcSession& session, CollectorLayout* layout, RowType* importing);

/// The collector's rows of a table in the counters' terms.
class CollectorStatistics : public WorkloadRows {
 public:
  CollectorStatistics(const TableRows& rows, const CollectorMapping& mapping);

  std::size_t size() const override { return rows_.size(); }
  std::string_view Client(std::size_t row) const override;
  std::string_view Account(std::size_t row) const override;
  UsageCounters Counters(std::size_t row) const override;

 private:
  /// The rows as the evaluation of collector rows reads them.
  class Decoded : public CollectorRows {
   public:
    explicit Decoded(const TableRows& rows) : rows_(rows) {}
    std::size_t size() const override { return rows_.size(); }
    std::string_view Text(std::size_t row, int field) const override {
      return rows_.Text(row, field);
    }
    std::uint32_t Number(std::size_t row, int field) const override {
      return rows_.Packed(row, field).UnscaledModulo32();
    }

   private:
    const TableRows& rows_;
  };
  const TableRows& rows_;
  Decoded decoded_;
  const CollectorMapping& mapping_;
};

/// How a fetch of the day's workload ended, and from which source.
struct WorkloadFetch {
  Outcome outcome = Outcome::Ok();
  /// Neither source asked has rows for the day; the outcome is then Ok.
  bool noData = false;
  /// The collector's rows were measured.
  bool fromCollector = false;
  /// Rows handed to |use|.
  std::size_t rows = 0;
  /// What the collector said, when it was asked: its outcome (Ok with
  /// noData, FunctionNotFound, a failure), and the mapping when its rows
  /// could be read.
  bool collectorAsked = false;
  bool collectorNoData = false;
  bool collectorWithoutClient = false;
  Outcome collectorOutcome = Outcome::Ok();
  std::string collectorTable;
  std::string collectorMapping;
};

/// Fetches the day's workload of all clients for the day |serverDate|
/// ("YYYYMMDD") from |source| and hands the rows to |use|. Automatic: the
/// accounting interface first; when it raises NO_DATA_FOUND or the system
/// lacks it, the collector, on a new logon (session.logOnAgain) when the
/// first failure ended the connection. When the collector has no rows for
/// the day, lacks a table with the client, or does not exist, the fetch
/// ends as the first answer did.
WorkloadFetch FetchWorkload(RfcSession& session, std::string_view serverDate,
                            WorkloadSource source,
                            const std::function<Outcome(const WorkloadRows&)>& use);

#endif  // BRINDLEMARK_MEASURE_WORKLOAD_SOURCE_H_
