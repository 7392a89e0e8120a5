#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_

// Conversions between the sensor's records (rfc_library.h) and the
// classic RFC library's (classic_rfc_api.h), both ways: the adapter over
// the real library converts the sensor's records to the library's, the
// simulated library's exported interface the library's to the sensor's.
// Lists are copied with their end entry (null name); a list is read up to
// kMaxListEntries entries.

#include <cstddef>
#include <vector>

#include "sap/classic_rfc_api.h"
#include "sap/rfc_library.h"

namespace classic_rfc {

constexpr std::size_t kMaxListEntries = 256;

std::vector<Parameter> ToClassic(const RfcParameter* list);
std::vector<Table> ToClassic(const RfcTable* list);
std::vector<TypeElement> ToClassic(const FieldDescriptor* fields, unsigned entries);
ErrorInfo ToClassic(const RfcErrorInfo& error);

std::vector<RfcParameter> FromClassic(const Parameter* list);
std::vector<RfcTable> FromClassic(const Table* list);
std::vector<FieldDescriptor> FromClassic(const TypeElement* fields, unsigned entries);
RfcErrorInfo FromClassic(const ErrorInfo& error);
/// The extended error record as the four texts of RfcErrorInfo: key and
/// message as they are (the message cut to fit), the group in the
/// internal status.
RfcErrorInfo FromClassic(const ErrorInfoEx& error);
ErrorInfoEx ToClassicEx(const RfcErrorInfo& error, int group);

/// Copies what the library sets in a table list (the table handle and
/// |newitab|) back into the list it was converted from; |to| has at least
/// as many entries before its end as |from|.
void CopyBack(const std::vector<Table>& from, RfcTable* to);
void CopyBack(const std::vector<RfcTable>& from, Table* to);

}  // namespace classic_rfc

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_RECORDS_H_
