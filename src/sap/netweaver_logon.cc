#include "sap/netweaver_logon.h"

#include <cctype>
#include <cstdio>

namespace {

std::string TrimmedRight(const std::string& text) {
  size_t end = text.find_last_not_of(' ');
  return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

void AddWhenGiven(NwLogonParameters* out, const char* name, const std::string& value) {
  if (!value.empty()) out->emplace_back(name, value);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

NwLogonParameters LogonFromData(const LogonData& logon, std::string* refusal) {
  NwLogonParameters out;
  if (logon.r2) {
    *refusal = "R/2 systems cannot be reached through the NetWeaver RFC library";
    return out;
  }
  AddWhenGiven(&out, "ashost", logon.host);
  char sysnr[16];
  std::snprintf(sysnr, sizeof sysnr, "%02d", logon.systemNumber);
  out.emplace_back("sysnr", sysnr);
  AddWhenGiven(&out, "client", logon.client);
  out.emplace_back("user", TrimmedRight(logon.user));
  out.emplace_back("passwd", TrimmedRight(logon.password));
  AddWhenGiven(&out, "lang", logon.language);
  AddWhenGiven(&out, "gwhost", logon.gatewayHost);
  AddWhenGiven(&out, "gwserv", logon.gatewayService);
  return out;
}

NwLogonParameters LogonFromDestination(
    const std::vector<std::pair<std::string, std::string>>& entry, const DestinationLogon& logon) {
  NwLogonParameters out;
  for (const auto& [key, value] : entry) {
    std::string name = Lower(key);
    if (name == "mhost") name = "mshost";  // the older key of TYPE=B
    if (name == "rfc_trace") name = "trace";
    bool known = name == "ashost" || name == "sysnr" || name == "mshost" || name == "msserv" ||
                 name == "r3name" || name == "sysid" || name == "group" || name == "gwhost" ||
                 name == "gwserv" || name == "saprouter" || name == "trace" ||
                 name.rfind("snc_", 0) == 0;
    if (known) out.emplace_back(name, value);
  }
  out.emplace_back("client", logon.client);
  out.emplace_back("user", logon.user);
  out.emplace_back("passwd", logon.password);
  out.emplace_back("lang", logon.language);
  return out;
}
