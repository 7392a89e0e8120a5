#include "sap/classic_rfc_records.h"

#include <cstdio>

namespace classic_rfc {

namespace {

char* Mutable(const char* text) { return const_cast<char*>(text); }

}  // namespace

std::vector<Parameter> ToClassic(const RfcParameter* list) {
  return ConvertList<Parameter>(list, [](const RfcParameter& p) {
    return Parameter{Mutable(p.name), p.nlen, p.type, p.leng, p.addr};
  });
}

std::vector<Table> ToClassic(const RfcTable* list) {
  return ConvertList<Table>(list, [](const RfcTable& t) {
    return Table{Mutable(t.name), t.nlen,   t.type, t.leng, reinterpret_cast<ItHandle>(t.ithandle),
                 t.itmode,        t.newitab};
  });
}

std::vector<TypeElement> ToClassic(const FieldDescriptor* fields, unsigned entries) {
  std::vector<TypeElement> result;
  for (unsigned i = 0; fields != nullptr && i < entries; ++i) {
    const FieldDescriptor& f = fields[i];
    result.push_back({Mutable(f.name), f.type, f.length, f.decimals, f.offset});
  }
  return result;
}

RfcErrorInfo FromClassic(const ErrorInfo& error) {
  RfcErrorInfo result{};
  CopyField(result.key, error.key, sizeof error.key);
  CopyField(result.status, error.status, sizeof error.status);
  CopyField(result.message, error.message, sizeof error.message);
  CopyField(result.internalStatus, error.intstat, sizeof error.intstat);
  return result;
}

RfcErrorInfo FromClassic(const ErrorInfoEx& error) {
  RfcErrorInfo result{};
  CopyField(result.key, error.key, sizeof error.key);
  CopyField(result.message, error.message, sizeof error.message);
  std::snprintf(result.internalStatus, sizeof result.internalStatus, "error group %d", error.group);
  return result;
}

void CopyBack(const std::vector<Table>& from, RfcTable* to) {
  for (std::size_t i = 0; to != nullptr && i + 1 < from.size(); ++i) {
    to[i].ithandle = reinterpret_cast<::ItHandle>(from[i].ithandle);
    to[i].newitab = from[i].newitab;
  }
}

}  // namespace classic_rfc
