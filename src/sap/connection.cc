#include "sap/connection.h"

#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/file_system.h"
#include "sap/system_profile.h"

namespace {

/// The longest wait for the lock on the configuration file: the monitor
/// ends a measurement that takes much longer, so waiting on would only
/// pile up processes.
constexpr std::chrono::seconds kConfigurationLockWait{20};

/// The turn of a destination-file logon among the threads of the process,
/// held while the object lives once taken.
class DestinationFileTurn {
 public:
  explicit DestinationFileTurn(LogonTurns* turns) : turns_(turns) {}
  ~DestinationFileTurn() {
    if (!taken_) return;
    MutexLock lock(turns_->mutex);
    turns_->destinationFileTaken = false;
    turns_->released.NotifyOne();
  }
  DestinationFileTurn(const DestinationFileTurn&) = delete;
  DestinationFileTurn& operator=(const DestinationFileTurn&) = delete;

  /// Waits for the turn until the deadline; false when it did not come.
  bool Take() {
    MutexLock lock(turns_->mutex);
    while (turns_->destinationFileTaken &&
           turns_->released.WaitUntil(turns_->mutex, turns_->deadline)) {
    }
    if (turns_->destinationFileTaken) return false;
    turns_->destinationFileTaken = taken_ = true;
    return true;
  }

 private:
  LogonTurns* turns_;
  bool taken_ = false;
};

/// Logon through the destination file: copies it to the library's
/// configuration file and logs on, holding the lock on the
/// configuration file from the copy until the library has read it.
Logon OpenWithDestinationFile(RfcClient& rfc, FileSystem& disk, Console& console,
                              bool showDestinationLine, const SystemProfile& profile,
                              const std::string& destinationFile, LogonTurns* turns) {
  if (showDestinationLine) console.Write("* SapRfc.Ini.......: " + profile.destination + "<\n");

  const Logon locked{0, Status::TimedOut("SapRfc.Ini is locked by another run")};
  DestinationFileTurn turn(turns);
  std::chrono::milliseconds lockWait = kConfigurationLockWait;
  if (turns != nullptr) {
    if (!turn.Take()) return locked;
    auto now = std::chrono::steady_clock::now();
    if (turns->deadline - now < lockWait)
      lockWait = std::chrono::duration_cast<std::chrono::milliseconds>(turns->deadline - now);
    if (lockWait.count() < 0) lockWait = std::chrono::milliseconds(0);
  }
  std::unique_ptr<FileLock> lock = disk.LockFile("SapRfc.ini.lock", lockWait);
  if (lock == nullptr) return locked;
  if (!disk.CopyFile(destinationFile, kDestinationFileCopy)) return {0, Status::Ok()};

  rfc.UseDestinationFile(disk.HostPath(kDestinationFileCopy));
  // A logon through a destination file is always in German.
  DestinationLogon logon{profile.destination, profile.client, profile.user, profile.password, "D"};
  return {rfc.OpenDestination(logon), Status::Ok()};
}

/// Logon with the logon data of the profile.
ConnectionId OpenWithLogonData(RfcClient& rfc, const SystemProfile& profile,
                               const LogonOverrides& overrides, int r3SystemNumber) {
  LogonData logon;
  logon.destination = profile.destination;
  logon.r2 = profile.mode == "R/2";
  logon.host = overrides.host ? *overrides.host : profile.hostname;
  logon.systemNumber = r3SystemNumber;
  logon.gatewayHost = profile.gwhost;
  logon.gatewayService = profile.gwservice;
  logon.client = profile.client;
  logon.user = profile.user;
  logon.password = profile.password;
  logon.language = profile.language;
  return rfc.Open(logon);
}

}  // namespace

int SystemNumberValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

Logon OpenConnection(RfcClient& rfc, FileSystem& disk, Console& console, bool showDestinationLine,
                     const SystemProfile& profile, const LogonOverrides& overrides,
                     int* r3SystemNumber, LogonTurns* turns) {
  const std::string& sysnr = overrides.sysnr ? *overrides.sysnr : profile.sysnr;
  if (!sysnr.empty()) *r3SystemNumber = SystemNumberValue(sysnr);

  std::string destinationFile = "SapRfc." + profile.destination;
  if (disk.CanOpen(destinationFile))
    return OpenWithDestinationFile(rfc, disk, console, showDestinationLine, profile,
                                   destinationFile, turns);
  return {OpenWithLogonData(rfc, profile, overrides, *r3SystemNumber), Status::Ok()};
}
