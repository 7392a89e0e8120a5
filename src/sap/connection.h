#ifndef BRINDLEMARK_SAP_CONNECTION_H_
#define BRINDLEMARK_SAP_CONNECTION_H_

#include <string_view>

#include "sap/rfc_library.h"

struct Run;

/// Logs on to the SAP system of the run's current system profile and
/// returns the connection handle, also kept in run.connection; 0 when no
/// connection was opened.
///
/// When the destination file "SapRfc." + destination can be read, the line
/// "* SapRfc.Ini.......: <destination><" is printed, the file is copied
/// byte for byte to the library's configuration file "SapRfc.ini" and the
/// logon goes through RfcOpenEx with a connect string naming the
/// destination. The copy and the logon happen under an exclusive lock
/// ("SapRfc.ini.lock"), since "SapRfc.ini" is shared by every sensor that
/// runs in the same directory. Otherwise the logon goes through RfcOpen
/// with an option record built from the profile.
///
/// The parameters ",HOST=" and ",NO=" override the profile's host name and
/// system number of an R/3 logon.
RfcHandle OpenConnection(Run& run);

/// The system number a text begins with: leading blanks skipped, then
/// decimal digits; 0 when no digit follows. Values beyond the range of
/// an int are held at its largest value.
int SystemNumberValue(std::string_view text);

#endif  // BRINDLEMARK_SAP_CONNECTION_H_
