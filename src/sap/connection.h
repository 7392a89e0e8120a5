#ifndef BRINDLEMARK_SAP_CONNECTION_H_
#define BRINDLEMARK_SAP_CONNECTION_H_

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "base/status.h"
#include "sap/rfc_client.h"

struct Console;
struct FileSystem;
struct SystemProfile;

/// The copy of the destination file that the RFC library reads.
inline constexpr char kDestinationFileCopy[] = "SapRfc.ini";

/// The parameters ",HOST=" and ",NO=": a host name and a system number
/// that take the place of the profile's in an R/3 logon.
struct LogonOverrides {
  std::optional<std::string> host;
  std::optional<std::string> sysnr;
};

/// How a logon ended: the connection handle, 0 when no connection was
/// opened; |refusal| says why when the sensor itself gave up before the
/// library was asked.
struct Logon {
  ConnectionId handle = 0;
  Status refusal;
};

/// What the logons of one process share when several threads log on:
/// logons through the destination file take turns, since they share the
/// library's configuration file, and no wait for a turn or for the lock on
/// that file lasts past the run's deadline.
struct LogonTurns {
  Mutex mutex;
  ConditionVariable released;
  bool destinationFileTaken GUARDED_BY(mutex) = false;  // a destination-file logon is under way
  /// Set before the logons begin; read by each of them.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

/// Logs on to the SAP system of |profile|.
///
/// When the destination file "SapRfc." + destination can be read, the line
/// "* SapRfc.Ini.......: <destination><" is printed (when
/// |showDestinationLine|), the file is copied
/// byte for byte to the library's configuration file "SapRfc.ini" (a new
/// file renamed into place: a link of that name is replaced, not written
/// through), the library is pointed at that file by its absolute path, and
/// the logon goes through the destination. The copy and the logon happen under an exclusive lock
/// ("SapRfc.ini.lock"), since "SapRfc.ini" is shared by every sensor that
/// runs in the same directory; the lock is waited for at most 20 seconds
/// (a hung logon elsewhere must not stall every sensor), then the logon is
/// refused with "SapRfc.Ini is locked by another run". Otherwise the logon
/// goes with the profile's logon data.
///
/// |r3SystemNumber| is the system number of an R/3 logon: a profile (or
/// override) with an empty system number keeps the one of the system
/// before.
///
/// With |turns|, a logon through the destination file waits for its turn
/// in the process first, and no longer than the deadline for it and for
/// the lock (then it is refused as above).
Logon OpenConnection(RfcClient& rfc, FileSystem& disk, Console& console, bool showDestinationLine,
                     const SystemProfile& profile, const LogonOverrides& overrides,
                     int* r3SystemNumber, LogonTurns* turns = nullptr);

/// The system number a text begins with: leading blanks skipped, then
/// decimal digits; 0 when no digit follows. Values beyond the range of
/// an int are held at its largest value.
int SystemNumberValue(std::string_view text);

#endif  // BRINDLEMARK_SAP_CONNECTION_H_
