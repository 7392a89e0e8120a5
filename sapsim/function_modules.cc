#include "sapsim/function_modules.h"

#include <cstring>

#include "sapsim/internal_table.h"

namespace {

const ParameterSpec kCpuAllExporting[] = {
    {"LOCAL_REMOTE", kTypeChar, nullptr, 6},
    {"LOGICAL_DESTINATION", kTypeChar, nullptr, 32},
};
const ParameterSpec kCpuAllImporting[] = {
    {"ACTIVEFLAG", kTypeInt, nullptr, 4},
    {"DETAILSCOLL", kTypeInt, nullptr, 4},
    {"DETAILSMODE", kTypeInt, nullptr, 4},
    {"DETAILSREQI", kTypeInt, nullptr, 4},
    {"F_CPU_ALL_READ", kTypeChar, nullptr, 3},
    {"INTERVAL", kTypeInt, nullptr, 4},
    {"LASTCOLLINT", kTypeInt, nullptr, 4},
    {"LASTCOLLWRT", kTypeChar, nullptr, 25},
    {"NORMCOLLINT", kTypeInt, nullptr, 4},
    {"OP_SYSTEM", kTypeChar, nullptr, 52},
};
const TableSpec kCpuAllTables[] = {{"TF_CPU_ALL", "CPU_ALL"}};

const ParameterSpec kSystemInfoImporting[] = {
    {"CURRENT_RESOURCES", kTypeInt, nullptr, 4},
    {"DIALOG_USER_TYPE", kTypeChar, nullptr, 1},
    {"MAXIMAL_RESOURCES", kTypeInt, nullptr, 4},
    {"RECOMMENDED_DELAY", kTypeInt, nullptr, 4},
    {"RFCSI_EXPORT", 0, "RFCSI", 200},
    {"RFC_LOGIN_COMPLETE", kTypeChar, nullptr, 1},
};

const ParameterSpec kUsageExporting[] = {
    {"CLIENT", kTypeChar, nullptr, 3},
    {"CUMULATION_MODE", kTypeChar, nullptr, 1},
    {"INSTANCE", kTypeChar, nullptr, 39},
    {"INSTID", kTypeChar, nullptr, 8},
    {"PERIODTYPE", kTypeChar, nullptr, 1},
    {"STARTDATE", kTypeDate, nullptr, 8},
};
const TableSpec kUsageTables[] = {{"STATISTIC", "SAPWLACCTS"},
                                  {"USER_ACCOUNT_RELATION", "USRACCNTV"}};

const FunctionModule kModules[] = {
    {"GET_CPU_ALL", kCpuAllExporting, 2, kCpuAllImporting, 10, kCpuAllTables, 1},
    {"RFC_SYSTEM_INFO", nullptr, 0, kSystemInfoImporting, 6, nullptr, 0},
    {"SAPWL_ACCNT_GET_SYSTEM_USAGE", kUsageExporting, 6, nullptr, 0,
     kUsageTables, 2},
};

}  // namespace

const FunctionModule* FindFunctionModule(const std::string& name) {
  for (const FunctionModule& module : kModules)
    if (name == module.name)
      return &module;
  return nullptr;
}

std::string EntryName(const char* name, unsigned nlen) {
  if (name == nullptr)
    return "";
  for (unsigned i = 0; i < nlen; ++i)  // stop at a terminator, never past it
    if (name[i] == '\0')
      return "";
  return std::string(name, nlen);
}

ListCheck CheckParameters(const RfcParameter* list, const ParameterSpec* specs,
                          std::size_t count, const StructureRegistry& registry) {
  bool invalid = false;
  unsigned seen = 0;
  std::size_t entries = 0;
  for (const RfcParameter* p = list; p != nullptr && p->name != nullptr; ++p) {
    if (++entries > kMaxListEntries)
      return ListCheck::kInvalid;
    const RecordLayout* layout = registry.Find(p->type);
    if (layout == nullptr && !IsFieldTypeCode(p->type))
      return ListCheck::kUnknownType;
    std::string name = EntryName(p->name, p->nlen);
    std::size_t i = 0;
    while (i < count && name != specs[i].name)
      ++i;
    if (i == count || (seen & 1u << i) || p->leng != specs[i].length ||
        p->addr == nullptr) {
      invalid = true;
      continue;
    }
    const ParameterSpec& wanted = specs[i];
    bool type_fits = wanted.structure == nullptr
                         ? layout == nullptr && p->type == wanted.type
                         : layout != nullptr && layout->name == wanted.structure &&
                               layout->size == p->leng;
    if (!type_fits) {
      invalid = true;
      continue;
    }
    seen |= 1u << i;
  }
  if (invalid || seen != (1u << count) - 1)
    return ListCheck::kInvalid;
  return ListCheck::kValid;
}

std::size_t TableRowLength(ItHandle table) { return table->leng; }
