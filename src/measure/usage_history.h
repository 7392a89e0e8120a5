#ifndef BRINDLEMARK_MEASURE_USAGE_HISTORY_H_
#define BRINDLEMARK_MEASURE_USAGE_HISTORY_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "measure/usage_counters.h"
#include "sap/outcome.h"

struct FileSystem;
struct ServerClock;

/// The usage history kept at the end of a system profile: the totals the
/// last run saw ("# Clt " lines) and the ones before them ("# Clx " lines).
///
/// A date record "# Clt Date=20240131 10:15:00 Steps=1234" holds the server
/// date and time of the run that wrote it and the step total of all
/// clients; a client record holds one client's seven day totals in fixed
/// columns:
///
///   columns 0-5 "# Clt ", 6-8 client, 9-20 steps, 21-34 response time,
///   35-48 CPU time, 49-62 database time, 63-76 sus time, 77-88 dialog
///   steps, 89-100 batch steps (numbers right-aligned).

/// The two prefixes that mark a history line.
inline constexpr std::string_view kCurrentHistoryPrefix = "# Clt ";
inline constexpr std::string_view kPreviousHistoryPrefix = "# Clx ";
/// The prefix of the date record.
inline constexpr std::string_view kDateRecordPrefix = "# Clt Date=";

/// Whether a profile line is a history line ("# Clt " or "# Clx ").
bool IsHistoryLine(std::string_view line);

/// "# Clt Date=" + |serverDate| + " " + |serverTime| + " Steps=" + the step
/// total in unsigned decimal; date and time are cut at a line end.
std::string DateRecord(std::string_view serverDate, std::string_view serverTime,
                       std::uint32_t allClientsStepTotal);

/// "# Clx " followed by a former record from its seventh character on; used
/// for the former date record and the former client records alike.
std::string PreviousRecord(std::string_view formerRecord);

/// The 101-character record of a client's day totals.
std::string ClientRecord(const ClientSlot& slot);

/// The seven counters of a client record ("# Clt " or "# Clx "), each read
/// from its column as a decimal number. Columns that a short or hand-edited
/// line does not reach read as 0.
UsageCounters ReadClientRecord(std::string_view record);

/// The step total of a date record: the letters and digits after "Steps="
/// (at most 11) read as a decimal number; 0 without "Steps=".
std::uint32_t FormerStepTotal(std::string_view dateRecord);

/// The history of one system during one evaluation of its workload.
///
/// Created from the profile lines as they were read; every lookup sees
/// those lines, also after the profile has been rewritten. The history
/// lines are indexed once by their client columns, so that a run over
/// many clients does not scan the whole profile once per client.
class UsageHistory {
 public:
  /// |profileLines| must outlive this object unchanged. With
  /// |byteOrderMark| a rewritten profile begins with the byte-order mark
  /// that the profile read had in front of its first line.
  explicit UsageHistory(const std::vector<std::string>& profileLines, bool byteOrderMark = false);

  /// The first profile line that begins with |prefix|, or an empty text.
  std::string_view FindProfileLine(std::string_view prefix) const;

  /// Compares the date and the all-clients step total with the date record
  /// of the profile and, when either changed, rewrites the profile at
  /// |profilePath|: every line that is not a history line, in order, then
  /// the new date record (from |clock|), the former one as "# Clx " (same
  /// day only), and for each slot its client record followed (same day
  /// only) by the former record of that client as "# Clx ". The file is
  /// replaced as a whole or not at all; when it cannot be, the outcome is
  /// "Error 1016: ReWriting of Profile <path> failed !".
  Outcome UpdateHistory(FileSystem& disk, const std::string& profilePath, const ServerClock& clock,
                        const std::vector<ClientSlot>& slots, std::uint32_t allClientsStepTotal);

  /// The record against which a client's differences are taken: none on a
  /// new day; the former "# Clt " record when the profile was rewritten;
  /// the "# Clx " record of the last change when nothing changed.
  std::string_view FindBaseline(std::string_view client) const;

  bool DateChanged() const { return dateChanged_; }
  bool HistoryRewritten() const { return historyRewritten_; }

 private:
  const std::vector<std::string>& profileLines_;
  bool byteOrderMark_;
  /// The first history line of each prefix "# Clt " or "# Clx " followed
  /// by zero to three characters of the client columns.
  std::unordered_map<std::string_view, std::string_view> firstLineOf_;
  bool dateChanged_ = false;
  bool historyRewritten_ = false;
};

#endif  // BRINDLEMARK_MEASURE_USAGE_HISTORY_H_
