#ifndef BRINDLEMARK_SAPSIM_CLASSIC_RECORDS_H_
#define BRINDLEMARK_SAPSIM_CLASSIC_RECORDS_H_

// Conversions from the classic RFC library's records (classic_rfc_api.h),
// as the stand-in library receives them, to the simulated system's
// (rfc_library.h), and of its error records back.

#include <vector>

#include "sap/classic_rfc_records.h"

namespace classic_rfc {

std::vector<RfcParameter> FromClassic(const Parameter* list);
std::vector<RfcTable> FromClassic(const Table* list);
std::vector<FieldDescriptor> FromClassic(const TypeElement* fields, unsigned entries);
ErrorInfo ToClassic(const RfcErrorInfo& error);
ErrorInfoEx ToClassicEx(const RfcErrorInfo& error, int group);
/// Copies what the stand-in sets in a table list back into the caller's.
void CopyBack(const std::vector<RfcTable>& from, Table* to);

}  // namespace classic_rfc

#endif  // BRINDLEMARK_SAPSIM_CLASSIC_RECORDS_H_
