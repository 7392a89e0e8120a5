#include "measure/workload_source.h"

#include <vector>

namespace {

/// The length the system gives the value |name| it takes, else |length|.
unsigned LengthOf(const RowType& importing, std::string_view name, unsigned length) {
  int field = importing.FieldIndex(name);
  return field < 0 ? length : importing.fields[field].length;
}

/// Asks the collector for the day's aggregates of all instances, times in
/// milliseconds, only the table |layout| names, and hands its rows to
/// |use|.
WorkloadFetch FetchCollector(RfcSession& session, std::string_view serverDate,
                             const std::function<Outcome(const WorkloadRows&)>& use) {
  WorkloadFetch fetch;
  fetch.collectorAsked = true;
  CollectorLayout layout;
  RowType importing;
  Outcome outcome = ReadCollectorLayout(session, &layout, &importing);
  if (outcome.ok() && layout.table.empty()) {
    // No per-client numbers here: as a collector without data, never a
    // wrong number.
    fetch.collectorWithoutClient = fetch.noData = true;
    fetch.collectorOutcome = outcome;
    return fetch;
  }
  if (!outcome.ok()) {
    fetch.collectorOutcome = fetch.outcome = outcome;
    return fetch;
  }
  fetch.collectorTable = layout.table;
  fetch.collectorMapping = layout.mapping.Describe();

  FunctionCall call(kCollectorFunction);
  call.Send("COMPONENT", AbapType::kChar, LengthOf(importing, "COMPONENT", 40), "TOTAL");
  call.Send("PERIODTYPE", AbapType::kChar, LengthOf(importing, "PERIODTYPE", 1), "D");
  // Conversion exits are not active over RFC: the date as YYYYMMDD.
  call.Send("PERIODSTRT", AbapType::kDate, 8, serverDate);
  call.SendInteger("FACTOR", 1000);  // the times in milliseconds, as the accounting interface's
  call.AddTable(layout.table, layout.rowType);

  fetch.outcome = session.Invoke(call);
  if (fetch.outcome.IsLibraryFailure()) {
    fetch.collectorOutcome = fetch.outcome;
    return fetch;
  }
  if (fetch.outcome.ok()) {
    const TableRows& rows = *call.Table(layout.table);
    fetch.rows = rows.size();
    fetch.fromCollector = true;
    fetch.outcome = use(CollectorStatistics(rows, layout.mapping));
    if (fetch.outcome.IsLibraryFailure()) return fetch;
  } else if (fetch.outcome.IsException("NO_DATA_FOUND")) {
    fetch.noData = fetch.collectorNoData = true;
    fetch.outcome = Outcome::Ok();
  }
  fetch.collectorOutcome = fetch.outcome;
  Outcome released = call.Release();
  if (!released.ok()) fetch.outcome = fetch.collectorOutcome = released;
  return fetch;
}

}  // namespace

Outcome ReadCollectorLayout(RfcSession& session, CollectorLayout* layout, RowType* importing) {
  *layout = CollectorLayout{};
  for (const char* table : kCollectorTables) {
    RowType rowType;
    Outcome outcome =
        session.rfc.DescribeTable(session.connection, kCollectorFunction, table, &rowType, importing);
    if (!outcome.ok()) return outcome;
    std::vector<std::string> names;
    for (const FieldDescription& f : rowType.fields) names.push_back(f.name);
    CollectorMapping mapping = CollectorMapping::FromFieldNames(names);
    if (!mapping.HasClient() || !mapping.Complete()) continue;
    layout->table = table;
    layout->rowType = std::move(rowType);
    layout->mapping = mapping;
    return Outcome::Ok();
  }
  return Outcome::Ok();
}

CollectorStatistics::CollectorStatistics(const TableRows& rows, const CollectorMapping& mapping)
    : rows_(rows), decoded_(rows), mapping_(mapping) {}

std::string_view CollectorStatistics::Client(std::size_t row) const {
  return rows_.Text(row, mapping_.Of(CollectorValue::kClient)).substr(0, 3);
}

std::string_view CollectorStatistics::Account(std::size_t row) const {
  int field = mapping_.Of(CollectorValue::kAccount);
  return field < 0 ? std::string_view() : rows_.Text(row, field).substr(0, 12);
}

UsageCounters CollectorStatistics::Counters(std::size_t row) const {
  return CollectorRowCounters(decoded_, mapping_, row);
}

WorkloadFetch FetchWorkload(RfcSession& session, std::string_view serverDate,
                            WorkloadSource source,
                            const std::function<Outcome(const WorkloadRows&)>& use) {
  if (source == WorkloadSource::kCollector) return FetchCollector(session, serverDate, use);

  WorkloadFetch first;
  StatisticsFetch accounting =
      FetchDayStatistics(session, serverDate, [&](const DayStatistics& rows) {
        first.rows = rows.size();
        return use(rows);
      });
  first.outcome = accounting.outcome;
  first.noData = accounting.noData;
  if (source == WorkloadSource::kAccounting) return first;
  if (!first.noData && !first.outcome.IsFunctionNotFound()) return first;

  // The accounting interface is not fed (release 7.00 and later) or not
  // there (S/4HANA): the workload collector's turn, on a new connection
  // when the first answer ended this one.
  if (first.outcome.EndsConnection()) {
    if (!session.logOnAgain) return first;
    session.rfc.Close(session.connection);
    ConnectionId again = session.logOnAgain();
    if (again == 0) return first;
    session.connection = again;
  }
  WorkloadFetch second = FetchCollector(session, serverDate, use);
  if (second.fromCollector || second.outcome.IsLibraryFailure()) return second;
  bool collectorAbsent = second.collectorNoData || second.collectorWithoutClient ||
                         second.collectorOutcome.IsFunctionNotFound();
  if (!collectorAbsent) return second;  // its failure (an authorisation) is the answer
  // As if the collector did not exist: the first answer stands.
  first.collectorAsked = true;
  first.collectorNoData = second.collectorNoData;
  first.collectorWithoutClient = second.collectorWithoutClient;
  first.collectorOutcome = second.collectorOutcome;
  return first;
}
