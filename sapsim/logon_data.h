#ifndef BRINDLEMARK_SAPSIM_LOGON_DATA_H_
#define BRINDLEMARK_SAPSIM_LOGON_DATA_H_

#include <optional>
#include <string>

#include "sapsim/sim_description.h"

/// The values of an RfcOpenEx connect string.
struct ConnectValues {
  std::optional<std::string> client, user, password, language, destination;
};

/// Splits a connect string such as "CLIENT=100 USER=ABC PASSWD=a b LANG=D
/// DEST=PRD" at its keywords (CLIENT=, USER=, PASSWD=, LANG=, DEST=, each
/// at the start or after a blank), not at blanks, so that a password may
/// hold blanks; a value ends at the blank before the next keyword.
ConnectValues ParseConnectString(const std::string& connect);

/// Why a logon is refused, or empty when the logon data are those of
/// |system|: client and password equal and the user equal without regard
/// to case, trailing blanks ignored in all three. Null texts never match.
std::string CheckCredentials(const SimulatedSystem& system, const char* client, const char* user,
                             const char* password);

#endif  // BRINDLEMARK_SAPSIM_LOGON_DATA_H_
