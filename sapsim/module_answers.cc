#include "sapsim/module_answers.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "sapsim/function_modules.h"
#include "sapsim/internal_table.h"
#include "sapsim/record_layout.h"

namespace {

using NamedValues = std::unordered_map<std::string, FieldValue>;

/// Fills a record from its layout: fields named in |values| get their
/// value, the others their initial value.
void FillRecord(const RecordLayout& layout, const NamedValues& values, std::uint8_t* record) {
  InitializeRecord(layout, record);
  for (const LaidOutField& field : layout.fields) {
    auto found = values.find(field.name);
    if (found != values.end()) WriteField(field, found->second, record);
  }
}

/// Stores the importing values: a field-typed parameter from |scalars|, a
/// structure parameter from |structures| by parameter name.
void WriteImporting(const AnswerContext& context, const RfcParameter* list,
                    const NamedValues& scalars,
                    const std::unordered_map<std::string, NamedValues>& structures) {
  for (const RfcParameter* p = list; p != nullptr && p->name != nullptr; ++p) {
    std::string name = EntryName(p->name, p->nlen);
    auto* out = static_cast<std::uint8_t*>(p->addr);
    if (const RecordLayout* layout = context.registry->Find(p->type)) {
      auto found = structures.find(name);
      FillRecord(*layout, found != structures.end() ? found->second : NamedValues{}, out);
      continue;
    }
    LaidOutField field{name, p->type, p->leng, 0};
    auto found = scalars.find(name);
    if (found != scalars.end()) WriteField(field, found->second, out);
  }
}

RfcTable* FindTable(RfcTable* list, const char* name) {
  for (RfcTable* t = list; t != nullptr && t->name != nullptr; ++t)
    if (EntryName(t->name, t->nlen) == name) return t;
  return nullptr;
}

std::string TwoDigits(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

}  // namespace

void AnswerCpuAll(const AnswerContext& context, const RfcParameter* importing, RfcTable* tables) {
  const SimulatedSystem& system = *context.system;
  std::string clock = system.clock == "now" ? context.moment.clockText : system.clock;
  NamedValues scalars = {
      {"ACTIVEFLAG", FieldValue::Number(1)},     {"DETAILSCOLL", FieldValue::Number(1)},
      {"DETAILSMODE", FieldValue::Number(0)},    {"DETAILSREQI", FieldValue::Number(0)},
      {"F_CPU_ALL_READ", FieldValue::Text("X")}, {"INTERVAL", FieldValue::Number(10)},
      {"LASTCOLLINT", FieldValue::Number(10)},   {"LASTCOLLWRT", FieldValue::Text(clock)},
      {"NORMCOLLINT", FieldValue::Number(10)},   {"OP_SYSTEM", FieldValue::Text("Linux")},
  };
  WriteImporting(context, importing, scalars, {});

  RfcTable* table = FindTable(tables, "TF_CPU_ALL");
  if (table == nullptr) return;
  const RecordLayout* layout = context.registry->Find(table->type);
  // One processor line: loads are given in hundredths, times in seconds.
  NamedValues line = {
      {"TYPE", FieldValue::Number(1)},        {"SUBTYPE", FieldValue::Number(0)},
      {"SERIALNR", FieldValue::Number(1)},    {"NBR_CPU", FieldValue::Number(4)},
      {"LOAD1_AVG", FieldValue::Number(35)},  {"LOAD5_AVG", FieldValue::Number(42)},
      {"LOAD15_AVG", FieldValue::Number(40)}, {"INT_SEC", FieldValue::Number(812)},
      {"SYSC_SEC", FieldValue::Number(3120)}, {"CS_SEC", FieldValue::Number(1460)},
      {"USR_TOTAL", FieldValue::Number(12)},  {"SYS_TOTAL", FieldValue::Number(4)},
      {"IDLE_TOTAL", FieldValue::Number(84)},
  };
  FillRecord(*layout, line, table->ithandle->AppendRow());
}

void AnswerSystemInfo(const AnswerContext& context, const RfcParameter* importing) {
  const SimulatedSystem& system = *context.system;
  std::string sysnr = TwoDigits(system.sysnr.value_or(0));
  NamedValues rfcsi = {
      {"RFCPROTO", FieldValue::Text("011")},
      {"RFCCHARTYP", FieldValue::Text("1100")},
      {"RFCINTTYP", FieldValue::Text("LIT")},
      {"RFCFLOTYP", FieldValue::Text("IE3")},
      {"RFCDEST", FieldValue::Text(system.rfchost + "_" + system.sysid + "_" + sysnr)},
      {"RFCHOST", FieldValue::Text(system.rfchost)},
      {"RFCSYSID", FieldValue::Text(system.sysid)},
      {"RFCDATABS", FieldValue::Text(system.sysid)},
      {"RFCDBHOST", FieldValue::Text(system.rfchost)},
      {"RFCDBSYS", FieldValue::Text("ORACLE")},
      {"RFCSAPRL", FieldValue::Text(system.release == SapRelease::k46C   ? "46C"
                                    : system.release == SapRelease::k750 ? "750"
                                                                         : "758")},
      {"RFCMACH", FieldValue::Text("  560")},
      {"RFCOPSYS", FieldValue::Text("Linux")},
      {"RFCTZONE", FieldValue::Text("  3600")},
      {"RFCDAYST", FieldValue::Text("")},
      {"RFCIPADDR", FieldValue::Text("10.0.0.17")},
      {"RFCKERNRL", FieldValue::Text("46D")},
  };
  NamedValues scalars = {
      {"CURRENT_RESOURCES", FieldValue::Number(8)},  {"DIALOG_USER_TYPE", FieldValue::Text("")},
      {"MAXIMAL_RESOURCES", FieldValue::Number(12)}, {"RECOMMENDED_DELAY", FieldValue::Number(0)},
      {"RFC_LOGIN_COMPLETE", FieldValue::Text("X")},
  };
  WriteImporting(context, importing, scalars, {{"RFCSI_EXPORT", rfcsi}});
}

std::int64_t ScaleRate(std::int64_t rate, long secondsOfDay) { return rate * secondsOfDay / 3600; }

bool AnswerSystemUsage(const AnswerContext& context, const std::string& startdate,
                       RfcTable* tables) {
  const auto& statistics = context.system->statistics;
  const std::vector<StatisticsRow>* rows = nullptr;
  bool scaled = false;
  auto dated = statistics.find(startdate);
  if (dated != statistics.end()) {
    rows = &dated->second;
  } else if (startdate == context.moment.date) {
    auto today = statistics.find("today");
    if (today != statistics.end()) {
      rows = &today->second;
      scaled = true;
    }
  }
  if (rows == nullptr) return false;

  RfcTable* table = FindTable(tables, "STATISTIC");
  if (table == nullptr) return true;
  const RecordLayout& layout = *context.registry->Find(table->type);

  // Which column each field of the installed structure takes, worked out
  // once for all rows: -2 client, -1 account, 0..3 integers, 4..10 packed.
  enum : int { kNone = -3, kClient = -2, kAccount = -1 };
  std::vector<int> plan(layout.fields.size(), kNone);
  for (std::size_t f = 0; f < layout.fields.size(); ++f) {
    const std::string& name = layout.fields[f].name;
    if (name == "CLIENT") plan[f] = kClient;
    if (name == "USER_ACCNT") plan[f] = kAccount;
    for (int i = 0; i < StatisticsRow::kIntegers; ++i)
      if (name == kIntegerColumns[i].field) plan[f] = i;
    for (int i = 0; i < StatisticsRow::kPacked; ++i)
      if (name == kPackedColumns[i].field) plan[f] = StatisticsRow::kIntegers + i;
  }
  std::vector<std::uint8_t> initial(layout.size);
  InitializeRecord(layout, initial.data());

  long seconds = context.moment.secondsOfDay;
  auto number = [&](std::int64_t value) {
    return FieldValue::Number(scaled ? ScaleRate(value, seconds) : value);
  };
  RfcInternalTable* it = table->ithandle;
  it->Reserve(rows->size());
  for (const StatisticsRow& row : *rows) {
    std::uint8_t* record = it->AppendRow();
    std::memcpy(record, initial.data(), layout.size);
    for (std::size_t f = 0; f < plan.size(); ++f) {
      int column = plan[f];
      if (column == kNone) continue;
      const LaidOutField& field = layout.fields[f];
      if (column == kClient) {
        WriteField(field, FieldValue::Text(row.client), record);
      } else if (column == kAccount) {
        WriteField(field, FieldValue::Text(row.account), record);
      } else if (column < StatisticsRow::kIntegers) {
        WriteField(field, number(row.integers[column]), record);
      } else {
        int i = column - StatisticsRow::kIntegers;
        if (row.rawMask & 1u << i) {
          std::string bytes(8, '\0');
          auto bits = static_cast<std::uint64_t>(row.packed[i]);
          for (int b = 0; b < 8; ++b) bytes[b] = static_cast<char>(bits >> (8 * (7 - b)));
          WriteField(field, FieldValue::Raw(bytes), record);
        } else {
          WriteField(field, number(row.packed[i]), record);
        }
      }
    }
  }
  return true;
}
