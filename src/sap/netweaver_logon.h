#ifndef BRINDLEMARK_SAP_NETWEAVER_LOGON_H_
#define BRINDLEMARK_SAP_NETWEAVER_LOGON_H_

#include <string>
#include <utility>
#include <vector>

#include "sap/rfc_client.h"

/// The logon parameters handed to the NetWeaver library, as name and value
/// in the sensor's code page, in the order they are passed.
using NwLogonParameters = std::vector<std::pair<std::string, std::string>>;

/// The logon parameters of an R/3 logon: ashost, sysnr (two digits),
/// client, user and passwd without trailing blanks, lang, and gwhost and
/// gwserv, each but sysnr, user and passwd only when given. Empty with
/// |refusal| set for an R/2 logon, which the library does not serve.
NwLogonParameters LogonFromData(const LogonData& logon, std::string* refusal);

/// The logon parameters of a destination entry: the entries that are logon
/// parameters, keys in lower case (TYPE=A: ashost, a SAProuter string
/// included, sysnr, gwhost, gwserv; TYPE=B: mshost (also from MHOST),
/// msserv, r3name or sysid, group; SNC_* settings and saprouter unchanged;
/// RFC_TRACE as trace), followed by client, user, passwd and lang of
/// |logon|. Other keys (DEST, TYPE, ...) are passed over.
NwLogonParameters LogonFromDestination(
    const std::vector<std::pair<std::string, std::string>>& entry, const DestinationLogon& logon);

#endif  // BRINDLEMARK_SAP_NETWEAVER_LOGON_H_
