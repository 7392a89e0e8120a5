#ifndef BRINDLEMARK_SAPSIM_COLLECTOR_H_
#define BRINDLEMARK_SAPSIM_COLLECTOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sap/rfc_library.h"
#include "sapsim/local_time.h"
#include "sapsim/record_layout.h"
#include "sapsim/sim_description.h"

/// The workload collector of releases 7.00 and later as the simulated
/// system models it: SWNC_COLLECTOR_GET_AGGREGATES with the day aggregates
/// USERTCODE and USERWORKLOAD of one system. See
/// docs/simulated-sap-system.md, "Releases and the workload collector".

constexpr char kCollectorFunction[] = "SWNC_COLLECTOR_GET_AGGREGATES";
constexpr char kUsageFunction[] = "SAPWL_ACCNT_GET_SYSTEM_USAGE";

/// Raw task types of the collector.
constexpr std::uint8_t kTaskDialog = 0x01;
constexpr std::uint8_t kTaskUpdate = 0x02;
constexpr std::uint8_t kTaskBackground = 0x04;
constexpr std::uint8_t kTaskRfc = 0xFE;

/// Whether |system|'s release has the function module |name| (one the
/// simulated system knows at all).
bool HasFunctionModule(const SimulatedSystem& system, const std::string& name);

/// The row type of the collector's table |table| ("USERTCODE",
/// "USERWORKLOAD"): its dictionary name, or null for another table.
const char* CollectorRowType(const std::string& table);

/// The fields of the collector's row type |type| (SWNCAGGUSERTCODE,
/// SWNCAGGUSERWORKLOAD) on a system whose client lies in the table
/// |clientTable| ("USERWORKLOAD", "USERTCODE", "none"), in record order; the
/// client field MANDT only in that table's row. Empty for another type.
/// The descriptors live as long as the program.
const std::vector<FieldDescriptor>& CollectorFields(const std::string& type,
                                                    const std::string& clientTable);

/// Lays out a record as an ABAP system does with characters of
/// |charWidth| bytes: 1 as the classic library and a non-Unicode system
/// see it (the rule of LayOutRecord), 2 as a Unicode system keeps it
/// (character-like fields twice as long and at even offsets, the record
/// padded to its strictest alignment). Packed and raw fields keep their
/// bytes and start anywhere.
RecordLayout LayOutForWidth(const std::string& name, const std::vector<FieldDescriptor>& fields,
                            int charWidth);

/// The collector's rows of the day |date| (YYYYMMDD): the system's own
/// "collector" rows of that date, else its "statistics" split per task
/// type; for the local date of the call the "today" rows (scaled by the
/// time of day) when the date is not listed. False when the day has no
/// rows listed at all (the collector raises NO_DATA_FOUND).
bool CollectorRowsOfDay(const SimulatedSystem& system, const std::string& date,
                        const LocalMoment& moment, std::vector<CollectorRow>* rows);

/// Splits statistics rows of the accounting interface into collector rows:
/// per account the dialog steps as task type 01, the batch steps as 04,
/// the update steps as 02 and the remaining steps as RFC (FE), each row
/// only when it has steps; every time on the row with the most steps (the
/// first of them; a dialog row when there are no steps), so that the sums
/// are kept. Database time becomes direct-read time (READDIRTI), sus time
/// load and generation time (LOADGENTI), both in microseconds. Linear in
/// the rows.
std::vector<CollectorRow> SplitStatistics(const std::vector<StatisticsRow>& rows,
                                          long scaleSeconds);

/// The rows of USERWORKLOAD made from USERTCODE-like rows: summed per
/// task type, account and client, in the order of first appearance.
std::vector<CollectorRow> SumPerAccount(const std::vector<CollectorRow>& rows);

/// Writes collector rows into records laid out by one layout (a
/// collector row type), times divided by |factor|; which field takes
/// which value is worked out once.
class CollectorRowWriter {
 public:
  CollectorRowWriter(const RecordLayout& layout, std::int64_t factor);
  void Write(const CollectorRow& row, std::uint8_t* record) const;

 private:
  const RecordLayout& layout_;
  std::int64_t factor_;
  std::vector<int> plan_;  // per field: a column, or one of the key fields
  std::vector<std::uint8_t> initial_;
};

#endif  // BRINDLEMARK_SAPSIM_COLLECTOR_H_
