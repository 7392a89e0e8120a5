#include "measure/usage_history.h"

#include <algorithm>
#include <cstdio>

#include "measure/number_text.h"
#include "measure/server_clock.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace {

/// Start and width of the seven counters in a client record, in the order
/// of UsageCounters.
struct Column {
  size_t start;
  size_t width;
};
constexpr Column kClientColumns[UsageCounters::kCount] = {
    {9, 12}, {21, 14}, {35, 14}, {49, 14}, {63, 14}, {77, 12}, {89, 12},
};
constexpr size_t kClientWidth = 3;
/// The longest prefix of a history line that the index holds: the marker
/// and the client columns.
constexpr size_t kIndexedPrefixLength = kCurrentHistoryPrefix.size() + kClientWidth;

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/// |text| up to its first line end: a value of a history record must not
/// split the record in the file.
std::string_view OneLine(std::string_view text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

bool IsHistoryLine(std::string_view line) {
  return line.starts_with(kCurrentHistoryPrefix) || line.starts_with(kPreviousHistoryPrefix);
}

std::string DateRecord(std::string_view serverDate, std::string_view serverTime,
                       std::uint32_t allClientsStepTotal) {
  std::string record(kDateRecordPrefix);
  record += OneLine(serverDate);
  record += ' ';
  record += OneLine(serverTime);
  record += " Steps=";
  record += std::to_string(allClientsStepTotal);
  return record;
}

std::string PreviousRecord(std::string_view formerRecord) {
  std::string record(kPreviousHistoryPrefix);
  if (formerRecord.size() > kPreviousHistoryPrefix.size())
    record += formerRecord.substr(kPreviousHistoryPrefix.size());
  return record;
}

std::string ClientRecord(const ClientSlot& slot) {
  // The client takes exactly its three columns, so the counters stay in
  // theirs; a line end in it would split the record in the file.
  std::string client = slot.client.substr(0, kClientWidth);
  client.resize(kClientWidth, ' ');
  std::replace(client.begin(), client.end(), '\n', ' ');
  std::replace(client.begin(), client.end(), '\r', ' ');

  std::string record(kCurrentHistoryPrefix);
  record += client;
  char field[16];
  for (int i = 0; i < UsageCounters::kCount; ++i) {
    std::snprintf(field, sizeof field, "%*lu", static_cast<int>(kClientColumns[i].width),
                  static_cast<unsigned long>(slot.dayTotals[i]));
    record += field;
  }
  return record;
}

UsageCounters ReadClientRecord(std::string_view record) {
  UsageCounters counters;
  for (int i = 0; i < UsageCounters::kCount; ++i) {
    const Column& column = kClientColumns[i];
    if (column.start >= record.size()) break;  // the rest reads as 0
    counters[i] = DecimalValue(record.substr(column.start, column.width));
  }
  return counters;
}

std::uint32_t FormerStepTotal(std::string_view dateRecord) {
  constexpr std::string_view kSteps = "Steps=";
  constexpr size_t kMaxDigits = 11;
  size_t at = dateRecord.find(kSteps);
  if (at == std::string_view::npos) return 0;
  std::string_view rest = dateRecord.substr(at + kSteps.size());
  size_t length = 0;
  while (length < rest.size() && length < kMaxDigits && IsAsciiAlnum(rest[length])) ++length;
  return DecimalValue(rest.substr(0, length));
}

UsageHistory::UsageHistory(const std::vector<std::string>& profileLines, bool byteOrderMark)
    : profileLines_(profileLines), byteOrderMark_(byteOrderMark) {
  for (const std::string& line : profileLines_) {
    if (!IsHistoryLine(line)) continue;
    std::string_view text(line);
    for (size_t length = kCurrentHistoryPrefix.size();
         length <= kIndexedPrefixLength && length <= text.size(); ++length)
      firstLineOf_.try_emplace(text.substr(0, length), text);  // the first line counts
  }
}

std::string_view UsageHistory::FindProfileLine(std::string_view prefix) const {
  // A client's records are looked up by "# Clt " or "# Clx " and the
  // client: at most three characters, all of them in the index.
  if (prefix.size() <= kIndexedPrefixLength && IsHistoryLine(prefix)) {
    auto found = firstLineOf_.find(prefix);
    return found == firstLineOf_.end() ? std::string_view() : found->second;
  }
  for (const std::string& line : profileLines_)
    if (std::string_view(line).starts_with(prefix)) return line;
  return {};
}

Outcome UsageHistory::UpdateHistory(FileSystem& disk, const std::string& profilePath,
                                    const ServerClock& clock, const std::vector<ClientSlot>& slots,
                                    std::uint32_t allClientsStepTotal) {
  std::string_view formerDate = FindProfileLine(kDateRecordPrefix);
  std::uint32_t formerSteps = formerDate.empty() ? 0 : FormerStepTotal(formerDate);
  std::string_view serverDay = std::string_view(clock.date).substr(0, 8);
  dateChanged_ =
      formerDate.empty() ||
      formerDate.substr(std::min(formerDate.size(), kDateRecordPrefix.size()), 8) != serverDay;
  if (!dateChanged_ && formerSteps == allClientsStepTotal) return Outcome::Ok();  // untouched

  historyRewritten_ = true;
  std::string contents(byteOrderMark_ ? kByteOrderMark : std::string_view());
  for (const std::string& line : profileLines_) {
    if (IsHistoryLine(line)) continue;
    contents += line;
    contents += '\n';
  }
  contents += DateRecord(clock.date, clock.time, allClientsStepTotal);
  contents += '\n';
  if (!dateChanged_) {
    contents += PreviousRecord(formerDate);
    contents += '\n';
  }
  std::string key(kCurrentHistoryPrefix);
  for (const ClientSlot& slot : slots) {
    contents += ClientRecord(slot);
    contents += '\n';
    if (dateChanged_) continue;
    key.resize(kCurrentHistoryPrefix.size());
    key += slot.client;
    std::string_view former = FindProfileLine(key);
    if (former.empty()) continue;
    contents += PreviousRecord(former);
    contents += '\n';
  }

  if (!disk.ReplaceFile(profilePath, contents))
    return Outcome::Failed("Error 1016: ReWriting of Profile " + profilePath + " failed !");
  return Outcome::Ok();
}

std::string_view UsageHistory::FindBaseline(std::string_view client) const {
  if (dateChanged_) return {};
  std::string key(historyRewritten_ ? kCurrentHistoryPrefix : kPreviousHistoryPrefix);
  key += client;
  return FindProfileLine(key);
}
