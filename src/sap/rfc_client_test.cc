// Both RFC clients against the typed interface, each over its stand-in:
// the same call gives the same rows, values and outcomes.

#include "sap/rfc_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "measure/day_statistics.h"
#include "sap/classic_rfc_client.h"
#include "sap/connection.h"
#include "sap/netweaver_rfc_client.h"
#include "sapsim/netweaver/nw_standin.h"
#include "testing/client_run.h"

namespace {

/// Statistics rows of the day 20240305: |count| rows of accounts U0, U1,
/// ..., with i steps in row i.
std::string Statistics(int count) {
  std::string rows;
  for (int i = 0; i < count; ++i)
    rows += std::string(i > 0 ? "," : "") + R"({"client": "100", "account": "U)" +
            std::to_string(i) + R"(", "steps": )" + std::to_string(i) + "}";
  return R"(, "statistics": {"20240305": [)" + rows + "]}";
}

/// The row type of STATISTIC with the data volumes read as numbers of two
/// decimals.
RowType WithTwoDecimals() {
  RowType type = DayStatistics::RowTypeOf();
  for (FieldDescription& field : type.fields)
    if (field.name == "S_DATA_VOL") field.decimals = 2;
  return type;
}

/// A call of the statistics for 20240305 with the table of |type|.
void PrepareStatistics(FunctionCall& call, const RowType& type) {
  static const RowType kRelation{
      "USRACCNTV", {CharField("MANDT", 3), CharField("BNAME", 12), CharField("ACCNT", 12)}};
  call.Send("CLIENT", AbapType::kChar, 3, "*");
  call.Send("CUMULATION_MODE", AbapType::kChar, 1, "U");
  call.Send("INSTANCE", AbapType::kChar, 39, "");
  call.Send("INSTID", AbapType::kChar, 8, "");
  call.Send("PERIODTYPE", AbapType::kChar, 1, "D");
  call.Send("STARTDATE", AbapType::kDate, 8, "20240305");
  call.AddTable("STATISTIC", type);
  call.AddTable("USER_ACCOUNT_RELATION", kRelation, false);
}

class RfcClientTest : public ::testing::TestWithParam<Library> {};

TEST_P(RfcClientTest, TablesOfNoneOneAndFiftyThousandRows) {
  for (int count : {0, 1, 50000}) {
    SCOPED_TRACE(count);
    ClientRun t(GetParam(), OneSystem("{}", Statistics(count)));
    RfcSession session = t.Session();
    ASSERT_NE(session.connection, 0u);
    FunctionCall call("SAPWL_ACCNT_GET_SYSTEM_USAGE");
    PrepareStatistics(call, DayStatistics::RowTypeOf());
    ASSERT_TRUE(session.Invoke(call).ok());
    const TableRows& rows = *call.Table("STATISTIC");
    ASSERT_EQ(rows.size(), static_cast<size_t>(count));
    EXPECT_EQ(call.Table("USER_ACCOUNT_RELATION")->size(), 0u);  // not read
    EXPECT_EQ(call.Table("OTHER"), nullptr);
    if (count > 0) {
      DayStatistics day(rows);
      size_t last = rows.size() - 1;
      EXPECT_EQ(day.Client(last), "100");
      std::string account = "U" + std::to_string(last);
      account.resize(12, ' ');
      EXPECT_EQ(day.Account(last), account);
      EXPECT_EQ(day.Counters(last)[UsageCounters::kSteps], last);
    }
    EXPECT_TRUE(call.Release().ok());
  }
}

TEST_P(RfcClientTest, PackedNumbersWithDecimalsAndFieldsByName) {
  ClientRun t(GetParam(), OneSystem("{}", R"(, "statistics": {"20240305": [
      {"client": "100", "account": "A", "steps": 1, "cpu_time": -100,
       "s_data_vol": "000000000001234D"}]})"));
  RfcSession session = t.Session();
  ASSERT_NE(session.connection, 0u);
  RowType type = WithTwoDecimals();
  FunctionCall call("SAPWL_ACCNT_GET_SYSTEM_USAGE");
  PrepareStatistics(call, type);
  Outcome outcome = session.Invoke(call);
  ASSERT_TRUE(outcome.ok()) << outcome.Message();
  const TableRows& rows = *call.Table("STATISTIC");
  // The classic library's record holds the digits, and the row type says
  // where the point goes. The NetWeaver library gives the number as the
  // system describes its field, here without decimals.
  EXPECT_EQ(rows.Packed(0, type.FieldIndex("S_DATA_VOL")).Text(),
            GetParam() == Library::kClassic ? "-12.34" : "-1234");
  Decimal cpu = rows.Packed(0, type.FieldIndex("CPU_TIME"));
  EXPECT_EQ(cpu.Text(), "-100");
  EXPECT_EQ(cpu.UnscaledModulo32(), 0u - 100u);
  EXPECT_EQ(rows.Packed(0, type.FieldIndex("S_DATA_VOL")).UnscaledModulo32(), 0u - 1234u);
  EXPECT_EQ(rows.Type().FieldIndex("NO_SUCH_FIELD"), -1);
}

TEST_P(RfcClientTest, AnAbapExceptionByItsName) {
  ClientRun t(GetParam(), OneSystem(R"({"SAPWL_ACCNT_GET_SYSTEM_USAGE": {"receive": 2,
                                                               "exception": "SYSTEM_BUSY"}})",
                                    Statistics(1)));
  RfcSession session = t.Session();
  FunctionCall call("SAPWL_ACCNT_GET_SYSTEM_USAGE");
  PrepareStatistics(call, DayStatistics::RowTypeOf());
  Outcome outcome = session.Invoke(call);
  EXPECT_EQ(outcome.code(), Status::Code::kException);
  EXPECT_TRUE(outcome.IsException("SYSTEM_BUSY"));
  EXPECT_EQ(outcome.Message(), "Error 1012: Exception.: SYSTEM_BUSY");
  EXPECT_FALSE(call.answered());
  // The tables went back to the library with the failed call.
  if (GetParam() == Library::kClassic) {
    EXPECT_EQ(t.sim.Journal("ItDelete").size(), 2u);
  }
}

TEST_P(RfcClientTest, ALostConnectionIsASystemFailureWithTheLibrarysTexts) {
  // The classic library reports a lost connection as a system exception;
  // the NetWeaver library as a communication failure.
  std::string fault =
      GetParam() == Library::kClassic
          ? R"({"GET_CPU_ALL": {"receive": 3, "exception": "RFC_ERROR_COMMUNICATION"},
               "last_error": {"key": "RFC_ERROR_COMMUNICATION", "status": "",
                              "message": "connection to partner broken", "internal_status": ""}})"
          : R"({"GET_CPU_ALL": {"receive": 1},
               "last_error": {"key": "RFC_ERROR_COMMUNICATION", "status": "",
                              "message": "connection to partner broken", "internal_status": ""}})";
  ClientRun t(GetParam(), OneSystem(fault));
  RfcSession session = t.Session();
  ASSERT_NE(session.connection, 0u);
  FunctionCall call("GET_CPU_ALL");
  call.Send("LOCAL_REMOTE", AbapType::kChar, 6, "LOCAL");
  call.Send("LOGICAL_DESTINATION", AbapType::kChar, 32, "");
  Outcome outcome = session.Invoke(call);
  EXPECT_EQ(outcome.code(), Status::Code::kCommunication);
  EXPECT_EQ(outcome.Message(), "Error 1013: Sys-Exception raised !");
  EXPECT_EQ(outcome.Texts().message, "connection to partner broken");
  EXPECT_EQ(outcome.ToStatus().code(), Status::Code::kCommunication);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, RfcClientTest,
                         ::testing::Values(Library::kClassic, Library::kNetWeaver),
                         [](const ::testing::TestParamInfo<Library>& info) {
                           return info.param == Library::kClassic ? "Classic" : "NetWeaver";
                         });

// A row type with a field the system does not have: the NetWeaver client
// looks each field up by name and fails the call naming it.
TEST(NetWeaverRfcClientRowsTest, AFieldTheSystemLacksFailsTheCall) {
  ClientRun t(Library::kNetWeaver, OneSystem("{}", Statistics(1)));
  RfcSession session = t.Session();
  RowType type = DayStatistics::RowTypeOf();
  type.fields.push_back(CharField("NO_SUCH_FIELD", 4));
  FunctionCall call("SAPWL_ACCNT_GET_SYSTEM_USAGE");
  PrepareStatistics(call, type);
  Outcome outcome = session.Invoke(call);
  EXPECT_EQ(outcome.Message(), "Error 1014: RFC-Failure raised !");
  EXPECT_NE(outcome.Texts().message.find("NO_SUCH_FIELD"), std::string::npos)
      << outcome.Texts().message;
}

}  // namespace
