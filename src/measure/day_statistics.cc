#include "measure/day_statistics.h"

namespace {

using Index = UsageCounters::Index;

/// One line of the table USER_ACCOUNT_RELATION, which the function module
/// requires and the sensor does not read; 27 bytes.
const RowType kUsrAccntV{"USRACCNTV",
                         {CharField("MANDT", 3), CharField("BNAME", 12), CharField("ACCNT", 12)}};

/// One line of the table STATISTIC; 88 bytes.
const RowType kSapwlAccts{
    "SAPWLACCTS",
    {CharField("CLIENT", 3), CharField("USER_ACCNT", 12), IntField("STEPS"), IntField("DSTEPS"),
     IntField("USTEPS"), IntField("BSTEPS"), PackedField("RESP_TIME", 8),
     PackedField("QUEUE_TIME", 8), PackedField("CPU_TIME", 8), PackedField("A_DB_TIME", 8),
     PackedField("S_DB_TIME", 8), PackedField("A_DATA_VOL", 8), PackedField("S_DATA_VOL", 8)}};

}  // namespace

const RowType& DayStatistics::RowTypeOf() { return kSapwlAccts; }

std::vector<const RowType*> DayStatistics::RowTypesOfFetch() { return {&kSapwlAccts, &kUsrAccntV}; }

DayStatistics::DayStatistics(const TableRows& rows)
    : rows_(rows),
      client_(rows.Type().FieldIndex("CLIENT")),
      account_(rows.Type().FieldIndex("USER_ACCNT")),
      steps_(rows.Type().FieldIndex("STEPS")),
      dsteps_(rows.Type().FieldIndex("DSTEPS")),
      bsteps_(rows.Type().FieldIndex("BSTEPS")),
      respTime_(rows.Type().FieldIndex("RESP_TIME")),
      cpuTime_(rows.Type().FieldIndex("CPU_TIME")),
      aDbTime_(rows.Type().FieldIndex("A_DB_TIME")),
      sDbTime_(rows.Type().FieldIndex("S_DB_TIME")) {}

UsageCounters DayStatistics::Counters(std::size_t row) const {
  // Counts and times wrap modulo 2^32, as the sensor's counters do.
  auto count = [&](int field) { return static_cast<std::uint32_t>(rows_.Integer(row, field)); };
  auto time = [&](int field) { return rows_.Packed(row, field).UnscaledModulo32(); };
  UsageCounters counters;
  counters[Index::kSteps] = count(steps_);
  counters[Index::kRespTime] = time(respTime_);
  counters[Index::kCpuTime] = time(cpuTime_);
  counters[Index::kDbTime] = time(aDbTime_);
  counters[Index::kSusTime] = time(sDbTime_);
  counters[Index::kDialog] = count(dsteps_);
  counters[Index::kBatch] = count(bsteps_);
  return counters;
}

StatisticsFetch FetchDayStatistics(RfcSession& session, std::string_view serverDate,
                                   const std::function<Outcome(const DayStatistics&)>& use) {
  // All clients, cumulated per user, no instance named, for the day of the
  // server date.
  FunctionCall call("SAPWL_ACCNT_GET_SYSTEM_USAGE");
  call.Send("CLIENT", AbapType::kChar, 3, "*");
  call.Send("CUMULATION_MODE", AbapType::kChar, 1, "U");
  call.Send("INSTANCE", AbapType::kChar, 39, "");
  call.Send("INSTID", AbapType::kChar, 8, "");
  call.Send("PERIODTYPE", AbapType::kChar, 1, "D");
  call.Send("STARTDATE", AbapType::kDate, 8, serverDate);
  call.AddTable("STATISTIC", kSapwlAccts);
  call.AddTable("USER_ACCOUNT_RELATION", kUsrAccntV, /*rowsRead=*/false);

  StatisticsFetch fetch;
  fetch.outcome = session.Invoke(call);
  if (fetch.outcome.IsLibraryFailure()) return fetch;
  if (fetch.outcome.ok()) {
    fetch.outcome = use(DayStatistics(*call.Table("STATISTIC")));
    if (fetch.outcome.IsLibraryFailure()) return fetch;
  } else if (fetch.outcome.IsException("NO_DATA_FOUND")) {
    fetch.noData = true;
    fetch.outcome = Outcome::Ok();
  }
  Outcome released = call.Release();
  if (!released.ok()) fetch.outcome = released;
  return fetch;
}
