#ifndef BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_
#define BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_

#include <string>
#include <string_view>
#include <vector>

#include "measure/workload_source.h"
#include "sap/outcome.h"
#include "sap/rfc_session.h"

class ResultDocument;
struct FileSystem;
struct ServerClock;

/// The per-client options: one channel per client with one value, named
/// by the first of the keywords "STEPS", "DIALOG", "BATCH", "RESPONSE",
/// "CPU-TIME", "DBS-TIME", "SUS-TIME" that the parameters hold.
enum class ClientChannel {
  kNone,
  kSteps,
  kDialog,
  kBatch,
  kResponse,
  kCpuTime,
  kDbsTime,
  kSusTime
};

/// The parameters that shape an evaluation.
struct WorkloadOptions {
  std::string clientFilter;  // "CLIENT=": the client reported; empty for all
  ClientChannel clientChannel = ClientChannel::kNone;
  bool dataRows = false;  // "DATA": each statistics row as a text line
  WorkloadSource source = WorkloadSource::kAutomatic;  // "WORKLOAD="
};

/// The profile of a single-system run, whose usage history the evaluation
/// keeps: its lines as read and where it lies.
struct HistoryFile {
  FileSystem& disk;
  const std::string& path;
  const std::vector<std::string>& lines;
  /// The profile began with a byte-order mark; a rewrite keeps it.
  bool byteOrderMark = false;
};

/// What an evaluation found.
struct WorkloadResult {
  /// Fails with the error line of a failed call or rewrite, or with the
  /// library operation that failed.
  Outcome outcome = Outcome::Ok();
  /// The system had no statistics for the day ("NO_DATA_FOUND"): the
  /// document is the no-data document.
  bool noData = false;
  /// Item run: the system's item (or per-client channels) were written; an
  /// item that no channel carries (an unknown name, or one the option
  /// "DIALOG" or "BATCH" excludes) is not reported.
  bool itemReported = false;
  /// "DATA": the lines to print before the document.
  std::string dataRows;
};

/// Measures the workload of a single-system run.
///
/// Fetches the day's statistics rows (SAPWL_ACCNT_GET_SYSTEM_USAGE), sums
/// them per client (one slot per distinct client, in the order of its
/// first row) and over the clients the filter selects, keeps the usage
/// history in |history|, takes each client's differences to its baseline
/// and writes the whole result document: the summary text (headed by
/// |destination|) and the total or per-client channels.
WorkloadResult EvaluateWorkload(RfcSession& session, const ServerClock& clock,
                                const WorkloadOptions& options, std::string_view destination,
                                const HistoryFile& history, ResultDocument& document);

/// Measures one system of an item run: writes the item |itemName| of the
/// day's totals as one channel named |channelName|, or with a per-client
/// option the system's per-client channels, into the emptied |document|.
/// No history is kept.
WorkloadResult EvaluateItem(RfcSession& session, const ServerClock& clock,
                            const WorkloadOptions& options, std::string_view destination,
                            std::string_view itemName, std::string_view channelName,
                            ResultDocument& document);

#endif  // BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_
