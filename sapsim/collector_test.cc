// The simulated system's releases, its workload collector and the
// metadata modules, through the classic interface: what a classic-library
// program sends and reads, byte for byte.

#include "sapsim/collector.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "sapsim/simulated_sap.h"
#include "testing/simulated_run.h"

namespace {

constexpr char kDay[] = "20240305";

/// A system of |release| with two accounts' statistics on kDay and
/// |extra| further members.
std::string System(const std::string& release, const std::string& extra = "",
                   const std::string& faults = "{}") {
  return OneSystem(faults, R"(, "release": ")" + release + R"(",
      "statistics": {"20240305": [
        {"client": "100", "account": "DEMO", "steps": 10, "dsteps": 6, "bsteps": 3,
         "resp_time": 500, "queue_time": 7, "cpu_time": 100, "a_db_time": 50,
         "s_db_time": 20},
        {"client": "200", "account": "BATCH", "steps": 4, "bsteps": 4, "resp_time": 40}]})" +
                               extra);
}

/// A packed field's value as a number.
std::int64_t Packed(const std::uint8_t* bytes, std::size_t length) {
  std::int64_t value = 0;
  for (std::size_t i = 0; i < 2 * length - 1; ++i)
    value = value * 10 + (i % 2 == 0 ? bytes[i / 2] >> 4 : bytes[i / 2] & 0xF);
  return (bytes[length - 1] & 0xF) == 0xD ? -value : value;
}

/// A classic-library program: installs structures, creates tables, calls
/// and reads rows by the offsets of its own descriptors.
struct Caller {
  explicit Caller(SimulatedRun& t) : sim(t.sim), handle(t.Logon().connection) {}

  struct Table {
    std::string name;
    RfcType type = 0;
    std::vector<FieldDescriptor> fields;
    std::vector<std::string> names;  // keep the descriptors' names alive
    ItHandle it = nullptr;
    unsigned leng = 0;
  };

  /// Installs |structure| with |fields| (name, type, length) and creates
  /// the table |name| of its rows.
  Table Make(const std::string& name, const std::string& structure,
             const std::vector<std::tuple<std::string, RfcType, unsigned>>& fields) {
    Table t;
    t.name = name;
    t.names.reserve(fields.size());
    for (const auto& [n, type, length] : fields) {
      t.names.push_back(n);
      t.fields.push_back({t.names.back().c_str(), type, length, 0, 0});
    }
    EXPECT_EQ(sim.RfcInstallStructure(structure.c_str(), t.fields.data(),
                                      static_cast<unsigned>(t.fields.size()), &t.type),
              0);
    t.leng = static_cast<unsigned>(LayOutForWidth(structure, t.fields, 1).size);
    t.it = sim.ItCreate(name.c_str(), t.leng, 0, 0);
    return t;
  }

  /// Calls |function| with character values |exporting| (and |extra|
  /// parameters as given) and |tables|; the result code, |raised| set.
  int Call(const std::string& function, const std::map<std::string, std::string>& exporting,
           std::vector<Table*> tables, std::string* raised = nullptr,
           std::vector<RfcParameter> extra = {}, std::vector<RfcParameter> importing = {}) {
    std::vector<RfcParameter> list;
    for (const auto& [name, value] : exporting)
      list.push_back({name.c_str(), static_cast<unsigned>(name.size()),
                      name == "PERIODSTRT" || name == "STARTDATE" ? kTypeDate : kTypeChar,
                      static_cast<unsigned>(value.size()), const_cast<char*>(value.data())});
    for (const RfcParameter& p : extra) list.push_back(p);
    list.push_back({nullptr, 0, 0, 0, nullptr});
    std::vector<RfcTable> tableList;
    for (Table* t : tables)
      tableList.push_back(
          {t->name.c_str(), static_cast<unsigned>(t->name.size()), t->type, t->leng, t->it, 0, 0});
    tableList.push_back({nullptr, 0, 0, 0, nullptr, 0, 0});
    importing.push_back({nullptr, 0, 0, 0, nullptr});
    int result = sim.RfcCall(handle, function.c_str(), list.data(), tableList.data());
    char* exception = nullptr;
    if (result == 0)
      result = sim.RfcReceive(handle, importing.data(), tableList.data(), &exception);
    if (raised != nullptr) *raised = exception != nullptr ? exception : "";
    return result;
  }

  /// The collector's day aggregate into |tables|.
  int Collect(std::vector<Table*> tables, std::string* raised = nullptr,
              const std::string& date = kDay, std::vector<RfcParameter> extra = {}) {
    return Call(kCollectorFunction,
                {{"COMPONENT", Pad("TOTAL", 40)}, {"PERIODTYPE", "D"}, {"PERIODSTRT", date}},
                tables, raised, extra);
  }

  static std::string Pad(std::string text, std::size_t n) {
    text.resize(n, ' ');
    return text;
  }

  /// The layout the system gives for |structure| with characters of
  /// |uclen| bytes: (field, offset, length, type letter), and TABLENGTH.
  std::vector<std::tuple<std::string, int, int, char>> Definition(const std::string& structure,
                                                                  char uclen, int* tablength,
                                                                  std::string* raised) {
    Table fields = Make("FIELDS", "RFC_FIELDS",
                        {{"TABNAME", kTypeChar, 30},
                         {"FIELDNAME", kTypeChar, 30},
                         {"POSITION", kTypeInt, 4},
                         {"OFFSET", kTypeInt, 4},
                         {"INTLENGTH", kTypeInt, 4},
                         {"DECIMALS", kTypeInt, 4},
                         {"EXID", kTypeChar, 1}});
    std::int32_t length = -1;
    RfcParameter ucParameter{"UCLEN", 5, kTypeByte, 1, &uclen};
    RfcParameter lengthParameter{"TABLENGTH", 9, kTypeInt, 4, &length};
    Call("RFC_GET_STRUCTURE_DEFINITION", {{"TABNAME", Pad(structure, 30)}}, {&fields}, raised,
         {ucParameter}, {lengthParameter});
    *tablength = length;
    std::vector<std::tuple<std::string, int, int, char>> out;
    for (unsigned i = 1; i <= sim.ItFill(fields.it); ++i) {
      auto* row = static_cast<const char*>(sim.ItGetLine(fields.it, i));
      std::string name(row + 30, 30);
      name.erase(name.find_last_not_of(' ') + 1);
      std::int32_t offset, intlength;
      std::memcpy(&offset, row + 64, 4);
      std::memcpy(&intlength, row + 68, 4);
      out.emplace_back(name, offset, intlength, row[76]);
    }
    sim.ItDelete(fields.it);
    return out;
  }

  /// The collector's table of row type |rowType| laid out as the system
  /// defines it (one byte per character).
  Table CollectorTable(const std::string& name, const std::string& rowType) {
    int length = 0;
    std::string raised;
    std::vector<std::tuple<std::string, RfcType, unsigned>> fields;
    for (const auto& [field, offset, intlength, exid] : Definition(rowType, 1, &length, &raised))
      fields.emplace_back(field,
                          exid == 'X'   ? kTypeByte
                          : exid == 'P' ? kTypeBcd
                                        : kTypeChar,
                          intlength);
    Table t = Make(name, rowType, fields);
    EXPECT_EQ(static_cast<int>(t.leng), length);
    return t;
  }

  SimulatedSap& sim;
  RfcHandle handle;
};

/// A row of a collector table read by its descriptors: field -> value.
std::map<std::string, std::string> ReadRow(SimulatedSap& sim, const Caller::Table& t,
                                           unsigned line) {
  RecordLayout layout = LayOutForWidth(t.name, t.fields, 1);
  auto* row = static_cast<const std::uint8_t*>(sim.ItGetLine(t.it, line));
  std::map<std::string, std::string> values;
  for (const LaidOutField& f : layout.fields) {
    const std::uint8_t* at = row + f.offset;
    if (f.type == kTypeBcd) {
      values[f.name] = std::to_string(Packed(at, f.length));
    } else if (f.type == kTypeByte) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02X", at[0]);
      values[f.name] = hex;
    } else {
      std::string text(reinterpret_cast<const char*>(at), f.length);
      values[f.name] = text.erase(text.find_last_not_of(' ') + 1);
    }
  }
  return values;
}

TEST(CollectorTest, EachReleaseHasItsOwnSourcesAndAMissingModuleEndsTheConnection) {
  struct Case {
    const char* release;
    int usage;  // the accounting interface's result
    const char* usageRaised;
    int collector;
    const char* collectorRaised;
  } cases[] = {
      {"46C", 0, "", 3, "SYSTEM_FAILURE"},
      {"750", 2, "NO_DATA_FOUND", 0, ""},
      {"S4", 3, "SYSTEM_FAILURE", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.release);
    SimulatedRun u(System(c.release));
    Caller sensor(u);
    Caller::Table statistic = sensor.Make("STATISTIC", "SAPWLACCTS",
                                          {{"CLIENT", kTypeChar, 3},
                                           {"USER_ACCNT", kTypeChar, 12},
                                           {"STEPS", kTypeInt, 4},
                                           {"DSTEPS", kTypeInt, 4},
                                           {"USTEPS", kTypeInt, 4},
                                           {"BSTEPS", kTypeInt, 4},
                                           {"RESP_TIME", kTypeBcd, 8},
                                           {"QUEUE_TIME", kTypeBcd, 8},
                                           {"CPU_TIME", kTypeBcd, 8},
                                           {"A_DB_TIME", kTypeBcd, 8},
                                           {"S_DB_TIME", kTypeBcd, 8},
                                           {"A_DATA_VOL", kTypeBcd, 8},
                                           {"S_DATA_VOL", kTypeBcd, 8}});
    Caller::Table relation =
        sensor.Make("USER_ACCOUNT_RELATION", "USRACCNTV",
                    {{"MANDT", kTypeChar, 3}, {"BNAME", kTypeChar, 12}, {"ACCNT", kTypeChar, 12}});
    std::string raised;
    EXPECT_EQ(sensor.Call(kUsageFunction,
                          {{"CLIENT", "   "},
                           {"CUMULATION_MODE", "U"},
                           {"INSTANCE", Caller::Pad("", 39)},
                           {"INSTID", Caller::Pad("", 8)},
                           {"PERIODTYPE", "D"},
                           {"STARTDATE", kDay}},
                          {&statistic, &relation}, &raised),
              c.usage);
    EXPECT_EQ(raised, c.usageRaised);
    if (c.usage == 0) {
      EXPECT_EQ(u.sim.ItFill(statistic.it), 2u);
    }
    if (c.usage == 3) {
      // The system failure ended the connection: the next call fails.
      EXPECT_EQ(u.sim.RfcCall(sensor.handle, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
    }
    // The collector, on a fresh connection when the first one ended.
    SimulatedRun v(System(c.release));
    Caller collector(v);
    Caller::Table tcode = collector.Make("USERTCODE", "SWNCAGGUSERTCODE",
                                         {{"TASKTYPE", kTypeByte, 1}, {"ACCOUNT", kTypeChar, 12}});
    EXPECT_EQ(collector.Collect({&tcode}, &raised), c.collector);
    EXPECT_EQ(raised, c.collectorRaised);
    if (c.collector == 3) {
      RfcErrorInfo error;
      v.sim.RfcLastError(&error);
      EXPECT_STREQ(error.message, "Function module \"SWNC_COLLECTOR_GET_AGGREGATES\" not found");
      EXPECT_EQ(v.sim.RfcCall(collector.handle, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
      auto received = v.Journal("RfcReceive");
      ASSERT_FALSE(received.empty());
      EXPECT_EQ(received.back()["result"], 3);
      EXPECT_EQ(received.back()["exception"], "SYSTEM_FAILURE");
    }
  }
}

TEST(CollectorTest, SplitKeepsTheSumsAndPutsTheTimesOnTheBusiestTaskType) {
  StatisticsRow row;
  row.client = "100";
  row.account = "DEMO";
  row.integers[0] = 10;  // steps
  row.integers[1] = 3;   // dialog
  row.integers[2] = 1;   // update
  row.integers[3] = 4;   // batch
  row.packed[0] = 500;   // response
  row.packed[3] = 50;    // database
  row.packed[4] = 20;    // sus
  StatisticsRow idle;
  idle.account = "IDLE";
  idle.packed[2] = 9;  // CPU time without steps
  std::vector<CollectorRow> rows = SplitStatistics({row, idle}, -1);
  ASSERT_EQ(rows.size(), 5u);
  std::string tasks;
  std::int64_t steps = 0;
  for (const CollectorRow& r : rows) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", r.tasktype);
    tasks += hex;
    steps += r.values[0];
  }
  // Dialog, batch, update and the remaining two steps as RFC; the idle
  // account keeps a dialog row for its time.
  EXPECT_EQ(tasks, "01 04 02 FE 01 ");
  EXPECT_EQ(steps, 10);
  EXPECT_EQ(rows[1].values[7], 500000);  // RESPTI in microseconds on the batch row
  EXPECT_EQ(rows[1].values[17], 50000);  // READDIRTI
  EXPECT_EQ(rows[1].values[13], 20000);  // LOADGENTI
  EXPECT_EQ(rows[0].values[7], 0);
  EXPECT_EQ(rows[4].values[9], 9000);  // CPUTI
  EXPECT_EQ(rows[1].values[3], 4);     // BCOUNT of the batch row
}

TEST(CollectorTest, TheClientIsInTheTableTheSystemKeepsItIn) {
  for (const char* table : {"USERWORKLOAD", "USERTCODE", "none"}) {
    SCOPED_TRACE(table);
    SimulatedRun t(System("750", std::string(R"(, "collector_client_table": ")") + table + "\""));
    Caller caller(t);
    Caller::Table tcode = caller.CollectorTable("USERTCODE", "SWNCAGGUSERTCODE");
    Caller::Table workload = caller.CollectorTable("USERWORKLOAD", "SWNCAGGUSERWORKLOAD");
    std::string raised;
    ASSERT_EQ(caller.Collect({&tcode, &workload}, &raised), 0) << raised;
    // DEMO's dialog, batch and remaining RFC step, BATCH's batch steps.
    ASSERT_EQ(t.sim.ItFill(workload.it), 4u);
    std::map<std::string, std::string> first = ReadRow(t.sim, workload, 1);
    EXPECT_EQ(first["TASKTYPE"], "01");
    EXPECT_EQ(first["ACCOUNT"], "DEMO");
    EXPECT_EQ(first["COUNT"], "6");
    EXPECT_EQ(first["RESPTI"], "500");  // milliseconds with FACTOR's default
    EXPECT_EQ(first["READDIRTI"], "50");
    EXPECT_EQ(first["LOADGENTI"], "20");
    EXPECT_EQ(first.count("MANDT"), std::string(table) == "USERWORKLOAD" ? 1u : 0u);
    if (first.count("MANDT")) {
      EXPECT_EQ(first["MANDT"], "100");
    }
    std::map<std::string, std::string> tcodeRow = ReadRow(t.sim, tcode, 4);
    EXPECT_EQ(tcodeRow["TASKTYPE"], "04");
    EXPECT_EQ(tcodeRow["ACCOUNT"], "BATCH");
    EXPECT_EQ(tcodeRow.count("MANDT"), std::string(table) == "USERTCODE" ? 1u : 0u);
    if (tcodeRow.count("MANDT")) {
      EXPECT_EQ(tcodeRow["MANDT"], "200");
    }
  }
}

TEST(CollectorTest, StructureDefinitionGivesTheNonUnicodeAndTheUnicodeLayout) {
  SimulatedRun t(System("750", R"(, "collector_client_table": "USERTCODE")"));
  Caller caller(t);
  int length = 0;
  std::string raised;
  auto narrow = caller.Definition("SWNCAGGUSERTCODE", 1, &length, &raised);
  ASSERT_GE(narrow.size(), 5u);
  using F = std::tuple<std::string, int, int, char>;
  EXPECT_EQ(narrow[0], F("TASKTYPE", 0, 1, 'X'));
  EXPECT_EQ(narrow[1], F("ACCOUNT", 1, 12, 'C'));
  EXPECT_EQ(narrow[2], F("MANDT", 13, 3, 'C'));
  EXPECT_EQ(narrow[3], F("ENTRY_ID", 16, 73, 'C'));
  EXPECT_EQ(narrow[4], F("COUNT", 89, 13, 'P'));  // DEC 24: 13 packed bytes
  EXPECT_EQ(length, 89 + 22 * 13);
  auto wide = caller.Definition("SWNCAGGUSERTCODE", 2, &length, &raised);
  EXPECT_EQ(wide[1], F("ACCOUNT", 2, 24, 'C'));
  EXPECT_EQ(wide[2], F("MANDT", 26, 6, 'C'));
  EXPECT_EQ(wide[3], F("ENTRY_ID", 32, 146, 'C'));
  EXPECT_EQ(wide[4], F("COUNT", 178, 13, 'P'));
  EXPECT_EQ(length, 178 + 22 * 13);  // already even
  // The system's own width when the caller does not say: Unicode on 7.50.
  auto own = caller.Definition("SWNCAGGUSERTCODE", 0, &length, &raised);
  EXPECT_EQ(own, wide);
  EXPECT_TRUE(caller.Definition("SWNCAGGNOTHING", 1, &length, &raised).empty());
  EXPECT_EQ(raised, "TABLE_NOT_ACTIVE");

  // A release without the collector has not its row types either.
  SimulatedRun old(System("46C"));
  Caller oldCaller(old);
  EXPECT_TRUE(oldCaller.Definition("SWNCAGGUSERTCODE", 1, &length, &raised).empty());
  EXPECT_EQ(raised, "TABLE_NOT_ACTIVE");
}

TEST(CollectorTest, FunctionInterfaceListsParametersTablesAndExceptions) {
  SimulatedRun t(System("S4"));
  Caller caller(t);
  std::vector<std::tuple<std::string, RfcType, unsigned>> funint = {
      {"PARAMCLASS", kTypeChar, 1}, {"PARAMETER", kTypeChar, 30}, {"TABNAME", kTypeChar, 30},
      {"FIELDNAME", kTypeChar, 30}, {"EXID", kTypeChar, 1},       {"POSITION", kTypeInt, 4},
      {"OFFSET", kTypeInt, 4},      {"INTLENGTH", kTypeInt, 4},   {"DECIMALS", kTypeInt, 4},
      {"DEFAULT", kTypeChar, 21},   {"PARAMTEXT", kTypeChar, 79}, {"OPTIONAL", kTypeChar, 1}};
  Caller::Table params = caller.Make("PARAMS", "RFC_FUNINT", funint);
  std::string raised;
  ASSERT_EQ(
      caller.Call("RFC_GET_FUNCTION_INTERFACE",
                  {{"FUNCNAME", Caller::Pad(kCollectorFunction, 30)}, {"NONE_UNICODE_LENGTH", "X"}},
                  {&params}, &raised),
      0)
      << raised;
  std::string listed;
  for (unsigned i = 1; i <= t.sim.ItFill(params.it); ++i) {
    std::map<std::string, std::string> row = ReadRow(t.sim, params, i);
    listed += row["PARAMCLASS"] + " " + row["PARAMETER"] + (row["OPTIONAL"] == "X" ? "?" : "");
    if (row["PARAMCLASS"] == "T") listed += ":" + row["TABNAME"];
    listed += "; ";
  }
  EXPECT_EQ(listed,
            "I COMPONENT; I ASSIGNDSYS?; I PERIODTYPE; I PERIODSTRT; I SUMMARY_ONLY?; "
            "I FACTOR?; T USERTCODE?:SWNCAGGUSERTCODE; T USERWORKLOAD?:SWNCAGGUSERWORKLOAD; "
            "X NO_DATA_FOUND; ");

  // The accounting interface is not on S/4HANA: FU_NOT_FOUND, an exception
  // that leaves the connection open.
  Caller::Table again = caller.Make("PARAMS", "RFC_FUNINT", funint);
  EXPECT_EQ(caller.Call("RFC_GET_FUNCTION_INTERFACE",
                        {{"FUNCNAME", Caller::Pad(kUsageFunction, 30)}}, {&again}, &raised),
            2);
  EXPECT_EQ(raised, "FU_NOT_FOUND");
  Caller::Table third = caller.Make("PARAMS", "RFC_FUNINT", funint);
  EXPECT_EQ(caller.Call("RFC_GET_FUNCTION_INTERFACE",
                        {{"FUNCNAME", Caller::Pad(kCollectorFunction, 30)}}, {&third}, &raised),
            0);
}

TEST(CollectorTest, TheRequestSelectsTheDayAndTheUnitOfTheTimes) {
  SimulatedRun t(System("750", R"(, "collector": {"20240306": [
      {"tasktype": "FE", "client": "300", "account": "RFCUSER", "entry_id": "Z_FUNC",
       "count": 7, "respti": 70, "dbp_time": 3}]})"));
  Caller caller(t);
  Caller::Table workload = caller.CollectorTable("USERWORKLOAD", "SWNCAGGUSERWORKLOAD");
  std::string raised;
  // FACTOR 1: microseconds.
  std::int32_t factor = 1;
  ASSERT_EQ(caller.Collect({&workload}, &raised, kDay, {{"FACTOR", 6, kTypeInt, 4, &factor}}), 0);
  EXPECT_EQ(ReadRow(t.sim, workload, 1)["RESPTI"], "500000");
  // The collector's own rows of a day stand instead of the split.
  Caller::Table own = caller.CollectorTable("USERWORKLOAD", "SWNCAGGUSERWORKLOAD");
  ASSERT_EQ(caller.Collect({&own}, &raised, "20240306"), 0);
  ASSERT_EQ(t.sim.ItFill(own.it), 1u);
  std::map<std::string, std::string> row = ReadRow(t.sim, own, 1);
  EXPECT_EQ(row["TASKTYPE"], "FE");
  EXPECT_EQ(row["MANDT"], "300");
  EXPECT_EQ(row["DBP_TIME"], "3");
  // A day without rows, a week, or one instance: NO_DATA_FOUND.
  Caller::Table none = caller.CollectorTable("USERWORKLOAD", "SWNCAGGUSERWORKLOAD");
  EXPECT_EQ(caller.Collect({&none}, &raised, "20240307"), 2);
  EXPECT_EQ(raised, "NO_DATA_FOUND");
  EXPECT_EQ(
      caller.Call(
          kCollectorFunction,
          {{"COMPONENT", Caller::Pad("TOTAL", 40)}, {"PERIODTYPE", "W"}, {"PERIODSTRT", kDay}},
          {&none}, &raised),
      2);
  EXPECT_EQ(caller.Call(kCollectorFunction,
                        {{"COMPONENT", Caller::Pad("sapprd_PRD_00", 40)},
                         {"PERIODTYPE", "D"},
                         {"PERIODSTRT", kDay}},
                        {&none}, &raised),
            2);
  EXPECT_EQ(t.sim.ItFill(none.it), 0u);
  // The call is journaled with what was sent.
  auto calls = t.Journal("RfcCall");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back()["function"], kCollectorFunction);
  EXPECT_EQ(calls.back()["exporting"]["PERIODSTRT"], kDay);
}

TEST(CollectorTest, FaultsOfTheCollectorMayEndTheConnection) {
  for (bool close : {false, true}) {
    SCOPED_TRACE(close);
    SimulatedRun t(System("S4", "",
                          std::string(R"({"SWNC_COLLECTOR_GET_AGGREGATES": {"receive": 3,
          "exception": "RFC_NO_AUTHORITY", "close": )") +
                              (close ? "true" : "false") + "}}"));
    Caller caller(t);
    Caller::Table workload = caller.Make("USERWORKLOAD", "SWNCAGGUSERWORKLOAD",
                                         {{"TASKTYPE", kTypeByte, 1}, {"ACCOUNT", kTypeChar, 12}});
    std::string raised;
    EXPECT_EQ(caller.Collect({&workload}, &raised), 3);
    EXPECT_EQ(raised, "RFC_NO_AUTHORITY");
    EXPECT_EQ(t.sim.RfcCall(caller.handle, "RFC_SYSTEM_INFO", nullptr, nullptr), close ? 1 : 0);
  }
}

TEST(CollectorTest, DescriptionKeysAreChecked) {
  for (const char* extra :
       {R"(, "release": "700")", R"(, "collector_client_table": "TCDET")",
        R"(, "collector": {"20240306": [{"tasktype": "1"}]})",
        R"(, "collector": {"20240306": [{"steps": 1}]})", R"(, "collector": {"yesterday": []})"}) {
    SCOPED_TRACE(extra);
    SimulatedRun t(OneSystem("{}", extra));
    EXPECT_EQ(t.Logon().connection, 0u);
  }
  SimulatedRun t(OneSystem(R"({"X": {"close": 1}})"));
  EXPECT_EQ(t.Logon().connection, 0u);
}

}  // namespace

namespace {

TEST(CollectorTest, TodaysRatesAreScaledByTheTimeOfDayAndADatedEntryWins) {
  SimulatedSystem system;
  system.release = SapRelease::kS4;
  StatisticsRow rate;
  rate.client = "100";
  rate.integers[0] = 60;  // steps an hour
  rate.integers[1] = 60;
  rate.packed[0] = 3600;  // response time an hour
  system.statistics["today"] = {rate};
  LocalMoment twoHours{"20240305", "", 7200};
  std::vector<CollectorRow> rows;
  ASSERT_TRUE(CollectorRowsOfDay(system, "20240305", twoHours, &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].values[0], 120);
  EXPECT_EQ(rows[0].values[7], 7200 * 1000);
  // Another day has nothing; a dated entry of the day wins over "today".
  EXPECT_FALSE(CollectorRowsOfDay(system, "20240304", twoHours, &rows));
  system.statistics["20240305"] = {};
  ASSERT_TRUE(CollectorRowsOfDay(system, "20240305", twoHours, &rows));
  EXPECT_TRUE(rows.empty());
  // The collector's own rows come before the statistics.
  CollectorRow own;
  own.values[0] = 5;
  system.collector["20240305"] = {own};
  ASSERT_TRUE(CollectorRowsOfDay(system, "20240305", twoHours, &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].values[0], 5);
}

}  // namespace
