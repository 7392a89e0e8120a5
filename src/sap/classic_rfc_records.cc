#include "sap/classic_rfc_records.h"

#include <cstdio>
#include <cstring>

namespace classic_rfc {

namespace {

/// Copies the zero-terminated text |from| into |to|, cut to fit and
/// always terminated.
template <std::size_t ToSize>
void CopyField(char (&to)[ToSize], const char* from, std::size_t fromSize) {
  std::size_t n = strnlen(from, fromSize);
  if (n > ToSize - 1) n = ToSize - 1;
  std::memcpy(to, from, n);
  to[n] = '\0';
}

template <typename To, typename From, typename Convert>
std::vector<To> ConvertList(const From* list, Convert convert) {
  std::vector<To> result;
  for (std::size_t i = 0; list != nullptr && list[i].name != nullptr && i < kMaxListEntries; ++i)
    result.push_back(convert(list[i]));
  result.push_back(To{});  // the end entry
  return result;
}

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

ErrorInfoEx ToClassicEx(const RfcErrorInfo& error, int group) {
  ErrorInfoEx result{};
  result.group = group;
  CopyField(result.key, error.key, sizeof error.key);
  CopyField(result.message, error.message, sizeof error.message);
  return result;
}

void CopyBack(const std::vector<Table>& from, RfcTable* to) {
  for (std::size_t i = 0; to != nullptr && i + 1 < from.size(); ++i) {
    to[i].ithandle = reinterpret_cast<::ItHandle>(from[i].ithandle);
    to[i].newitab = from[i].newitab;
  }
}

void CopyBack(const std::vector<RfcTable>& from, Table* to) {
  for (std::size_t i = 0; to != nullptr && i + 1 < from.size(); ++i) {
    to[i].ithandle = reinterpret_cast<ItHandle>(from[i].ithandle);
    to[i].newitab = from[i].newitab;
  }
}

}  // namespace classic_rfc
