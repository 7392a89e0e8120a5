#include "measure/workload_evaluation.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "measure/day_statistics.h"
#include "measure/number_text.h"
#include "measure/server_clock.h"
#include "measure/usage_counters.h"
#include "measure/usage_history.h"
#include "output/result_document.h"

namespace {

using Index = UsageCounters::Index;

/// A client text (at most 3 bytes) as a hash key: its bytes and its length.
std::uint32_t ClientKey(std::string_view client) {
  std::uint32_t key = static_cast<std::uint32_t>(client.size()) << 24;
  for (size_t i = 0; i < client.size(); ++i)
    key |= std::uint32_t{static_cast<unsigned char>(client[i])} << (8 * i);
  return key;
}

std::string Decimal(std::uint32_t value) { return std::to_string(value); }

/// How a channel's value is taken from a set of counters: a count as it
/// stands, or a time divided by the steps (0 steps dividing as 1).
struct ValueRule {
  Index counter;
  bool perStep;

  std::uint32_t Of(const UsageCounters& counters) const {
    if (!perStep) return counters[counter];
    std::uint32_t steps = counters[Index::kSteps];
    return counters[counter] / (steps == 0 ? 1 : steps);
  }
  const char* Unit() const { return perStep ? "mSec" : ""; }
};

/// The value of each per-client option.
ValueRule ClientChannelRule(ClientChannel channel) {
  switch (channel) {
    case ClientChannel::kDialog: return {Index::kDialog, false};
    case ClientChannel::kBatch: return {Index::kBatch, false};
    case ClientChannel::kResponse: return {Index::kRespTime, true};
    case ClientChannel::kCpuTime: return {Index::kCpuTime, true};
    case ClientChannel::kDbsTime: return {Index::kDbTime, true};
    case ClientChannel::kSusTime: return {Index::kSusTime, true};
    default: return {Index::kSteps, false};
  }
}

/// The seven channels of the totals; their names are also the item names.
struct TotalChannel {
  const char* name;
  ValueRule rule;
};
constexpr TotalChannel kTotalChannels[] = {
    {"Step(s)", {Index::kSteps, false}},   {"Dialog", {Index::kDialog, false}},
    {"Batch", {Index::kBatch, false}},     {"Rsp Time", {Index::kRespTime, true}},
    {"CPU Time", {Index::kCpuTime, true}}, {"DBS Time", {Index::kDbTime, true}},
    {"Sus Time", {Index::kSusTime, true}},
};

/// The client slots and totals of one evaluation.
struct Workload {
  std::vector<ClientSlot> slots;
  UsageCounters totals;  // the clients the filter selects
  std::uint32_t allClientsStepTotal = 0;
};

/// Sums the rows per client and over the selected clients. Each distinct
/// client gets one slot, in the order of its first row.
void SumRows(const WorkloadRows& rows, const std::string& clientFilter, Workload* workload) {
  std::unordered_map<std::uint32_t, size_t> slotOf;
  for (size_t row = 0; row < rows.size(); ++row) {
    std::string_view client = rows.Client(row);
    auto [entry, added] = slotOf.try_emplace(ClientKey(client), workload->slots.size());
    if (added) workload->slots.push_back(ClientSlot{std::string(client), {}, {}});
    UsageCounters counters = rows.Counters(row);
    workload->slots[entry->second].dayTotals.Add(counters);
    workload->allClientsStepTotal += counters[Index::kSteps];
  }
  for (ClientSlot& slot : workload->slots) {
    slot.differences = slot.dayTotals;
    if (clientFilter.empty() || clientFilter == slot.client) workload->totals.Add(slot.dayTotals);
  }
}

/// One line per selected row for the "DATA" option.
std::string DataRows(const WorkloadRows& rows, const std::string& clientFilter) {
  std::string lines;
  char numbers[128];
  for (size_t row = 0; row < rows.size(); ++row) {
    std::string_view client = rows.Client(row);
    if (!clientFilter.empty() && clientFilter != client) continue;
    UsageCounters c = rows.Counters(row);
    std::snprintf(numbers, sizeof numbers, "%6lu %8lu %8lu %8lu %8lu %6lu %6lu\n",
                  static_cast<unsigned long>(c[Index::kSteps]),
                  static_cast<unsigned long>(c[Index::kRespTime]),
                  static_cast<unsigned long>(c[Index::kCpuTime]),
                  static_cast<unsigned long>(c[Index::kDbTime]),
                  static_cast<unsigned long>(c[Index::kSusTime]),
                  static_cast<unsigned long>(c[Index::kDialog]),
                  static_cast<unsigned long>(c[Index::kBatch]));
    lines += rows.Account(row);
    lines += ' ';
    lines += client;
    lines += ' ';
    lines += numbers;
  }
  return lines;
}

/// Takes each client's differences to its baseline; the totals lose the
/// baselines of the clients they cover. A client whose totals are below
/// its baseline counts 0.
void SubtractBaselines(const std::string& clientFilter, const UsageHistory& history,
                       Workload* workload) {
  for (ClientSlot& slot : workload->slots) {
    std::string_view baseline = history.FindBaseline(slot.client);
    if (baseline.empty()) continue;
    if (!clientFilter.empty() && clientFilter != slot.client) continue;
    UsageCounters former = ReadClientRecord(baseline);
    if (slot.dayTotals.AnyBelow(former)) {
      // The day's totals went down (the statistics were reorganised, or
      // another server answered): the client adds nothing this time, and
      // the rewritten history measures from its new totals next time.
      slot.differences = UsageCounters();
      workload->totals.Subtract(slot.dayTotals);
      continue;
    }
    slot.differences.Subtract(former);
    workload->totals.Subtract(former);
  }
}

/// The summary text: "(PRD) Summary: Step(s)=1.234, Dialog=..., ... ms ".
void WriteSummaryText(std::string_view destination, const std::string& clientFilter,
                      const UsageCounters& totals, ResultDocument& document) {
  std::uint32_t steps = totals[Index::kSteps];
  std::string text = "(" + std::string(destination);
  text += clientFilter.empty() ? ") Summary: " : ") Usage Client[" + clientFilter + "]: ";
  text += "Step(s)=" + GroupThousands(Decimal(steps));
  text += ", Dialog=" + GroupThousands(Decimal(totals[Index::kDialog]));
  text += ", Batch=" + GroupThousands(Decimal(totals[Index::kBatch]));
  text += ", RspTime=" + GroupThousands(Decimal(totals[Index::kRespTime] / steps));
  text += " ms, CpuTime=" + GroupThousands(Decimal(totals[Index::kCpuTime] / steps));
  text += " ms ";
  document.OpenText();
  document.AppendText(text);
  document.CloseText();
}

/// One channel per slot, named |prefix| + "Client " + the client.
void WriteSlotChannels(const Workload& workload, const ValueRule& rule, std::string_view prefix,
                       ResultDocument& document) {
  for (const ClientSlot& slot : workload.slots)
    document.WriteChannel(std::string(prefix) + "Client " + slot.client,
                          Decimal(rule.Of(slot.differences)), rule.Unit());
}

/// The whole document of a single-system run.
void WriteDocument(std::string_view destination, const WorkloadOptions& options, Workload& workload,
                   ResultDocument& document) {
  UsageCounters& totals = workload.totals;
  if (totals[Index::kSteps] == 0) totals[Index::kSteps] = 1;
  document.OpenDocument();
  WriteSummaryText(destination, options.clientFilter, totals, document);
  if (options.clientChannel != ClientChannel::kNone) {
    WriteSlotChannels(workload, ClientChannelRule(options.clientChannel), "", document);
  } else {
    for (const TotalChannel& channel : kTotalChannels)
      document.WriteChannel(channel.name, Decimal(channel.rule.Of(totals)), channel.rule.Unit());
  }
  document.CloseDocument();
}

/// The channels of one system in an item run. Returns whether any was
/// written: an item the options or its name leave unmeasured is not.
bool WriteItem(const Workload& workload, const WorkloadOptions& options, std::string_view itemName,
               std::string_view channelName, ResultDocument& document) {
  ClientChannel option = options.clientChannel;
  ValueRule rule = ClientChannelRule(option);
  bool perClient = option != ClientChannel::kNone && option != ClientChannel::kDialog &&
                   option != ClientChannel::kBatch;
  if (perClient) {
    WriteSlotChannels(workload, rule, std::string(channelName) + " ", document);
    return !workload.slots.empty();
  }
  for (const TotalChannel& channel : kTotalChannels) {
    if (option != ClientChannel::kNone && channel.rule.counter != rule.counter) continue;
    if (itemName != channel.name) continue;
    document.WriteChannel(channelName, Decimal(channel.rule.Of(workload.totals)), "");
    return true;
  }
  return false;
}

/// Fetches the day's statistics from the source the options name and
/// hands them to |evaluate|. A system without statistics gives the
/// no-data document.
template <typename Evaluate>
WorkloadResult WithStatistics(RfcSession& session, const ServerClock& clock,
                              WorkloadSource source, std::string_view destination,
                              ResultDocument& document, Evaluate&& evaluate) {
  WorkloadResult result;
  WorkloadFetch fetch =
      FetchWorkload(session, clock.date, source, [&](const WorkloadRows& rows) {
        evaluate(rows, result);
        return result.outcome;
      });
  result.outcome = fetch.outcome;
  if (fetch.noData) {
    result.noData = true;
    document.WriteNoDataDocument(destination);
  }
  return result;
}

}  // namespace

WorkloadResult EvaluateWorkload(RfcSession& session, const ServerClock& clock,
                                const WorkloadOptions& options, std::string_view destination,
                                const HistoryFile& historyFile, ResultDocument& document) {
  return WithStatistics(session, clock, options.source, destination, document,
                        [&](const WorkloadRows& rows, WorkloadResult& result) {
                          Workload workload;
                          SumRows(rows, options.clientFilter, &workload);
                          UsageHistory history(historyFile.lines, historyFile.byteOrderMark);
                          result.outcome =
                              history.UpdateHistory(historyFile.disk, historyFile.path, clock,
                                                    workload.slots, workload.allClientsStepTotal);
                          if (!result.outcome.ok()) return;
                          if (options.dataRows)
                            result.dataRows = DataRows(rows, options.clientFilter);
                          SubtractBaselines(options.clientFilter, history, &workload);
                          WriteDocument(destination, options, workload, document);
                        });
}

WorkloadResult EvaluateItem(RfcSession& session, const ServerClock& clock,
                            const WorkloadOptions& options, std::string_view destination,
                            std::string_view itemName, std::string_view channelName,
                            ResultDocument& document) {
  return WithStatistics(session, clock, options.source, destination, document,
                        [&](const WorkloadRows& rows, WorkloadResult& result) {
                          Workload workload;
                          SumRows(rows, options.clientFilter, &workload);
                          if (options.dataRows)
                            result.dataRows = DataRows(rows, options.clientFilter);
                          document.Clear();
                          result.itemReported =
                              WriteItem(workload, options, itemName, channelName, document);
                        });
}
