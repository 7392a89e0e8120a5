#ifndef BRINDLEMARK_SAP_NETWEAVER_LOGON_H_
#define BRINDLEMARK_SAP_NETWEAVER_LOGON_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sap/rfc_library.h"

/// The logon parameters handed to the NetWeaver library, as name and value
/// in the sensor's code page, in the order they are passed.
using NwLogonParameters = std::vector<std::pair<std::string, std::string>>;

/// The logon parameters of the classic option record: ashost, sysnr (two
/// digits), client, user and passwd without their blank padding, lang, and
/// gwhost and gwserv when given. Empty with |refusal| set when the record
/// cannot be served: an R/2 logon (mode 1) or missing connection data.
NwLogonParameters LogonFromOptions(const RfcOptions& options, std::string* refusal);

/// The values of a classic connect string ("CLIENT=100 USER=ABC
/// PASSWD=x y LANG=D DEST=PRD"): split at the keywords CLIENT=, USER=,
/// PASSWD=, LANG= and DEST= where they stand at the start or after a
/// blank, so that a value may hold blanks; each value without the blanks
/// that end it and without the double quotes a value with blanks is
/// written in. Keyed by the keyword without "=".
std::map<std::string, std::string> ParseConnectString(std::string_view connect);

/// The logon parameters of a destination entry: the entries that are logon
/// parameters, keys in lower case (TYPE=A: ashost, a SAProuter string
/// included, sysnr, gwhost, gwserv; TYPE=B: mshost (also from MHOST),
/// msserv, r3name or sysid, group; SNC_* settings and saprouter unchanged;
/// RFC_TRACE as trace), followed by client, user, passwd and lang from the
/// connect string. Other keys (DEST, TYPE, ...) are passed over.
NwLogonParameters LogonFromDestination(
    const std::vector<std::pair<std::string, std::string>>& entry,
    const std::map<std::string, std::string>& connect);

#endif  // BRINDLEMARK_SAP_NETWEAVER_LOGON_H_
