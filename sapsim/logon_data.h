#ifndef BRINDLEMARK_SAPSIM_LOGON_DATA_H_
#define BRINDLEMARK_SAPSIM_LOGON_DATA_H_

#include <optional>
#include <string>

#include "sapsim/sim_description.h"

/// The values of an RfcOpenEx connect string.
struct ConnectValues {
  std::optional<std::string> client, user, password, language, destination;
};

/// Reads a connect string such as "CLIENT=100 USER=ABC PASSWD="a b" LANG=D
/// DEST=PRD" as RfcOpenEx does: KEY=value pairs separated by blanks, a
/// value ending at the next blank unless it is written in double quotes
/// (then it runs to the closing quote, blanks included). The first value of
/// CLIENT, USER, PASSWD, LANG and DEST counts; other keys are passed over.
ConnectValues ParseConnectString(const std::string& connect);

/// Why a logon is refused, or empty when the logon data are those of
/// |system|: client and password equal and the user equal without regard
/// to case, trailing blanks ignored in all three. Null texts never match.
std::string CheckCredentials(const SimulatedSystem& system, const char* client, const char* user,
                             const char* password);

#endif  // BRINDLEMARK_SAPSIM_LOGON_DATA_H_
