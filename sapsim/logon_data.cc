#include "sapsim/logon_data.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

ConnectValues ParseConnectString(const std::string& connect) {
  static const char* const kKeywords[] = {"CLIENT=", "USER=", "PASSWD=",
                                          "LANG=", "DEST="};
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
  std::optional<std::string>* slots[] = {&values.client, &values.user,
                                         &values.password, &values.language,
                                         &values.destination};
  for (std::size_t i = 0; i < marks.size(); ++i) {
    std::size_t end = i + 1 < marks.size() ? marks[i + 1].keywordStart - 1
                                           : connect.size();
    if (end < marks[i].valueStart)  // two keywords overlap
      end = marks[i].valueStart;
    *slots[marks[i].keyword] =
        connect.substr(marks[i].valueStart, end - marks[i].valueStart);
  }
  return values;
}

static std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos)
    return "";
  std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::optional<DestinationEntry> FindDestination(const std::string& ini_text,
                                                const std::string& destination) {
  std::istringstream in(ini_text);
  std::string line;
  bool inside = false;
  std::optional<DestinationEntry> entry;
  while (std::getline(in, line)) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '*' || trimmed[0] == '#')
      continue;
    std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos)
      continue;
    std::string key = Trim(trimmed.substr(0, equals));
    for (char& c : key)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string value = Trim(trimmed.substr(equals + 1));
    if (key == "DEST") {
      if (inside)
        break;  // the entry ends at the next destination
      inside = value == destination;
      if (inside)
        entry.emplace();
      continue;
    }
    if (!inside)
      continue;
    if (key == "TYPE") entry->type = value;
    else if (key == "ASHOST") entry->ashost = value;
    else if (key == "SYSNR") entry->sysnr = value;
    else if (key == "GWHOST") entry->gwhost = value;
  }
  return entry;
}

static std::string TrimRight(const char* text) {
  std::string s = text;
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

static std::string Upper(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string CheckCredentials(const SimulatedSystem& system, const char* client,
                             const char* user, const char* password) {
  if (client == nullptr || TrimRight(client) != TrimRight(system.client.c_str()))
    return "client " + std::string(client ? client : "") + " is not available in this system";
  if (user == nullptr || password == nullptr ||
      Upper(TrimRight(user)) != Upper(TrimRight(system.user.c_str())) ||
      TrimRight(password) != TrimRight(system.password.c_str()))
    return "Name or password is incorrect (repeat logon)";
  return "";
}
