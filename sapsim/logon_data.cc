#include "sapsim/logon_data.h"

#include <algorithm>
#include <cctype>
#include <vector>

ConnectValues ParseConnectString(const std::string& connect) {
  static const char* const kKeywords[] = {"CLIENT", "USER", "PASSWD", "LANG", "DEST"};
  ConnectValues values;
  std::optional<std::string>* slots[] = {&values.client, &values.user, &values.password,
                                         &values.language, &values.destination};
  std::size_t at = 0;
  while (at < connect.size()) {
    if (connect[at] == ' ') {
      ++at;
      continue;
    }
    std::size_t equals = connect.find('=', at);
    if (equals == std::string::npos) break;
    std::string key = connect.substr(at, equals - at);
    std::size_t start = equals + 1, end;
    std::string value;
    if (start < connect.size() && connect[start] == '"') {
      end = connect.find('"', start + 1);
      if (end == std::string::npos) end = connect.size();
      value = connect.substr(start + 1, end - start - 1);
      at = end + 1;
    } else {
      end = connect.find(' ', start);
      if (end == std::string::npos) end = connect.size();
      value = connect.substr(start, end - start);
      at = end;
    }
    for (int k = 0; k < 5; ++k)
      if (key == kKeywords[k] && !*slots[k]) *slots[k] = value;  // the first counts
  }
  return values;
}

static std::string TrimRight(const char* text) {
  std::string s = text;
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

static std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string CheckCredentials(const SimulatedSystem& system, const char* client, const char* user,
                             const char* password) {
  if (client == nullptr || TrimRight(client) != TrimRight(system.client.c_str()))
    return "client " + std::string(client ? client : "") + " is not available in this system";
  if (user == nullptr || password == nullptr ||
      Upper(TrimRight(user)) != Upper(TrimRight(system.user.c_str())) ||
      TrimRight(password) != TrimRight(system.password.c_str()))
    return "Name or password is incorrect (repeat logon)";
  return "";
}
