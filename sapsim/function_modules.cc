#include "sapsim/function_modules.h"

#include <cstring>
#include <iterator>

#include "sapsim/internal_table.h"

namespace {

const ParameterSpec kCpuAllExporting[] = {
    {"LOCAL_REMOTE", kTypeChar, nullptr, 6},
    {"LOGICAL_DESTINATION", kTypeChar, nullptr, 32},
};
const ParameterSpec kCpuAllImporting[] = {
    {"ACTIVEFLAG", kTypeInt, nullptr, 4},      {"DETAILSCOLL", kTypeInt, nullptr, 4},
    {"DETAILSMODE", kTypeInt, nullptr, 4},     {"DETAILSREQI", kTypeInt, nullptr, 4},
    {"F_CPU_ALL_READ", kTypeChar, nullptr, 3}, {"INTERVAL", kTypeInt, nullptr, 4},
    {"LASTCOLLINT", kTypeInt, nullptr, 4},     {"LASTCOLLWRT", kTypeChar, nullptr, 25},
    {"NORMCOLLINT", kTypeInt, nullptr, 4},     {"OP_SYSTEM", kTypeChar, nullptr, 52},
};
const TableSpec kCpuAllTables[] = {{"TF_CPU_ALL", "CPU_ALL"}};

const ParameterSpec kSystemInfoImporting[] = {
    {"CURRENT_RESOURCES", kTypeInt, nullptr, 4}, {"DIALOG_USER_TYPE", kTypeChar, nullptr, 1},
    {"MAXIMAL_RESOURCES", kTypeInt, nullptr, 4}, {"RECOMMENDED_DELAY", kTypeInt, nullptr, 4},
    {"RFCSI_EXPORT", 0, "RFCSI", 200},           {"RFC_LOGIN_COMPLETE", kTypeChar, nullptr, 1},
};

const ParameterSpec kUsageExporting[] = {
    {"CLIENT", kTypeChar, nullptr, 3},     {"CUMULATION_MODE", kTypeChar, nullptr, 1},
    {"INSTANCE", kTypeChar, nullptr, 39},  {"INSTID", kTypeChar, nullptr, 8},
    {"PERIODTYPE", kTypeChar, nullptr, 1}, {"STARTDATE", kTypeDate, nullptr, 8},
};
const TableSpec kUsageTables[] = {{"STATISTIC", "SAPWLACCTS"},
                                  {"USER_ACCOUNT_RELATION", "USRACCNTV"}};

const char* const kUsageExceptions[] = {"NO_DATA_FOUND", "UNKNOWN_CUMULATION_MODE",
                                        "UNKNOWN_PERIODTYPE", "WRONG_CLIENT_DESCRIPTION",
                                        "WRONG_STARTDATE"};

// The workload collector: every parameter but the period optional, and
// the caller names only the tables it wants.
const ParameterSpec kCollectorExporting[] = {
    {"COMPONENT", kTypeChar, nullptr, 40},         {"ASSIGNDSYS", kTypeChar, nullptr, 8, true},
    {"PERIODTYPE", kTypeChar, nullptr, 1},         {"PERIODSTRT", kTypeDate, nullptr, 8},
    {"SUMMARY_ONLY", kTypeChar, nullptr, 1, true}, {"FACTOR", kTypeInt, nullptr, 4, true},
};
const TableSpec kCollectorTables[] = {{"USERTCODE", "SWNCAGGUSERTCODE", true},
                                      {"USERWORKLOAD", "SWNCAGGUSERWORKLOAD", true}};
const char* const kCollectorExceptions[] = {"NO_DATA_FOUND"};

// The metadata modules classic-library programs ask for interfaces and
// structure layouts.
const ParameterSpec kInterfaceExporting[] = {
    {"FUNCNAME", kTypeChar, nullptr, 30},
    {"LANGUAGE", kTypeChar, nullptr, 1, true},
    {"NONE_UNICODE_LENGTH", kTypeChar, nullptr, 1, true},
};
const ParameterSpec kInterfaceImporting[] = {
    {"REMOTE_CALL", kTypeChar, nullptr, 1, true},
    {"UPDATE_TASK", kTypeChar, nullptr, 1, true},
};
const TableSpec kInterfaceTables[] = {{"PARAMS", "RFC_FUNINT"}};
const char* const kInterfaceExceptions[] = {"FU_NOT_FOUND", "NAMETAB_FAULT"};

const ParameterSpec kStructureExporting[] = {
    {"TABNAME", kTypeChar, nullptr, 30},
    {"UCLEN", kTypeByte, nullptr, 1, true},
};
const ParameterSpec kStructureImporting[] = {{"TABLENGTH", kTypeInt, nullptr, 4, true}};
const TableSpec kStructureTables[] = {{"FIELDS", "RFC_FIELDS"}};
const char* const kStructureExceptions[] = {"TABLE_NOT_ACTIVE"};

const FunctionModule kModules[] = {
    {"GET_CPU_ALL", kCpuAllExporting, 2, kCpuAllImporting, 10, kCpuAllTables, 1},
    {"RFC_SYSTEM_INFO", nullptr, 0, kSystemInfoImporting, 6, nullptr, 0},
    {"SAPWL_ACCNT_GET_SYSTEM_USAGE", kUsageExporting, 6, nullptr, 0, kUsageTables, 2,
     kUsageExceptions, std::size(kUsageExceptions)},
    {"SWNC_COLLECTOR_GET_AGGREGATES", kCollectorExporting, std::size(kCollectorExporting), nullptr,
     0, kCollectorTables, std::size(kCollectorTables), kCollectorExceptions,
     std::size(kCollectorExceptions)},
    {"RFC_GET_FUNCTION_INTERFACE", kInterfaceExporting, std::size(kInterfaceExporting),
     kInterfaceImporting, std::size(kInterfaceImporting), kInterfaceTables, 1, kInterfaceExceptions,
     std::size(kInterfaceExceptions)},
    {"RFC_GET_STRUCTURE_DEFINITION", kStructureExporting, std::size(kStructureExporting),
     kStructureImporting, std::size(kStructureImporting), kStructureTables, 1, kStructureExceptions,
     std::size(kStructureExceptions)},
};

}  // namespace

const FunctionModule* FindFunctionModule(const std::string& name) {
  for (const FunctionModule& module : kModules)
    if (name == module.name) return &module;
  return nullptr;
}

std::string EntryName(const char* name, unsigned nlen) {
  if (name == nullptr) return "";
  for (unsigned i = 0; i < nlen; ++i)  // stop at a terminator, never past it
    if (name[i] == '\0') return "";
  return std::string(name, nlen);
}

namespace {

/// Matches the entries of a caller's list with the names of an interface:
/// each name must be given exactly once.
template <typename Entry>
class InterfaceMatch {
 public:
  InterfaceMatch(const Entry* entries, std::size_t count) : entries_(entries), count_(count) {
    for (std::size_t i = 0; i < count; ++i)
      if (!entries[i].optional) required_ |= 1u << i;
  }

  /// The interface entry named |name|, or null when there is none or it
  /// was given already.
  const Entry* Find(const std::string& name) const {
    for (std::size_t i = 0; i < count_; ++i)
      if (name == entries_[i].name) return (seen_ & 1u << i) ? nullptr : &entries_[i];
    return nullptr;
  }
  void Mark(const Entry* entry) { seen_ |= 1u << (entry - entries_); }
  bool Complete() const { return (seen_ & required_) == required_; }

 private:
  const Entry* entries_;
  std::size_t count_;
  unsigned seen_ = 0;
  unsigned required_ = 0;
};

}  // namespace

ListCheck CheckParameters(const RfcParameter* list, const ParameterSpec* specs, std::size_t count,
                          const StructureRegistry& registry) {
  InterfaceMatch<ParameterSpec> match(specs, count);
  bool invalid = false;
  std::size_t entries = 0;
  for (const RfcParameter* p = list; p != nullptr && p->name != nullptr; ++p) {
    if (++entries > kMaxListEntries) return ListCheck::kInvalid;
    const RecordLayout* layout = registry.Find(p->type);
    if (layout == nullptr && !IsFieldTypeCode(p->type)) return ListCheck::kUnknownType;
    const ParameterSpec* wanted = match.Find(EntryName(p->name, p->nlen));
    bool fits =
        wanted != nullptr && p->leng == wanted->length && p->addr != nullptr &&
        (wanted->structure == nullptr
             ? layout == nullptr && p->type == wanted->type
             : layout != nullptr && layout->name == wanted->structure && layout->size == p->leng);
    if (!fits) {
      invalid = true;
      continue;
    }
    match.Mark(wanted);
  }
  return invalid || !match.Complete() ? ListCheck::kInvalid : ListCheck::kValid;
}

ListCheck CheckTables(const RfcTable* list, const TableSpec* specs, std::size_t count,
                      const StructureRegistry& registry,
                      const std::function<bool(ItHandle)>& knownTable) {
  InterfaceMatch<TableSpec> match(specs, count);
  bool invalid = false;
  std::size_t entries = 0;
  for (const RfcTable* t = list; t != nullptr && t->name != nullptr; ++t) {
    if (++entries > kMaxListEntries) return ListCheck::kInvalid;
    const RecordLayout* layout = registry.Find(t->type);
    if (layout == nullptr || t->ithandle == nullptr || !knownTable(t->ithandle))
      return ListCheck::kUnknownType;
    const TableSpec* wanted = match.Find(EntryName(t->name, t->nlen));
    bool fits = wanted != nullptr && layout->name == wanted->structure &&
                layout->size == t->ithandle->leng && (t->leng == 0 || t->leng == layout->size);
    if (!fits) {
      invalid = true;
      continue;
    }
    match.Mark(wanted);
  }
  return invalid || !match.Complete() ? ListCheck::kInvalid : ListCheck::kValid;
}
