#include "measure/workload_evaluation.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "measure/call_failure.h"
#include "measure/number_text.h"
#include "measure/system_usage_call.h"
#include "measure/usage_counters.h"
#include "measure/usage_history.h"
#include "run/run.h"
#include "sap/rfc_failure_report.h"

namespace {

using Index = UsageCounters::Index;

/// A character field of a row: its bytes up to the first NUL.
std::string_view TextField(const unsigned char* row, unsigned offset, size_t length) {
  const char* start = reinterpret_cast<const char*>(row + offset);
  const void* nul = std::memchr(start, '\0', length);
  return std::string_view(start, nul ? static_cast<const char*>(nul) - start : length);
}

/// A little-endian signed 4-byte integer field, modulo 2^32.
std::uint32_t IntegerField(const unsigned char* row, unsigned offset) {
  const unsigned char* p = row + offset;
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

/// An 8-byte packed decimal field.
std::uint32_t PackedField(const unsigned char* row, unsigned offset) {
  return PackedValue(row + offset, 8);
}

std::string_view RowClient(const unsigned char* row) {
  return TextField(row, statistic_row::kClient, 3);
}

/// The seven counters of a statistics row.
UsageCounters RowCounters(const unsigned char* row) {
  namespace f = statistic_row;
  UsageCounters counters;
  counters[Index::kSteps] = IntegerField(row, f::kSteps);
  counters[Index::kRespTime] = PackedField(row, f::kRespTime);
  counters[Index::kCpuTime] = PackedField(row, f::kCpuTime);
  counters[Index::kDbTime] = PackedField(row, f::kADbTime);
  counters[Index::kSusTime] = PackedField(row, f::kSDbTime);
  counters[Index::kDialog] = IntegerField(row, f::kDsteps);
  counters[Index::kBatch] = IntegerField(row, f::kBsteps);
  return counters;
}

/// A client text (at most 3 bytes) as a hash key: its bytes and its length.
std::uint32_t ClientKey(std::string_view client) {
  std::uint32_t key = static_cast<std::uint32_t>(client.size()) << 24;
  for (size_t i = 0; i < client.size(); ++i)
    key |= std::uint32_t{static_cast<unsigned char>(client[i])} << (8 * i);
  return key;
}

/// Row |line| (from 1) of the statistics table; a null row ends the run.
const unsigned char* GetRow(Run& run, ItHandle statistic, unsigned line) {
  void* row = run.rfc.ItGetLine(statistic, line);
  if (row == nullptr) ReportRfcFailure(run, "ItGetLine STATISTIC");
  return static_cast<const unsigned char*>(row);
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

/// The channel options, in the order in which they are looked for.
struct ChannelOption {
  const char* keyword;
  ValueRule rule;
};
constexpr ChannelOption kChannelOptions[] = {
    {"STEPS", {Index::kSteps, false}},      {"DIALOG", {Index::kDialog, false}},
    {"BATCH", {Index::kBatch, false}},      {"RESPONSE", {Index::kRespTime, true}},
    {"CPU-TIME", {Index::kCpuTime, true}},  {"DBS-TIME", {Index::kDbTime, true}},
    {"SUS-TIME", {Index::kSusTime, true}},
};

/// The seven channels of the totals; their names are also the item names.
struct TotalChannel {
  const char* name;
  ValueRule rule;
};
constexpr TotalChannel kTotalChannels[] = {
    {"Step(s)", {Index::kSteps, false}},     {"Dialog", {Index::kDialog, false}},
    {"Batch", {Index::kBatch, false}},       {"Rsp Time", {Index::kRespTime, true}},
    {"CPU Time", {Index::kCpuTime, true}},   {"DBS Time", {Index::kDbTime, true}},
    {"Sus Time", {Index::kSusTime, true}},
};

/// The first channel option present in the parameters, or null.
const ChannelOption* FindChannelOption(const std::string& parameterText) {
  for (const ChannelOption& option : kChannelOptions)
    if (parameterText.find(option.keyword) != std::string::npos) return &option;
  return nullptr;
}

/// The client slots and totals of one evaluation.
struct Workload {
  std::vector<ClientSlot> slots;
  UsageCounters totals;  // the clients the filter selects
  std::uint32_t allClientsStepTotal = 0;
};

/// Sums the rows per client and over the selected clients. Each distinct
/// client gets one slot, in the order of its first row.
void SumRows(Run& run, ItHandle statistic, Workload* workload) {
  std::unordered_map<std::uint32_t, size_t> slotOf;
  unsigned rows = run.rfc.ItFill(statistic);
  for (unsigned line = 1; line <= rows; ++line) {
    const unsigned char* row = GetRow(run, statistic, line);
    std::string_view client = RowClient(row);
    auto [entry, added] = slotOf.try_emplace(ClientKey(client), workload->slots.size());
    if (added) workload->slots.push_back(ClientSlot{std::string(client), {}, {}});
    UsageCounters counters = RowCounters(row);
    workload->slots[entry->second].dayTotals.Add(counters);
    workload->allClientsStepTotal += counters[Index::kSteps];
  }
  for (ClientSlot& slot : workload->slots) {
    slot.differences = slot.dayTotals;
    if (run.clientFilter.empty() || run.clientFilter == slot.client)
      workload->totals.Add(slot.dayTotals);
  }
}

/// Prints one line per selected row for the "DATA" option.
void PrintDataRows(Run& run, ItHandle statistic) {
  unsigned rows = run.rfc.ItFill(statistic);
  char numbers[128];
  std::string line;
  for (unsigned line_number = 1; line_number <= rows; ++line_number) {
    const unsigned char* row = GetRow(run, statistic, line_number);
    std::string_view client = RowClient(row);
    if (!run.clientFilter.empty() && run.clientFilter != client) continue;
    UsageCounters c = RowCounters(row);
    std::snprintf(numbers, sizeof numbers, "%6lu %8lu %8lu %8lu %8lu %6lu %6lu\n",
                  static_cast<unsigned long>(c[Index::kSteps]),
                  static_cast<unsigned long>(c[Index::kRespTime]),
                  static_cast<unsigned long>(c[Index::kCpuTime]),
                  static_cast<unsigned long>(c[Index::kDbTime]),
                  static_cast<unsigned long>(c[Index::kSusTime]),
                  static_cast<unsigned long>(c[Index::kDialog]),
                  static_cast<unsigned long>(c[Index::kBatch]));
    line.assign(TextField(row, statistic_row::kUserAccnt, 12));
    line += ' ';
    line += client;
    line += ' ';
    line += numbers;
    run.console.Write(line);
  }
}

/// Takes each client's differences to its baseline; the totals lose the
/// baselines of the clients they cover.
void SubtractBaselines(const Run& run, const UsageHistory& history, Workload* workload) {
  for (ClientSlot& slot : workload->slots) {
    std::string_view baseline = history.FindBaseline(slot.client);
    if (baseline.empty()) continue;
    if (!run.clientFilter.empty() && run.clientFilter != slot.client) continue;
    UsageCounters former = ReadClientRecord(baseline);
    slot.differences.Subtract(former);
    workload->totals.Subtract(former);
  }
}

/// The summary text: "(PRD) Summary: Step(s)=1.234, Dialog=..., ... ms ".
void WriteSummaryText(Run& run, const UsageCounters& totals) {
  std::uint32_t steps = totals[Index::kSteps];
  std::string text = "(" + run.systemProfile.destination;
  text += run.clientFilter.empty() ? ") Summary: " : ") Usage Client[" + run.clientFilter + "]: ";
  text += "Step(s)=" + GroupThousands(Decimal(steps));
  text += ", Dialog=" + GroupThousands(Decimal(totals[Index::kDialog]));
  text += ", Batch=" + GroupThousands(Decimal(totals[Index::kBatch]));
  text += ", RspTime=" + GroupThousands(Decimal(totals[Index::kRespTime] / steps));
  text += " ms, CpuTime=" + GroupThousands(Decimal(totals[Index::kCpuTime] / steps));
  text += " ms ";
  ResultDocument& document = run.resultDocument;
  document.OpenText();
  document.AppendText(text);
  document.CloseText();
}

/// One channel per slot, named |prefix| + "Client " + the client.
void WriteSlotChannels(Run& run, const Workload& workload, const ValueRule& rule,
                       const std::string& prefix) {
  for (const ClientSlot& slot : workload.slots)
    run.resultDocument.WriteChannel(prefix + "Client " + slot.client,
                                    Decimal(rule.Of(slot.differences)), rule.Unit());
}

/// The whole document of a single-system run.
void WriteDocument(Run& run, Workload& workload, const ChannelOption* option) {
  UsageCounters& totals = workload.totals;
  if (totals[Index::kSteps] == 0) totals[Index::kSteps] = 1;
  run.resultDocument.OpenDocument();
  WriteSummaryText(run, totals);
  if (option != nullptr) {
    WriteSlotChannels(run, workload, option->rule, "");
  } else {
    for (const TotalChannel& channel : kTotalChannels)
      run.resultDocument.WriteChannel(channel.name, Decimal(channel.rule.Of(totals)),
                                      channel.rule.Unit());
  }
  run.resultDocument.CloseDocument();
}

/// The channels of one system in an item run, printed at once.
void ReportItem(Run& run, const Workload& workload, const ChannelOption* option) {
  ResultDocument& document = run.resultDocument;
  document.Clear();
  run.itemReported = true;
  bool perClient = option != nullptr && option->rule.counter != Index::kDialog &&
                   option->rule.counter != Index::kBatch;
  if (perClient) {
    WriteSlotChannels(run, workload, option->rule, run.itemChannelName + " ");
  } else {
    for (const TotalChannel& channel : kTotalChannels) {
      if (option != nullptr && channel.rule.counter != option->rule.counter) continue;
      if (run.itemName != channel.name) continue;
      document.WriteChannel(run.itemChannelName, Decimal(channel.rule.Of(workload.totals)), "");
    }
  }
  run.console.Write(document.Text());
  document.Clear();
}

/// The document of a system that has no statistics for the day.
void WriteNoDataDocument(Run& run) {
  ResultDocument& document = run.resultDocument;
  document.Clear();
  document.Append("\n<Prtg>");
  document.Append("\n\n<Text>");
  document.AppendText(run.systemProfile.destination);
  document.Append(" Summary: ");
  document.Append("Step(s)=0, Dialog=0, Batch=0, Rsp-Time=0, CPU-Time=0");
  document.Append(" ");
  document.Append("</Text>\n");
  for (const char* name :
       {"Steps", "Dialog", "Batch", "Response", "CPU-Time", "DBS-Time", "SUS-Time"})
    document.WriteChannel(name, "0", "");
  document.Append("\n</Prtg>\n");
}

/// Evaluates the rows of a successful call.
void EvaluateRows(Run& run, ItHandle statistic) {
  Workload workload;
  SumRows(run, statistic, &workload);

  if (!run.itemMode) {
    UsageHistory history(run.profileLineTable);
    if (!history.UpdateHistory(run, workload.slots, workload.allClientsStepTotal)) return;
    if (run.parameterText.find("DATA") != std::string::npos) PrintDataRows(run, statistic);
    SubtractBaselines(run, history, &workload);
    WriteDocument(run, workload, FindChannelOption(run.parameterText));
    return;
  }
  if (run.parameterText.find("DATA") != std::string::npos) PrintDataRows(run, statistic);
  ReportItem(run, workload, FindChannelOption(run.parameterText));
}

}  // namespace

int EvaluateWorkload(Run& run) {
  RfcLibrary& rfc = run.rfc;
  ItHandle statistic = rfc.ItCreate("STATISTIC", kStatisticRowLength, 0, 0);
  if (statistic == nullptr) ReportRfcFailure(run, "ItCreate STATISTIC");
  ItHandle relation = rfc.ItCreate("USER_ACCOUNT_RELATION", kUserAccountRowLength, 0, 0);
  if (relation == nullptr) ReportRfcFailure(run, "ItCreate USER_ACCOUNT_RELATION");

  std::string exception;
  int result = CallSystemUsage(run, statistic, relation, &exception);
  if (result == kRfcOk) {
    run.runStatus = RunStatus::Ok;
    EvaluateRows(run, statistic);
  } else if (result == kRfcException && exception == "NO_DATA_FOUND") {
    run.runStatus = RunStatus::Ok;
    WriteNoDataDocument(run);
  } else {
    run.resultDocument.Append(CallFailureMessage(result, exception));
  }

  if (rfc.ItDelete(relation) != 0) ReportRfcFailure(run, "ItDelete USER_ACCOUNT_RELATION");
  if (rfc.ItDelete(statistic) != 0) ReportRfcFailure(run, "ItDelete STATISTIC");
  return result;
}
