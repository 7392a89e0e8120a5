// The NetWeaver stand-in's descriptions by name and its workload
// collector, through its C interface as a NetWeaver-library program uses
// it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sap/utf16_text.h"
#include "sapsim/collector.h"
#include "sapsim/netweaver/nw_standin.h"
#include "testing/simulated_run.h"

namespace {

constexpr char kStatistics[] = R"(,
    "statistics": {"20240305": [
      {"client": "100", "account": "DEMO", "steps": 10, "dsteps": 6, "bsteps": 4,
       "resp_time": 500, "cpu_time": 100, "a_db_time": 50, "s_db_time": 20}]})";

/// A logon to the stand-in in a run's directory.
struct NwSession {
  explicit NwSession(const SimulatedRun& run)
      : f((ResetNetWeaverStandIn(run.directory.path), NetWeaverStandInFunctions())),
        meta(NetWeaverStandInFurtherFunctions()) {
    std::vector<std::pair<std::u16string, std::u16string>> values = {
        {u"ashost", u"sapprd"}, {u"sysnr", u"00"},      {u"client", u"100"},
        {u"user", u"ABC"},      {u"passwd", u"secret"}, {u"lang", u"E"}};
    std::vector<NwConnectionParameter> parameters;
    for (const auto& [name, value] : values) parameters.push_back({name.c_str(), value.c_str()});
    connection =
        f.RfcOpenConnection(parameters.data(), static_cast<unsigned>(parameters.size()), &error);
  }
  ~NwSession() {
    if (connection != nullptr) f.RfcCloseConnection(connection, &error);
  }
  NwFunctionDescHandle Describe(const std::string& name) {
    return f.RfcGetFunctionDesc(connection, Utf16FromCodePage(name).c_str(), &error);
  }
  std::string Text(NwDataHandle data, const char16_t* name) {
    NwChar buffer[64];
    unsigned length = 0;
    if (f.RfcGetString(data, name, buffer, 64, &length, &error) != kNwOk) return "?";
    return CodePageFromUtf16(std::u16string_view(buffer, length));
  }

  NwRfcFunctions f;
  NwFurtherFunctions meta;
  NwErrorInfo error{};
  NwConnectionHandle connection = nullptr;
};

TEST(NetWeaverCollectorTest, AMissingModuleIsTheMetadataLookupsAbapException) {
  struct Case {
    const char* release;
    const char* missing;
  } cases[] = {{"46C", kCollectorFunction}, {"S4", kUsageFunction}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.release);
    SimulatedRun run(OneSystem("{}", std::string(R"(, "release": ")") + c.release + "\""));
    NwSession nw(run);
    ASSERT_NE(nw.connection, nullptr);
    EXPECT_EQ(nw.Describe(c.missing), nullptr);
    EXPECT_EQ(nw.error.code, kNwAbapException);
    EXPECT_EQ(nw.error.group, kNwGroupAbapApplicationFailure);
    EXPECT_EQ(std::u16string_view(nw.error.key), u"FU_NOT_FOUND");
    EXPECT_EQ(CodePageFromUtf16(nw.error.message),
              std::string("ID:FL Type:E Number:046 ") + c.missing);
    auto lookups = run.Journal("RfcGetFunctionDesc");
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0]["function"], c.missing);
    // The connection stays open: the next lookup answers.
    EXPECT_NE(nw.Describe("RFC_SYSTEM_INFO"), nullptr);
  }
}

TEST(NetWeaverCollectorTest, RowTypesDescribeTheClientWhereTheSystemKeepsItInBothLayouts) {
  for (const char* table : {"USERWORKLOAD", "USERTCODE", "none"}) {
    SCOPED_TRACE(table);
    SimulatedRun run(OneSystem(
        "{}", std::string(R"(, "release": "750", "collector_client_table": ")") + table + "\""));
    NwSession nw(run);
    for (const char* rowType : {"SWNCAGGUSERWORKLOAD", "SWNCAGGUSERTCODE"}) {
      NwTypeDescHandle type =
          nw.meta.RfcGetTypeDesc(nw.connection, Utf16FromCodePage(rowType).c_str(), &nw.error);
      ASSERT_NE(type, nullptr);
      unsigned count = 0;
      ASSERT_EQ(nw.meta.RfcGetFieldCount(type, &count, &nw.error), kNwOk);
      bool client = false;
      NwFieldDesc field{};
      for (unsigned i = 0; i < count; ++i) {
        ASSERT_EQ(nw.meta.RfcGetFieldDescByIndex(type, i, &field, &nw.error), kNwOk);
        if (std::u16string_view(field.name) == u"MANDT") {
          client = true;
          EXPECT_EQ(field.nucLength, 3u);
          EXPECT_EQ(field.ucLength, 6u);
          EXPECT_EQ(field.ucOffset, 26u);  // after TASKTYPE (1) and ACCOUNT at 2 (24)
          EXPECT_EQ(field.nucOffset, 13u);
        }
        if (std::u16string_view(field.name) == u"COUNT") {
          EXPECT_EQ(field.type, kNwTypeBcd);
          EXPECT_EQ(field.nucLength, 13u);
          EXPECT_EQ(field.ucLength, 13u);
        }
      }
      std::string t = table, r = rowType;
      bool expected = (t == "USERWORKLOAD" && r == "SWNCAGGUSERWORKLOAD") ||
                      (t == "USERTCODE" && r == "SWNCAGGUSERTCODE");
      EXPECT_EQ(client, expected) << rowType;
      unsigned nuc = 0, uc = 0;
      ASSERT_EQ(nw.meta.RfcGetTypeLength(type, &nuc, &uc, &nw.error), kNwOk);
      EXPECT_GT(uc, nuc);
    }
  }
  // No collector on 4.6C, so neither its row types.
  SimulatedRun old(OneSystem());
  NwSession nw(old);
  EXPECT_EQ(nw.meta.RfcGetTypeDesc(nw.connection, u"SWNCAGGUSERTCODE", &nw.error), nullptr);
  EXPECT_EQ(nw.error.code, kNwNotFound);
}

TEST(NetWeaverCollectorTest, InvokeGivesTheDayAggregateByName) {
  SimulatedRun run(OneSystem("{}", std::string(R"(, "release": "S4")") + kStatistics));
  NwSession nw(run);
  NwFunctionDescHandle desc = nw.Describe(kCollectorFunction);
  ASSERT_NE(desc, nullptr);
  unsigned parameters = 0;
  ASSERT_EQ(nw.meta.RfcGetParameterCount(desc, &parameters, &nw.error), kNwOk);
  EXPECT_EQ(parameters, 8u);  // six importing, two tables
  NwParameterDesc factor{};
  ASSERT_EQ(nw.f.RfcGetParameterDescByName(desc, u"FACTOR", &factor, &nw.error), kNwOk);
  EXPECT_EQ(factor.optional, 1);

  NwDataHandle function = nw.f.RfcCreateFunction(desc, &nw.error);
  // Only the table needed, and the times in milliseconds.
  ASSERT_EQ(nw.meta.RfcSetParameterActive(function, u"USERTCODE", 0, &nw.error), kNwOk);
  ASSERT_EQ(nw.meta.RfcSetInt(function, u"FACTOR", 1000, &nw.error), kNwOk);
  EXPECT_EQ(nw.meta.RfcSetInt(function, u"PERIODTYPE", 1, &nw.error), kNwConversionFailure);
  ASSERT_EQ(nw.f.RfcSetChars(function, u"COMPONENT", u"TOTAL", 5, &nw.error), kNwOk);
  ASSERT_EQ(nw.f.RfcSetChars(function, u"PERIODTYPE", u"D", 1, &nw.error), kNwOk);
  ASSERT_EQ(nw.f.RfcSetChars(function, u"PERIODSTRT", u"20240305", 8, &nw.error), kNwOk);
  ASSERT_EQ(nw.f.RfcInvoke(nw.connection, function, &nw.error), kNwOk);
  NwDataHandle table = nullptr;
  ASSERT_EQ(nw.f.RfcGetTable(function, u"USERWORKLOAD", &table, &nw.error), kNwOk);
  unsigned rows = 0;
  ASSERT_EQ(nw.f.RfcGetRowCount(table, &rows, &nw.error), kNwOk);
  ASSERT_EQ(rows, 2u);
  std::string seen;
  for (unsigned i = 0; i < rows; ++i) {
    ASSERT_EQ(nw.f.RfcMoveTo(table, i, &nw.error), kNwOk);
    NwDataHandle row = nw.f.RfcGetCurrentRow(table, &nw.error);
    std::uint8_t tasktype = 0;
    ASSERT_EQ(nw.f.RfcGetBytes(row, u"TASKTYPE", &tasktype, 1, &nw.error), kNwOk);
    NwChar client[3];
    ASSERT_EQ(nw.f.RfcGetChars(row, u"MANDT", client, 3, &nw.error), kNwOk);
    seen += std::to_string(tasktype) + ":" + CodePageFromUtf16(std::u16string_view(client, 3)) +
            ":" + nw.Text(row, u"COUNT") + ":" + nw.Text(row, u"RESPTI") + ";";
  }
  // Six dialog steps and four batch steps; the times on the dialog row.
  EXPECT_EQ(seen, "1:100:6:500;4:100:4:0;");
  NwDataHandle inactive = nullptr;
  ASSERT_EQ(nw.f.RfcGetTable(function, u"USERTCODE", &inactive, &nw.error), kNwOk);
  ASSERT_EQ(nw.f.RfcGetRowCount(inactive, &rows, &nw.error), kNwOk);
  EXPECT_EQ(rows, 0u);
  EXPECT_EQ(run.Journal("ItCreate").size(), 1u);  // USERTCODE was not sent
  auto calls = run.Journal("RfcCall");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["function"], kCollectorFunction);
  nw.f.RfcDestroyFunction(function, &nw.error);

  // The accounting interface of a 7.50 system finds no data.
  SimulatedRun newer(OneSystem("{}", std::string(R"(, "release": "750")") + kStatistics));
  NwSession nw750(newer);
  NwFunctionDescHandle usage = nw750.Describe(kUsageFunction);
  ASSERT_NE(usage, nullptr);
  NwDataHandle call = nw750.f.RfcCreateFunction(usage, &nw750.error);
  nw750.f.RfcSetChars(call, u"STARTDATE", u"20240305", 8, &nw750.error);
  EXPECT_EQ(nw750.f.RfcInvoke(nw750.connection, call, &nw750.error), kNwAbapException);
  EXPECT_EQ(std::u16string_view(nw750.error.key), u"NO_DATA_FOUND");
  nw750.f.RfcDestroyFunction(call, &nw750.error);
}

}  // namespace
