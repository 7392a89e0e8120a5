#include "sap/connection.h"

#include <climits>
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/file_system.h"
#include "run/run.h"

namespace {

constexpr size_t kUserWidth = 12;
constexpr size_t kPasswordWidth = 10;

/// |text| padded on the right with blanks to |width|; a longer text whole.
std::string PadRight(const std::string& text, size_t width) {
  std::string padded = text;
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

/// A text for a connection record: null when it is empty.
const char* TextOrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

/// The value of the parameter |key| (",HOST=", ",NO=") with its letters as
/// typed: the characters after the key up to the next blank or comma.
/// False when the parameters do not contain the key.
bool ParameterOverride(const Run& run, std::string_view key, std::string* value) {
  const std::string& upper = run.parameterText;
  size_t at = upper.find(key);
  if (at == std::string::npos) return false;
  size_t start = at + key.size();
  size_t end = upper.find_first_of(" ,", start);
  if (end == std::string::npos) end = upper.size();
  // The copy keeps the letters as typed at the same positions; should it
  // ever be shorter, the upper-cased text stands in for the missing part.
  const std::string& source =
      run.parameterCopy.size() >= end ? run.parameterCopy : upper;
  value->assign(source, start, end - start);
  return true;
}

/// The connect string of a logon through the destination file.
std::string ConnectString(const SystemProfile& profile) {
  return "CLIENT=" + profile.client + " USER=" + profile.user +
         " PASSWD=" + profile.password + " LANG=D DEST=" + profile.destination;
}

/// Logon through the destination file: copies it to the library's
/// configuration file and calls RfcOpenEx, holding the lock on the
/// configuration file from the copy until the library has read it.
RfcHandle OpenWithDestinationFile(Run& run, const std::string& destinationFile) {
  const SystemProfile& profile = run.systemProfile;
  run.console.Write("* SapRfc.Ini.......: " + profile.destination + "<\n");

  std::unique_ptr<FileLock> lock = run.disk.LockFile("SapRfc.ini.lock");
  if (lock == nullptr) return 0;
  if (!run.disk.CopyFile(destinationFile, "SapRfc.ini")) return 0;

  std::string connect = ConnectString(profile);
  RfcErrorInfo error{};
  return run.rfc.RfcOpenEx(connect.c_str(), &error);
}

/// Logon through the option record built from the profile.
RfcHandle OpenWithOptions(Run& run) {
  const SystemProfile& profile = run.systemProfile;

  std::string host = profile.hostname;
  std::string value;
  if (ParameterOverride(run, ",HOST=", &value)) host = value;

  RfcConnectR3 r3{};
  r3.hostname = TextOrNull(host);
  r3.sysnr = run.r3SystemNumber;
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
  options.connopt = options.mode == 1 ? static_cast<const void*>(&r2)
                                      : static_cast<const void*>(&r3);
  options.client = profile.client.c_str();
  options.user = user.c_str();
  options.password = password.c_str();
  options.language = profile.language.c_str();
  options.trace = 0;
  return run.rfc.RfcOpen(options);
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

RfcHandle OpenConnection(Run& run) {
  // The R/3 system number is part of the run-wide connection data: an empty
  // one keeps the number of the previous system.
  std::string sysnr = run.systemProfile.sysnr;
  std::string value;
  if (ParameterOverride(run, ",NO=", &value)) sysnr = value;
  if (!sysnr.empty()) run.r3SystemNumber = SystemNumberValue(sysnr);

  std::string destinationFile = "SapRfc." + run.systemProfile.destination;
  RfcHandle handle = run.disk.CanOpen(destinationFile)
                         ? OpenWithDestinationFile(run, destinationFile)
                         : OpenWithOptions(run);
  run.connection = handle;
  return handle;
}
