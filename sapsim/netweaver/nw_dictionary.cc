#include "sapsim/netweaver/nw_dictionary.h"

#include "sapsim/collector.h"
#include "sapsim/dictionary.h"

namespace {

const char* const kTypes[] = {"CPU_ALL", "RFCSI", "SAPWLACCTS", "USRACCNTV"};
const char* const kModules[] = {"GET_CPU_ALL", "RFC_SYSTEM_INFO", "SAPWL_ACCNT_GET_SYSTEM_USAGE"};
const char* const kClientTables[] = {"USERWORKLOAD", "USERTCODE", "none"};

std::unique_ptr<NwTypeDesc> MakeType(const std::string& name,
                                     const std::vector<FieldDescriptor>& fields) {
  auto type = std::make_unique<NwTypeDesc>();
  type->name = name;
  type->fields = fields.data();
  type->fieldCount = static_cast<unsigned>(fields.size());
  type->layout = LayOutForWidth(name, fields, 1);
  type->ucLayout = LayOutForWidth(name, fields, 2);
  return type;
}

const NwTypeDesc* FindIn(const std::vector<std::unique_ptr<NwTypeDesc>>& types,
                         const std::string& name) {
  for (const auto& t : types)
    if (t->name == name) return t.get();
  return nullptr;
}

}  // namespace

const NwParameterInfo* NwFunctionDesc::Find(const std::string& name) const {
  for (const NwParameterInfo& p : parameters)
    if (p.name == name) return &p;
  return nullptr;
}

void NwDictionary::AddFunction(const FunctionModule* module,
                               const std::vector<std::unique_ptr<NwTypeDesc>>& types,
                               std::unique_ptr<NwFunctionDesc>* out) const {
  auto desc = std::make_unique<NwFunctionDesc>();
  desc->module = module;
  auto typeOf = [&](const char* name) {
    const NwTypeDesc* t = FindIn(types, name);
    return t != nullptr ? t : Type(name);
  };
  auto add = [&](const ParameterSpec& parameter, NwDirection direction) {
    NwParameterInfo p;
    p.name = parameter.name;
    p.direction = direction;
    p.length = parameter.length;
    p.optional = parameter.optional;
    if (parameter.structure != nullptr) {
      p.type = kNwTypeStructure;
      p.typeDesc = typeOf(parameter.structure);
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
    p.optional = module->tables[i].optional;
    p.typeDesc = typeOf(module->tables[i].structure);
    p.length = static_cast<unsigned>(p.typeDesc->layout.size);
    desc->parameters.push_back(p);
  }
  *out = std::move(desc);
}

NwDictionary::NwDictionary() {
  for (const char* name : kTypes) types_.push_back(MakeType(name, *FindCommonStructure(name)));
  for (const char* name : kModules) {
    std::unique_ptr<NwFunctionDesc> desc;
    AddFunction(FindFunctionModule(name), {}, &desc);
    functions_.push_back(std::move(desc));
  }
  // The collector's description for each place of the client.
  for (const char* clientTable : kClientTables) {
    CollectorVariant variant;
    variant.clientTable = clientTable;
    for (const char* rowType : {"SWNCAGGUSERTCODE", "SWNCAGGUSERWORKLOAD"})
      variant.types.push_back(MakeType(rowType, CollectorFields(rowType, clientTable)));
    AddFunction(FindFunctionModule(kCollectorFunction), variant.types, &variant.function);
    collector_.push_back(std::move(variant));
  }
}

const NwFunctionDesc* NwDictionary::Function(const std::string& name) const {
  for (const auto& f : functions_)
    if (name == f->module->name) return f.get();
  return nullptr;
}

const NwTypeDesc* NwDictionary::Type(const std::string& name) const { return FindIn(types_, name); }

const NwFunctionDesc* NwDictionary::Function(const std::string& name,
                                             const SimulatedSystem& system) const {
  if (!HasFunctionModule(system, name)) return nullptr;
  if (name != kCollectorFunction) return Function(name);
  for (const CollectorVariant& v : collector_)
    if (v.clientTable == system.collectorClientTable) return v.function.get();
  return nullptr;
}

const NwTypeDesc* NwDictionary::Type(const std::string& name, const SimulatedSystem& system) const {
  if (const NwTypeDesc* common = Type(name)) return common;
  if (!HasFunctionModule(system, kCollectorFunction)) return nullptr;
  for (const CollectorVariant& v : collector_)
    if (v.clientTable == system.collectorClientTable) return FindIn(v.types, name);
  return nullptr;
}
