#ifndef BRINDLEMARK_TOOL_FAILURE_HINTS_H_
#define BRINDLEMARK_TOOL_FAILURE_HINTS_H_

#include <string>
#include <string_view>

#include "sap/outcome.h"

/// The library's error record as one line for a person: "key K, status S,
/// message M, internal status I", leaving out empty texts; empty when the
/// record holds none.
std::string ErrorRecordText(const LibraryTexts& error);

/// The usual cause of a refused logon and what to do about it, read from
/// the library's texts: a locked user, a wrong user or password, an
/// unknown client, an unknown system id, logon group or message server, a
/// host or gateway not reached, a destination file without a usable entry.
std::string LogonHint(const LibraryTexts& error);

/// Whether the texts of a failed call (the exception name and the
/// library's error record) tell of a missing authorisation.
bool IsAuthorisationFailure(std::string_view exception, const LibraryTexts& error);

/// The authorisation the monitoring user needs to call |module|: S_RFC
/// for the module or its function group; with the NetWeaver library
/// (|netweaver|) also for the function modules that read descriptions.
std::string AuthorisationHint(std::string_view module, bool netweaver);

#endif  // BRINDLEMARK_TOOL_FAILURE_HINTS_H_
