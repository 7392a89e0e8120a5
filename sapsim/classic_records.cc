#include "sapsim/classic_records.h"

namespace classic_rfc {

ErrorInfo ToClassic(const RfcErrorInfo& error) {
  ErrorInfo result{};
  CopyField(result.key, error.key, sizeof error.key);
  CopyField(result.status, error.status, sizeof error.status);
  CopyField(result.message, error.message, sizeof error.message);
  CopyField(result.intstat, error.internalStatus, sizeof error.internalStatus);
  return result;
}

std::vector<RfcParameter> FromClassic(const Parameter* list) {
  return ConvertList<RfcParameter>(list, [](const Parameter& p) {
    return RfcParameter{static_cast<const char*>(p.name), p.nlen, p.type, p.leng, p.addr};
  });
}

std::vector<RfcTable> FromClassic(const Table* list) {
  return ConvertList<RfcTable>(list, [](const Table& t) {
    return RfcTable{static_cast<const char*>(t.name),         t.nlen,   t.type,   t.leng,
                    reinterpret_cast<::ItHandle>(t.ithandle), t.itmode, t.newitab};
  });
}

std::vector<FieldDescriptor> FromClassic(const TypeElement* fields, unsigned entries) {
  std::vector<FieldDescriptor> result;
  for (unsigned i = 0; fields != nullptr && i < entries; ++i) {
    const TypeElement& f = fields[i];
    result.push_back({f.name, f.type, f.length, f.decimals, f.offset});
  }
  return result;
}

ErrorInfoEx ToClassicEx(const RfcErrorInfo& error, int group) {
  ErrorInfoEx result{};
  result.group = group;
  CopyField(result.key, error.key, sizeof error.key);
  CopyField(result.message, error.message, sizeof error.message);
  return result;
}

void CopyBack(const std::vector<RfcTable>& from, Table* to) {
  for (std::size_t i = 0; to != nullptr && i + 1 < from.size(); ++i) {
    to[i].ithandle = reinterpret_cast<ItHandle>(from[i].ithandle);
    to[i].newitab = from[i].newitab;
  }
}

}  // namespace classic_rfc
