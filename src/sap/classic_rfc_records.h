#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_

// Conversions from the sensor's records (rfc_library.h) to the classic RFC
// library's (classic_rfc_api.h), and of the library's error records back.
// Lists are copied with their end entry (null name); a list is read up to
// kMaxListEntries entries.

#include <cstddef>
#include <cstring>
#include <vector>

#include "sap/classic_rfc_api.h"
#include "sap/rfc_library.h"

namespace classic_rfc {

constexpr std::size_t kMaxListEntries = 256;

/// Copies the zero-terminated text |from| into |to|, cut to fit and
/// always terminated.
template <std::size_t ToSize>
void CopyField(char (&to)[ToSize], const char* from, std::size_t fromSize) {
  std::size_t n = strnlen(from, fromSize);
  if (n > ToSize - 1) n = ToSize - 1;
  std::memcpy(to, from, n);
  to[n] = '\0';
}

/// The entries of |list| up to its end entry, each converted, and an end
/// entry.
template <typename To, typename From, typename Convert>
std::vector<To> ConvertList(const From* list, Convert convert) {
  std::vector<To> result;
  for (std::size_t i = 0; list != nullptr && list[i].name != nullptr && i < kMaxListEntries; ++i)
    result.push_back(convert(list[i]));
  result.push_back(To{});  // the end entry
  return result;
}

std::vector<Parameter> ToClassic(const RfcParameter* list);
std::vector<Table> ToClassic(const RfcTable* list);
std::vector<TypeElement> ToClassic(const FieldDescriptor* fields, unsigned entries);

RfcErrorInfo FromClassic(const ErrorInfo& error);
/// The extended error record as the four texts of RfcErrorInfo: key and
/// message as they are (the message cut to fit), the group in the
/// internal status.
RfcErrorInfo FromClassic(const ErrorInfoEx& error);

/// Copies what the library sets in a table list (the table handle and
/// |newitab|) back into the list it was converted from; |to| has at least
/// as many entries before its end as |from|.
void CopyBack(const std::vector<Table>& from, RfcTable* to);

}  // namespace classic_rfc

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_
