#include "measure/collector_statistics.h"

#include <unordered_map>

namespace {

/// The field names of each value, as the collector's row types name them.
constexpr const char* kFieldNames[kCollectorValues] = {
    "MANDT",     "TASKTYPE",  "ACCOUNT", "COUNT",     "RESPTI",   "CPUTI",
    "READDIRTI", "READSEQTI", "CHNGTI",  "LOADGENTI", "DBP_TIME",
};

/// The client as a number for hashing: its first three bytes.
std::uint32_t ClientKey(std::string_view client) {
  std::uint32_t key = 0;
  for (std::size_t i = 0; i < 3; ++i)
    key = key << 8 | (i < client.size() ? static_cast<unsigned char>(client[i]) : 0xFFu);
  return key;
}

}  // namespace

CollectorMapping CollectorMapping::FromFieldNames(const std::vector<std::string>& names) {
  CollectorMapping mapping;
  mapping.field.fill(-1);
  for (std::size_t i = 0; i < names.size(); ++i)
    for (int v = 0; v < kCollectorValues; ++v)
      if (mapping.field[v] < 0 && names[i] == kFieldNames[v])
        mapping.field[v] = static_cast<int>(i);
  if (mapping.Of(CollectorValue::kLoadGeneration) >= 0)
    mapping.susTime = SusTimeSource::kLoadGeneration;
  else if (mapping.Of(CollectorValue::kDbProcedure) >= 0)
    mapping.susTime = SusTimeSource::kDbProcedure;
  return mapping;
}

bool CollectorMapping::Complete() const {
  for (CollectorValue v :
       {CollectorValue::kClient, CollectorValue::kTaskType, CollectorValue::kSteps,
        CollectorValue::kResponseTime, CollectorValue::kCpuTime, CollectorValue::kDirectRead,
        CollectorValue::kSequentialRead, CollectorValue::kChange})
    if (Of(v) < 0) return false;
  return true;
}

std::string CollectorMapping::Describe() const {
  std::string text =
      "client MANDT, steps COUNT, dialog COUNT of TASKTYPE 01, batch COUNT of "
      "TASKTYPE 04, response RESPTI, CPU CPUTI, database READDIRTI+READSEQTI+CHNGTI"
      ", sus time ";
  switch (susTime) {
    case SusTimeSource::kLoadGeneration: text += "LOADGENTI"; break;
    case SusTimeSource::kDbProcedure: text += "DBP_TIME"; break;
    case SusTimeSource::kNone: text += "none (0)"; break;
  }
  return text;
}

UsageCounters CollectorRowCounters(const CollectorRows& rows, const CollectorMapping& mapping,
                                   std::size_t row) {
  auto number = [&](CollectorValue v) -> std::uint32_t {
    int field = mapping.Of(v);
    return field < 0 ? 0 : rows.Number(row, field);
  };
  UsageCounters c;
  std::uint32_t steps = number(CollectorValue::kSteps);
  c[UsageCounters::kSteps] = steps;
  c[UsageCounters::kRespTime] = number(CollectorValue::kResponseTime);
  c[UsageCounters::kCpuTime] = number(CollectorValue::kCpuTime);
  c[UsageCounters::kDbTime] = number(CollectorValue::kDirectRead) +
                              number(CollectorValue::kSequentialRead) +
                              number(CollectorValue::kChange);
  switch (mapping.susTime) {
    case SusTimeSource::kLoadGeneration:
      c[UsageCounters::kSusTime] = number(CollectorValue::kLoadGeneration);
      break;
    case SusTimeSource::kDbProcedure:
      c[UsageCounters::kSusTime] = number(CollectorValue::kDbProcedure);
      break;
    case SusTimeSource::kNone: break;
  }
  int taskField = mapping.Of(CollectorValue::kTaskType);
  std::string_view task = taskField < 0 ? std::string_view() : rows.Text(row, taskField);
  if (!task.empty()) {
    auto type = static_cast<unsigned char>(task[0]);
    if (type == kDialogTaskType) c[UsageCounters::kDialog] = steps;
    if (type == kBackgroundTaskType) c[UsageCounters::kBatch] = steps;
  }
  return c;
}

CollectorDayTotals SumCollectorRows(const CollectorRows& rows, const CollectorMapping& mapping) {
  CollectorDayTotals totals;
  int clientField = mapping.Of(CollectorValue::kClient);
  std::unordered_map<std::uint32_t, std::size_t> slotOf;
  for (std::size_t row = 0, n = rows.size(); row < n; ++row) {
    std::string_view client = clientField < 0 ? std::string_view() : rows.Text(row, clientField);
    client = client.substr(0, 3);
    auto [entry, added] = slotOf.try_emplace(ClientKey(client), totals.slots.size());
    if (added) totals.slots.push_back(ClientSlot{std::string(client), {}, {}});
    UsageCounters counters = CollectorRowCounters(rows, mapping, row);
    totals.slots[entry->second].dayTotals.Add(counters);
    totals.allClientsStepTotal += counters[UsageCounters::kSteps];
  }
  for (ClientSlot& slot : totals.slots) slot.differences = slot.dayTotals;
  return totals;
}
