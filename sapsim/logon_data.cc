#include "sapsim/logon_data.h"

#include <algorithm>
#include <cctype>
#include <vector>

ConnectValues ParseConnectString(const std::string& connect) {
  static const char* const kKeywords[] = {"CLIENT=", "USER=", "PASSWD=", "LANG=", "DEST="};
  struct Mark {
    std::size_t keywordStart, valueStart;
    int keyword;
  };
  std::vector<Mark> marks;
  for (int k = 0; k < 5; ++k) {
    std::string keyword = kKeywords[k];
    for (std::size_t at = connect.find(keyword); at != std::string::npos;
         at = connect.find(keyword, at + 1)) {
      if (at == 0 || connect[at - 1] == ' ') {
        marks.push_back({at, at + keyword.size(), k});
        break;  // the first occurrence counts
      }
    }
  }
  std::sort(marks.begin(), marks.end(),
            [](const Mark& a, const Mark& b) { return a.keywordStart < b.keywordStart; });
  ConnectValues values;
  std::optional<std::string>* slots[] = {&values.client, &values.user, &values.password,
                                         &values.language, &values.destination};
  for (std::size_t i = 0; i < marks.size(); ++i) {
    std::size_t end = i + 1 < marks.size() ? marks[i + 1].keywordStart - 1 : connect.size();
    if (end < marks[i].valueStart)  // two keywords overlap
      end = marks[i].valueStart;
    *slots[marks[i].keyword] = connect.substr(marks[i].valueStart, end - marks[i].valueStart);
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
