#include "measure/server_clock.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "sap/structure_descriptors.h"

namespace {

constexpr unsigned kCpuAllLineLength = 48;
constexpr size_t kStampLength = 25;

/// The values GET_CPU_ALL hands back; only LASTCOLLWRT is used.
struct CpuAllAnswer {
  std::int32_t activeFlag = 0;
  std::int32_t detailsColl = 0;
  std::int32_t detailsMode = 0;
  std::int32_t detailsReqi = 0;
  char fCpuAllRead[3] = {};
  std::int32_t interval = 0;
  std::int32_t lastCollInt = 0;
  char lastCollWrt[kStampLength] = {};
  std::int32_t normCollInt = 0;
  char opSystem[52] = {};
};

/// The call stub of GET_CPU_ALL: installs CPU_ALL when needed, sends the
/// call for the local collector with the table TF_CPU_ALL and receives the
/// ten values.
Outcome CallGetCpuAll(RfcSession& session, ItHandle table, CpuAllAnswer* answer) {
  RfcType& lineType = session.structures.cpuAll;
  if (!InstallStructure(session.rfc, "CPU_ALL", structures::CPU_ALL, structures::kCpuAllEntries,
                        &lineType))
    return Outcome::LibraryFailed("RfcInstallStructure");

  char localRemote[6] = {'L', 'O', 'C', 'A', 'L', ' '};
  char logicalDestination[32];
  std::memset(logicalDestination, ' ', sizeof logicalDestination);
  RfcParameter exporting[] = {
      NamedParameter("LOCAL_REMOTE", kTypeChar, sizeof localRemote, localRemote),
      NamedParameter("LOGICAL_DESTINATION", kTypeChar, sizeof logicalDestination,
                     logicalDestination),
      {nullptr, 0, 0, 0, nullptr},
  };
  RfcTable tables[] = {
      NamedTable("TF_CPU_ALL", lineType, kCpuAllLineLength, table),
      {nullptr, 0, 0, 0, nullptr, 0, 0},
  };
  int result = session.rfc.RfcCall(session.connection, "GET_CPU_ALL", exporting, tables);
  if (result != kRfcOk) return Outcome::CallFailed(result, std::string());

  RfcParameter importing[] = {
      NamedParameter("ACTIVEFLAG", kTypeInt, 4, &answer->activeFlag),
      NamedParameter("DETAILSCOLL", kTypeInt, 4, &answer->detailsColl),
      NamedParameter("DETAILSMODE", kTypeInt, 4, &answer->detailsMode),
      NamedParameter("DETAILSREQI", kTypeInt, 4, &answer->detailsReqi),
      NamedParameter("F_CPU_ALL_READ", kTypeChar, 3, answer->fCpuAllRead),
      NamedParameter("INTERVAL", kTypeInt, 4, &answer->interval),
      NamedParameter("LASTCOLLINT", kTypeInt, 4, &answer->lastCollInt),
      NamedParameter("LASTCOLLWRT", kTypeChar, kStampLength, answer->lastCollWrt),
      NamedParameter("NORMCOLLINT", kTypeInt, 4, &answer->normCollInt),
      NamedParameter("OP_SYSTEM", kTypeChar, 52, answer->opSystem),
      {nullptr, 0, 0, 0, nullptr},
  };
  char* name = nullptr;
  result = session.rfc.RfcReceive(session.connection, importing, tables, &name);
  return ReceiveOutcome(result, name);
}

/// Appends up to |n| characters of |w| from |at|, stopping at its end.
void AppendPiece(std::string_view w, size_t at, size_t n, std::string* out) {
  if (at < w.size()) out->append(w.substr(at, n));
}

}  // namespace

void ParseCollectorTimeStamp(std::string_view stamp, std::string* date, std::string* time) {
  static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string w(stamp.substr(0, std::min(stamp.size(), kStampLength)));
  if (w.size() >= 7) {
    for (int m = 0; m < 12; ++m) {
      if (w.compare(4, 3, kMonths[m]) == 0) {
        w[5] = static_cast<char>('0' + (m + 1) / 10);
        w[6] = static_cast<char>('0' + (m + 1) % 10);
        break;
      }
    }
  }
  if (w.size() > 8 && w[8] == ' ') w[8] = '0';

  date->assign("20");
  AppendPiece(w, 22, 2, date);  // year within the century
  AppendPiece(w, 5, 2, date);   // month
  AppendPiece(w, 8, 2, date);   // day
  time->clear();
  AppendPiece(w, 11, 8, time);
}

Outcome QueryServerClock(RfcSession& session, ServerClock* clock) {
  RfcLibrary& rfc = session.rfc;
  ItHandle table = rfc.ItCreate("TF_CPU_ALL", kCpuAllLineLength, 0, 0);
  if (table == nullptr) return Outcome::LibraryFailed("ItCreate TF_CPU_ALL");

  CpuAllAnswer answer;
  Outcome outcome = CallGetCpuAll(session, table, &answer);
  if (outcome.IsLibraryFailure()) return outcome;
  if (outcome.ok()) {
    // Every line must be readable, though their contents are not used.
    unsigned lines = rfc.ItFill(table);
    for (unsigned i = 0; i < lines; ++i) {
      if (rfc.ItGetLine(table, i + 1) == nullptr)
        return Outcome::LibraryFailed("ItGetLine TF_CPU_ALL");
    }
    // The stamp is a fixed-width field; a terminator inside ends it early.
    const char* stamp = answer.lastCollWrt;
    std::string_view text(stamp, strnlen(stamp, kStampLength));
    ParseCollectorTimeStamp(text, &clock->date, &clock->time);
  }

  if (rfc.ItDelete(table) != 0) return Outcome::LibraryFailed("ItDelete TF_CPU_ALL");
  return outcome;
}
