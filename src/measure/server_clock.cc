#include "measure/server_clock.h"

#include <algorithm>

namespace {

constexpr size_t kStampLength = 25;

FieldDescription Int2Field(const char* name) { return {name, AbapType::kInt2, 2, 0, 0}; }

/// One line of the table TF_CPU_ALL; a 48-byte record.
const RowType kCpuAll{
    "CPU_ALL",
    {Int2Field("TYPE"), Int2Field("SUBTYPE"), Int2Field("SERIALNR"), IntField("NBR_CPU"),
     IntField("LOAD1_AVG"), IntField("LOAD5_AVG"), IntField("LOAD15_AVG"), IntField("INT_SEC"),
     IntField("SYSC_SEC"), IntField("CS_SEC"), IntField("USR_TOTAL"), IntField("SYS_TOTAL"),
     IntField("IDLE_TOTAL")}};

/// Appends up to |n| characters of |w| from |at|, stopping at its end.
void AppendPiece(std::string_view w, size_t at, size_t n, std::string* out) {
  if (at < w.size()) out->append(w.substr(at, n));
}

}  // namespace

const RowType& ServerClockRowType() { return kCpuAll; }

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
  // The local collector; the table's lines must be readable, though their
  // contents are not used. Only LASTCOLLWRT of the ten values is used.
  FunctionCall call("GET_CPU_ALL");
  call.Send("LOCAL_REMOTE", AbapType::kChar, 6, "LOCAL");
  call.Send("LOGICAL_DESTINATION", AbapType::kChar, 32, "");
  call.AddTable("TF_CPU_ALL", kCpuAll);
  for (FieldDescription value :
       {IntField("ACTIVEFLAG"), IntField("DETAILSCOLL"), IntField("DETAILSMODE"),
        IntField("DETAILSREQI"), CharField("F_CPU_ALL_READ", 3), IntField("INTERVAL"),
        IntField("LASTCOLLINT"), CharField("LASTCOLLWRT", static_cast<unsigned>(kStampLength)),
        IntField("NORMCOLLINT"), CharField("OP_SYSTEM", 52)})
    call.Receive(std::move(value));
  Outcome outcome = session.Invoke(call);
  if (outcome.ok()) {
    const TableRows& values = call.Values();
    std::string_view stamp = values.Text(0, values.Type().FieldIndex("LASTCOLLWRT"));
    ParseCollectorTimeStamp(stamp, &clock->date, &clock->time);
  }
  Outcome released = call.Release();
  return released.ok() ? outcome : released;
}
