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

constexpr size_t kUserWidth = 12;

/// The longest wait for the lock on the configuration file: the monitor
/// ends a measurement that takes much longer, so waiting on would only
/// pile up processes.
constexpr std::chrono::seconds kConfigurationLockWait{20};
constexpr size_t kPasswordWidth = 10;

/// |text| padded on the right with blanks to |width|; a longer text whole.
std::string PadRight(const std::string& text, size_t width) {
  std::string padded = text;
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

/// A text for a connection record: null when it is empty.
const char* TextOrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

/// A value of the connect string: one with blanks in double quotes, which
/// RfcOpenEx requires (it ends an unquoted value at a blank).
std::string ConnectValue(const std::string& value) {
  return value.find(' ') == std::string::npos ? value : "\"" + value + "\"";
}

/// The connect string of a logon through the destination file.
std::string ConnectString(const SystemProfile& profile) {
  return "CLIENT=" + ConnectValue(profile.client) + " USER=" + ConnectValue(profile.user) +
         " PASSWD=" + ConnectValue(profile.password) +
         " LANG=D DEST=" + ConnectValue(profile.destination);
}

/// The turn of a destination-file logon among the threads of the process,
/// held while the object lives once taken.
class DestinationFileTurn {
 public:
  explicit DestinationFileTurn(LogonTurns* turns) : turns_(turns) {}
  ~DestinationFileTurn() {
    if (!taken_) return;
    std::lock_guard<std::mutex> lock(turns_->mutex);
    turns_->destinationFileTaken = false;
    turns_->released.notify_one();
  }
  DestinationFileTurn(const DestinationFileTurn&) = delete;
  DestinationFileTurn& operator=(const DestinationFileTurn&) = delete;

  /// Waits for the turn until the deadline; false when it did not come.
  bool Take() {
    std::unique_lock<std::mutex> lock(turns_->mutex);
    if (!turns_->released.wait_until(lock, turns_->deadline,
                                     [&] { return !turns_->destinationFileTaken; }))
      return false;
    turns_->destinationFileTaken = taken_ = true;
    return true;
  }

 private:
  LogonTurns* turns_;
  bool taken_ = false;
};

/// Logon through the destination file: copies it to the library's
/// configuration file and calls RfcOpenEx, holding the lock on the
/// configuration file from the copy until the library has read it.
Logon OpenWithDestinationFile(RfcLibrary& rfc, FileSystem& disk, Console& console,
                              bool showDestinationLine, const SystemProfile& profile,
                              const std::string& destinationFile, LogonTurns* turns) {
  if (showDestinationLine) console.Write("* SapRfc.Ini.......: " + profile.destination + "<\n");

  const Logon locked{0, "SapRfc.Ini is locked by another run"};
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
  if (!disk.CopyFile(destinationFile, kDestinationFileCopy)) return {0, std::string()};

  rfc.UseDestinationFile(disk.HostPath(kDestinationFileCopy));
  std::string connect = ConnectString(profile);
  RfcErrorInfo error{};
  return {rfc.RfcOpenEx(connect.c_str(), &error), std::string()};
}

/// Logon through the option record built from the profile.
RfcHandle OpenWithOptions(RfcLibrary& rfc, const SystemProfile& profile,
                          const LogonOverrides& overrides, int r3SystemNumber) {
  const std::string& host = overrides.host ? *overrides.host : profile.hostname;

  RfcConnectR3 r3{};
  r3.hostname = TextOrNull(host);
  r3.sysnr = r3SystemNumber;
  r3.gwhost = TextOrNull(profile.gwhost);
  r3.gwservice = TextOrNull(profile.gwservice);

  RfcConnectR2 r2{};
  r2.gwhost = TextOrNull(profile.gwhost);
  r2.gwservice = TextOrNull(profile.gwservice);

  std::string user = PadRight(profile.user, kUserWidth);
  std::string password = PadRight(profile.password, kPasswordWidth);

  RfcOptions options{};
  options.destination = profile.destination.c_str();
  options.mode = profile.mode == "R/2" ? 1 : 0;
  options.connopt =
      options.mode == 1 ? static_cast<const void*>(&r2) : static_cast<const void*>(&r3);
  options.client = profile.client.c_str();
  options.user = user.c_str();
  options.password = password.c_str();
  options.language = profile.language.c_str();
  options.trace = 0;
  return rfc.RfcOpen(options);
}

}  // namespace

bool LogonRefusedAtFirstCall(const Outcome& outcome, const RfcErrorInfo& lastError) {
  if (!outcome.IsCallResult(kRfcFailure)) return false;
  std::string_view key(lastError.key, strnlen(lastError.key, sizeof lastError.key));
  return key == "RFC_ERROR_LOGON_FAILURE";
}

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

Logon OpenConnection(RfcLibrary& rfc, FileSystem& disk, Console& console, bool showDestinationLine,
                     const SystemProfile& profile, const LogonOverrides& overrides,
                     int* r3SystemNumber, LogonTurns* turns) {
  const std::string& sysnr = overrides.sysnr ? *overrides.sysnr : profile.sysnr;
  if (!sysnr.empty()) *r3SystemNumber = SystemNumberValue(sysnr);

  std::string destinationFile = "SapRfc." + profile.destination;
  if (disk.CanOpen(destinationFile))
    return OpenWithDestinationFile(rfc, disk, console, showDestinationLine, profile,
                                   destinationFile, turns);
  return {OpenWithOptions(rfc, profile, overrides, *r3SystemNumber), std::string()};
}
