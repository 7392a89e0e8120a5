#include "sapsim/netweaver/nw_dictionary.h"

namespace {

// The structures as the system defines them, in record order.
const FieldDescriptor kCpuAll[] = {
    {"TYPE", kTypeInt2, 2, 0, 0},      {"SUBTYPE", kTypeInt2, 2, 0, 0},
    {"SERIALNR", kTypeInt2, 2, 0, 0},  {"NBR_CPU", kTypeInt, 4, 0, 0},
    {"LOAD1_AVG", kTypeInt, 4, 0, 0},  {"LOAD5_AVG", kTypeInt, 4, 0, 0},
    {"LOAD15_AVG", kTypeInt, 4, 0, 0}, {"INT_SEC", kTypeInt, 4, 0, 0},
    {"SYSC_SEC", kTypeInt, 4, 0, 0},   {"CS_SEC", kTypeInt, 4, 0, 0},
    {"USR_TOTAL", kTypeInt, 4, 0, 0},  {"SYS_TOTAL", kTypeInt, 4, 0, 0},
    {"IDLE_TOTAL", kTypeInt, 4, 0, 0},
};
const FieldDescriptor kRfcsi[] = {
    {"RFCPROTO", kTypeChar, 3, 0, 0},   {"RFCCHARTYP", kTypeChar, 4, 0, 0},
    {"RFCINTTYP", kTypeChar, 3, 0, 0},  {"RFCFLOTYP", kTypeChar, 3, 0, 0},
    {"RFCDEST", kTypeChar, 32, 0, 0},   {"RFCHOST", kTypeChar, 8, 0, 0},
    {"RFCSYSID", kTypeChar, 8, 0, 0},   {"RFCDATABS", kTypeChar, 8, 0, 0},
    {"RFCDBHOST", kTypeChar, 32, 0, 0}, {"RFCDBSYS", kTypeChar, 10, 0, 0},
    {"RFCSAPRL", kTypeChar, 4, 0, 0},   {"RFCMACH", kTypeChar, 5, 0, 0},
    {"RFCOPSYS", kTypeChar, 10, 0, 0},  {"RFCTZONE", kTypeChar, 6, 0, 0},
    {"RFCDAYST", kTypeChar, 1, 0, 0},   {"RFCIPADDR", kTypeChar, 15, 0, 0},
    {"RFCKERNRL", kTypeChar, 4, 0, 0},  {"RFCSI_RESV", kTypeChar, 44, 0, 0},
};
const FieldDescriptor kSapwlaccts[] = {
    {"CLIENT", kTypeChar, 3, 0, 0},    {"USER_ACCNT", kTypeChar, 12, 0, 0},
    {"STEPS", kTypeInt, 4, 0, 0},      {"DSTEPS", kTypeInt, 4, 0, 0},
    {"USTEPS", kTypeInt, 4, 0, 0},     {"BSTEPS", kTypeInt, 4, 0, 0},
    {"RESP_TIME", kTypeBcd, 8, 0, 0},  {"QUEUE_TIME", kTypeBcd, 8, 0, 0},
    {"CPU_TIME", kTypeBcd, 8, 0, 0},   {"A_DB_TIME", kTypeBcd, 8, 0, 0},
    {"S_DB_TIME", kTypeBcd, 8, 0, 0},  {"A_DATA_VOL", kTypeBcd, 8, 0, 0},
    {"S_DATA_VOL", kTypeBcd, 8, 0, 0},
};
const FieldDescriptor kUsraccntv[] = {
    {"MANDT", kTypeChar, 3, 0, 0},
    {"BNAME", kTypeChar, 12, 0, 0},
    {"ACCNT", kTypeChar, 12, 0, 0},
};

struct TypeSource {
  const char* name;
  const FieldDescriptor* fields;
  unsigned count;
};
const TypeSource kTypes[] = {
    {"CPU_ALL", kCpuAll, std::size(kCpuAll)},
    {"RFCSI", kRfcsi, std::size(kRfcsi)},
    {"SAPWLACCTS", kSapwlaccts, std::size(kSapwlaccts)},
    {"USRACCNTV", kUsraccntv, std::size(kUsraccntv)},
};
const char* const kModules[] = {"GET_CPU_ALL", "RFC_SYSTEM_INFO", "SAPWL_ACCNT_GET_SYSTEM_USAGE"};

}  // namespace

const NwParameterInfo* NwFunctionDesc::Find(const std::string& name) const {
  for (const NwParameterInfo& p : parameters)
    if (p.name == name) return &p;
  return nullptr;
}

NwDictionary::NwDictionary() {
  for (const TypeSource& source : kTypes) {
    auto type = std::make_unique<NwTypeDesc>();
    type->name = source.name;
    type->fields = source.fields;
    type->fieldCount = source.count;
    type->layout = *LayOutRecord(source.name, source.fields, source.count);
    types_.push_back(std::move(type));
  }
  for (const char* name : kModules) {
    const FunctionModule* module = FindFunctionModule(name);
    auto desc = std::make_unique<NwFunctionDesc>();
    desc->module = module;
    auto add = [&](const ParameterSpec& parameter, NwDirection direction) {
      NwParameterInfo p;
      p.name = parameter.name;
      p.direction = direction;
      p.length = parameter.length;
      if (parameter.structure != nullptr) {
        p.type = kNwTypeStructure;
        p.typeDesc = Type(parameter.structure);
      } else {
        p.type = static_cast<NwType>(parameter.type);
      }
      desc->parameters.push_back(p);
    };
    for (size_t i = 0; i < module->exportingCount; ++i) add(module->exporting[i], kNwImport);
    for (size_t i = 0; i < module->importingCount; ++i) add(module->importing[i], kNwExport);
    for (size_t i = 0; i < module->tableCount; ++i) {
      NwParameterInfo p;
      p.name = module->tables[i].name;
      p.type = kNwTypeTable;
      p.direction = kNwTables;
      p.typeDesc = Type(module->tables[i].structure);
      p.length = static_cast<unsigned>(p.typeDesc->layout.size);
      desc->parameters.push_back(p);
    }
    functions_.push_back(std::move(desc));
  }
}

const NwFunctionDesc* NwDictionary::Function(const std::string& name) const {
  for (const auto& f : functions_)
    if (name == f->module->name) return f.get();
  return nullptr;
}

const NwTypeDesc* NwDictionary::Type(const std::string& name) const {
  for (const auto& t : types_)
    if (t->name == name) return t.get();
  return nullptr;
}
