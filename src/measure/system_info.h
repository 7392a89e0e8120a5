#ifndef BRINDLEMARK_MEASURE_SYSTEM_INFO_H_
#define BRINDLEMARK_MEASURE_SYSTEM_INFO_H_

#include <string>

#include "sap/outcome.h"
#include "sap/rfc_session.h"

/// Asks the connected system for its system information (RFC_SYSTEM_INFO),
/// which proves that the logon can run function modules. On success sets
/// |hostLabel| to the system's host name (RFCHOST, 8 characters with their
/// blanks); a failure leaves it as it was.
Outcome QuerySystemInfo(RfcSession& session, std::string* hostLabel);
/// The row type of the system information the query receives (RFCSI).
const RowType& SystemInfoRowType();

#endif  // BRINDLEMARK_MEASURE_SYSTEM_INFO_H_
