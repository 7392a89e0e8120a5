#ifndef BRINDLEMARK_MEASURE_SYSTEM_USAGE_CALL_H_
#define BRINDLEMARK_MEASURE_SYSTEM_USAGE_CALL_H_

#include <string_view>

#include "sap/outcome.h"
#include "sap/rfc_session.h"

/// Length of a row of the table STATISTIC (structure SAPWLACCTS) and of
/// USER_ACCOUNT_RELATION (structure USRACCNTV).
constexpr unsigned kStatisticRowLength = 88;
constexpr unsigned kUserAccountRowLength = 27;

/// Byte offsets of the fields of a STATISTIC row.
namespace statistic_row {
constexpr unsigned kClient = 0;     // 3 characters
constexpr unsigned kUserAccnt = 3;  // 12 characters
constexpr unsigned kSteps = 16;     // 4-byte integers, little-endian
constexpr unsigned kDsteps = 20;
constexpr unsigned kUsteps = 24;
constexpr unsigned kBsteps = 28;
constexpr unsigned kRespTime = 32;  // 8-byte packed decimals
constexpr unsigned kQueueTime = 40;
constexpr unsigned kCpuTime = 48;
constexpr unsigned kADbTime = 56;
constexpr unsigned kSDbTime = 64;
constexpr unsigned kADataVol = 72;
constexpr unsigned kSDataVol = 80;
}  // namespace statistic_row

/// Calls SAPWL_ACCNT_GET_SYSTEM_USAGE on the open connection for all
/// clients and the day |serverDate| ("YYYYMMDD"), filling the two tables
/// the caller created. Installs SAPWLACCTS and USRACCNTV first when their
/// type handles are 0.
Outcome CallSystemUsage(RfcSession& session, std::string_view serverDate, ItHandle statistic,
                        ItHandle userAccountRelation);

#endif  // BRINDLEMARK_MEASURE_SYSTEM_USAGE_CALL_H_
