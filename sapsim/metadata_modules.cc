#include "sapsim/metadata_modules.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "sapsim/collector.h"
#include "sapsim/dictionary.h"
#include "sapsim/function_modules.h"
#include "sapsim/internal_table.h"
#include "sapsim/record_layout.h"

namespace {

RfcTable* FindTable(RfcTable* list, const char* name) {
  for (RfcTable* t = list; t != nullptr && t->name != nullptr; ++t)
    if (EntryName(t->name, t->nlen) == name) return t;
  return nullptr;
}

/// Appends a row to |table| with the values named, the other fields at
/// their initial values, in the layout the caller installed.
void AppendNamed(const AnswerContext& context, RfcTable* table,
                 const std::unordered_map<std::string, FieldValue>& values) {
  const RecordLayout* layout = context.registry->Find(table->type);
  std::uint8_t* record = table->ithandle->AppendRow();
  InitializeRecord(*layout, record);
  for (const LaidOutField& field : layout->fields) {
    auto found = values.find(field.name);
    if (found != values.end()) WriteField(field, found->second, record);
  }
}

std::string Letter(char c) { return std::string(1, c); }

}  // namespace

bool AnswerFunctionInterface(const AnswerContext& context, const std::string& function,
                             bool nonUnicode, RfcTable* tables) {
  const SimulatedSystem& system = *context.system;
  const FunctionModule* module = FindFunctionModule(function);
  if (module == nullptr || !HasFunctionModule(system, function)) return false;
  RfcTable* params = FindTable(tables, "PARAMS");
  if (params == nullptr) return true;
  int width = nonUnicode ? 1 : CharacterWidth(system);

  int position = 0;
  auto scalar = [&](const char* paramClass, const ParameterSpec& p) {
    std::unordered_map<std::string, FieldValue> row = {
        {"PARAMCLASS", FieldValue::Text(paramClass)},
        {"PARAMETER", FieldValue::Text(p.name)},
        {"POSITION", FieldValue::Number(++position)},
        {"OPTIONAL", FieldValue::Text(p.optional ? "X" : "")},
    };
    if (p.structure != nullptr) {
      const std::vector<FieldDescriptor>* fields = FindStructure(system, p.structure);
      row["TABNAME"] = FieldValue::Text(p.structure);
      row["EXID"] = FieldValue::Text("u");
      if (fields != nullptr)
        row["INTLENGTH"] = FieldValue::Number(
            static_cast<std::int64_t>(LayOutForWidth(p.structure, *fields, width).size));
    } else {
      bool characters =
          p.type == kTypeChar || p.type == kTypeNum || p.type == kTypeDate || p.type == kTypeTime;
      row["EXID"] = FieldValue::Text(Letter(AbapTypeLetter(p.type)));
      row["INTLENGTH"] = FieldValue::Number(characters ? p.length * width : p.length);
    }
    AppendNamed(context, params, row);
  };
  // The module's importing parameters are what a caller exports.
  for (std::size_t i = 0; i < module->exportingCount; ++i) scalar("I", module->exporting[i]);
  for (std::size_t i = 0; i < module->importingCount; ++i) scalar("E", module->importing[i]);
  for (std::size_t i = 0; i < module->tableCount; ++i) {
    const TableSpec& t = module->tables[i];
    const std::vector<FieldDescriptor>* fields = FindStructure(system, t.structure);
    std::unordered_map<std::string, FieldValue> row = {
        {"PARAMCLASS", FieldValue::Text("T")},
        {"PARAMETER", FieldValue::Text(t.name)},
        {"TABNAME", FieldValue::Text(t.structure)},
        {"EXID", FieldValue::Text("h")},
        {"POSITION", FieldValue::Number(++position)},
        {"OPTIONAL", FieldValue::Text(t.optional ? "X" : "")},
    };
    if (fields != nullptr)
      row["INTLENGTH"] = FieldValue::Number(
          static_cast<std::int64_t>(LayOutForWidth(t.structure, *fields, width).size));
    AppendNamed(context, params, row);
  }
  for (std::size_t i = 0; i < module->exceptionCount; ++i)
    AppendNamed(context, params,
                {{"PARAMCLASS", FieldValue::Text("X")},
                 {"PARAMETER", FieldValue::Text(module->exceptions[i])},
                 {"POSITION", FieldValue::Number(++position)}});
  return true;
}

bool AnswerStructureDefinition(const AnswerContext& context, const std::string& name, int uclen,
                               const RfcParameter* importing, RfcTable* tables) {
  const SimulatedSystem& system = *context.system;
  const std::vector<FieldDescriptor>* fields = FindStructure(system, name);
  if (fields == nullptr) return false;
  int width = uclen == 1 || uclen == 2 ? uclen : CharacterWidth(system);
  RecordLayout layout = LayOutForWidth(name, *fields, width);
  for (const RfcParameter* p = importing; p != nullptr && p->name != nullptr; ++p)
    if (EntryName(p->name, p->nlen) == "TABLENGTH")
      WriteField({"TABLENGTH", p->type, p->leng, 0}, FieldValue::Number(layout.size),
                 static_cast<std::uint8_t*>(p->addr));
  RfcTable* table = FindTable(tables, "FIELDS");
  if (table == nullptr) return true;
  int position = 0;
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    const LaidOutField& field = layout.fields[i];
    AppendNamed(context, table,
                {{"TABNAME", FieldValue::Text(name)},
                 {"FIELDNAME", FieldValue::Text(field.name)},
                 {"POSITION", FieldValue::Number(++position)},
                 {"OFFSET", FieldValue::Number(static_cast<std::int64_t>(field.offset))},
                 {"INTLENGTH", FieldValue::Number(static_cast<std::int64_t>(field.length))},
                 {"DECIMALS", FieldValue::Number(0)},
                 {"EXID", FieldValue::Text(Letter(AbapTypeLetter(field.type)))}});
  }
  return true;
}

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

/// Appends |rows| to the caller's table in the system's layout of
/// |rowType|: each row built in that layout, then copied into the
/// caller's row, cut or filled with zero bytes to its length.
void AppendRows(const AnswerContext& context, RfcTable* table, const char* rowType,
                const std::vector<CollectorRow>& rows, std::int64_t factor) {
  const std::vector<FieldDescriptor>* fields = FindStructure(*context.system, rowType);
  RecordLayout layout = LayOutForWidth(rowType, *fields, 1);
  CollectorRowWriter writer(layout, factor);
  std::vector<std::uint8_t> record(layout.size);
  RfcInternalTable* it = table->ithandle;
  it->Reserve(rows.size());
  std::size_t copied = std::min(layout.size, it->leng);
  for (const CollectorRow& row : rows) {
    writer.Write(row, record.data());
    std::uint8_t* out = it->AppendRow();
    std::memcpy(out, record.data(), copied);
  }
}

}  // namespace

bool AnswerCollector(const AnswerContext& context, const CollectorRequest& request,
                     RfcTable* tables) {
  if (Trimmed(request.component) != "TOTAL" || Trimmed(request.periodType) != "D") return false;
  std::vector<CollectorRow> rows;
  if (!CollectorRowsOfDay(*context.system, request.periodStart, context.moment, &rows))
    return false;
  if (request.summaryOnly) return true;
  std::int64_t factor = request.factor == 0 ? 1000 : request.factor;
  if (RfcTable* tcode = FindTable(tables, "USERTCODE"))
    AppendRows(context, tcode, "SWNCAGGUSERTCODE", rows, factor);
  if (RfcTable* workload = FindTable(tables, "USERWORKLOAD"))
    AppendRows(context, workload, "SWNCAGGUSERWORKLOAD", SumPerAccount(rows), factor);
  return true;
}
