#include "sap/netweaver_logon.h"

#include <cctype>
#include <cstdio>

namespace {

std::string TrimmedRight(const char* text) {
  std::string value = text != nullptr ? text : "";
  size_t end = value.find_last_not_of(' ');
  value.erase(end == std::string::npos ? 0 : end + 1);
  return value;
}

void AddWhenGiven(NwLogonParameters* out, const char* name, const char* value) {
  if (value != nullptr && *value != '\0') out->emplace_back(name, value);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

constexpr const char* kConnectKeys[] = {"CLIENT=", "USER=", "PASSWD=", "LANG=", "DEST="};

/// The keyword of |connect| that starts at |at|, or null.
const char* KeyAt(std::string_view connect, size_t at) {
  if (at > 0 && connect[at - 1] != ' ') return nullptr;
  for (const char* key : kConnectKeys) {
    std::string_view k(key);
    if (connect.substr(at, k.size()) == k) return key;
  }
  return nullptr;
}

}  // namespace

NwLogonParameters LogonFromOptions(const RfcOptions& options, std::string* refusal) {
  NwLogonParameters out;
  if (options.mode == 1) {
    *refusal = "R/2 systems cannot be reached through the NetWeaver RFC library";
    return out;
  }
  if (options.mode != 0 || options.connopt == nullptr) {
    *refusal = "no R/3 connection data";
    return out;
  }
  const auto& r3 = *static_cast<const RfcConnectR3*>(options.connopt);
  AddWhenGiven(&out, "ashost", r3.hostname);
  char sysnr[16];
  std::snprintf(sysnr, sizeof sysnr, "%02d", r3.sysnr);
  out.emplace_back("sysnr", sysnr);
  AddWhenGiven(&out, "client", options.client);
  out.emplace_back("user", TrimmedRight(options.user));
  out.emplace_back("passwd", TrimmedRight(options.password));
  AddWhenGiven(&out, "lang", options.language);
  AddWhenGiven(&out, "gwhost", r3.gwhost);
  AddWhenGiven(&out, "gwserv", r3.gwservice);
  return out;
}

std::map<std::string, std::string> ParseConnectString(std::string_view connect) {
  std::map<std::string, std::string> values;
  size_t at = 0;
  while (at < connect.size() && KeyAt(connect, at) == nullptr) ++at;
  while (at < connect.size()) {
    std::string_view key(KeyAt(connect, at));
    size_t start = at + key.size();
    size_t end = start;
    while (end < connect.size() && KeyAt(connect, end) == nullptr) ++end;
    std::string value(connect.substr(start, end - start));
    size_t last = value.find_last_not_of(' ');
    value.erase(last == std::string::npos ? 0 : last + 1);
    // A value with blanks is written in double quotes.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    values[std::string(key.substr(0, key.size() - 1))] = value;
    at = end;
  }
  return values;
}

NwLogonParameters LogonFromDestination(
    const std::vector<std::pair<std::string, std::string>>& entry,
    const std::map<std::string, std::string>& connect) {
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
  for (const auto& [key, name] : {std::pair<const char*, const char*>{"CLIENT", "client"},
                                  {"USER", "user"},
                                  {"PASSWD", "passwd"},
                                  {"LANG", "lang"}}) {
    auto found = connect.find(key);
    if (found != connect.end()) out.emplace_back(name, found->second);
  }
  return out;
}
