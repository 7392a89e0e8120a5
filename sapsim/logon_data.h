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

/// An RfcOpenEx destination as "SapRfc.ini" describes it.
struct DestinationEntry {
  std::string type;    // TYPE=
  std::string ashost;  // ASHOST=
  std::string sysnr;   // SYSNR=
  std::string gwhost;  // GWHOST=
};

/// Finds the entry DEST=|destination| in the text of a "SapRfc.ini": an
/// entry begins with a line DEST=name and holds the KEY=value lines up to
/// the next DEST= line; blank lines and lines beginning with '*' or '#' are
/// comments; blanks around keys and values and a carriage return at a line
/// end are ignored. Empty when there is no such entry.
std::optional<DestinationEntry> FindDestination(const std::string& ini_text,
                                                const std::string& destination);

/// Why a logon is refused, or empty when the logon data are those of
/// |system|: client and password equal and the user equal without regard
/// to case, trailing blanks ignored in all three. Null texts never match.
std::string CheckCredentials(const SimulatedSystem& system, const char* client,
                             const char* user, const char* password);

#endif  // BRINDLEMARK_SAPSIM_LOGON_DATA_H_
