#include "tool/failure_hints.h"

#include <initializer_list>

#include "platform/text.h"

namespace {

/// The texts of the record, upper-cased and joined, for looking up words.
std::string Searchable(const LibraryTexts& error) {
  return UpperCased(error.key + " " + error.status + " " + error.message + " " +
                    error.internalStatus);
}

bool HoldsAny(const std::string& text, std::initializer_list<const char*> words) {
  for (const char* word : words)
    if (text.find(word) != std::string::npos) return true;
  return false;
}

}  // namespace

std::string ErrorRecordText(const LibraryTexts& error) {
  std::string line;
  auto add = [&](const char* label, const std::string& value) {
    if (value.empty()) return;
    line += (line.empty() ? "" : ", ") + std::string(label) + " " + value;
  };
  add("key", error.key);
  add("status", error.status);
  add("message", error.message);
  add("internal status", error.internalStatus);
  return line;
}

std::string LogonHint(const LibraryTexts& error) {
  const std::string text = Searchable(error);
  if (HoldsAny(text, {"LOCKED", "TOO MANY", "GESPERRT"}))
    return "the user is locked (too many wrong passwords, or by an administrator): have it "
           "unlocked in transaction SU01, then check the password in the profile";
  if (HoldsAny(text, {"CLIENT", "MANDANT"}))
    return "the client is not available in this system: check Client in the profile";
  if (HoldsAny(text, {"PASSWORD", "KENNWORT", "NAME OR PASS", "LOGON_FAILURE", "LOGON FAILURE"}))
    return "wrong user or password: check User in the profile, write the password again with "
           "brindlemark-profile new, and check the user and its password in transaction SU01";
  if (HoldsAny(text, {"MESSAGE SERVER", "GROUP", "R3NAME", "SYSID", "SYSTEM ID", "SAPMS"}))
    return "unknown system id, logon group or message server: check MSHOST, R3NAME and GROUP "
           "in the destination file (the group in transaction SMLG, the service sapms<SID> in "
           "the services file)";
  if (HoldsAny(text, {"DESTINATION", "SAPRFC.INI", "TYPE="}))
    return "the destination file has no usable entry for this destination: check its DEST= "
           "line and TYPE=A (with ASHOST, SYSNR) or TYPE=B (with MSHOST, R3NAME, GROUP)";
  if (HoldsAny(text, {"NOT REACHED", "COMMUNICATION", "CONNECT", "HOSTNAME", "UNKNOWN HOST",
                      "TIMEOUT", "REFUSED", "PARTNER", "CPIC"}))
    return "host or gateway not reached: check Hostname and Sysnr (or ASHOST and SYSNR of the "
           "destination file), that the host name resolves on this machine, and that the "
           "network lets this machine reach the gateway's port 33NN (NN the system number)";
  return "see the library's texts above and its trace file in the working directory (dev_rfc, "
         "or dev_rfc.trc from the NetWeaver library)";
}

bool IsAuthorisationFailure(std::string_view exception, const LibraryTexts& error) {
  std::string text = UpperCased(std::string(exception)) + " " + Searchable(error);
  return HoldsAny(text, {"AUTHORI", "AUTHORITY", "NO_AUTH", "S_RFC", "BERECHTIGUNG"});
}

std::string AuthorisationHint(std::string_view module, bool netweaver) {
  std::string hint =
      "the monitoring user lacks the authorisation S_RFC with activity 16 "
      "(execute) for the function module " +
      std::string(module) +
      " or its function group (transaction SE37 names it); grant it in the "
      "user's role (PFCG), transaction SU53 shows what the call lacked";
  if (netweaver)
    hint +=
        ". The NetWeaver library reads each module's description first (RFC_METADATA_GET, "
        "on older systems RFC_GET_FUNCTION_INTERFACE and DDIF_FIELDINFO_GET): grant S_RFC "
        "for the function groups RFC_METADATA, RFC1 and SDIFRUNTIME too";
  return hint;
}
