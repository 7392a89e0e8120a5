// The NetWeaver client over the simulated system's NetWeaver interface:
// the sensor's own calls must give the same values as through the classic
// interface, and bad descriptions must end in a failed call with the
// library's texts.

#include "sap/netweaver_rfc_client.h"

#include <gtest/gtest.h>

#include <memory>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "measure/day_statistics.h"
#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "sap/connection.h"
#include "sapsim/netweaver/nw_standin.h"
#include "testing/simulated_run.h"

namespace {

constexpr const char kStatistics[] = R"(, "clock": "Tue Mar  5 14:07:09 2024",
    "rfchost": "prdci01", "sysid": "PRD",
    "statistics": {"20240305": [
      {"client": "100", "account": "MONITOR", "steps": 10, "dsteps": 8, "bsteps": 2,
       "resp_time": 500, "cpu_time": -100, "s_data_vol": "000000000001234D"},
      {"client": "200", "account": "BATCH", "steps": 2147483647, "bsteps": -5}]})";

/// A logon through the NetWeaver client over the stand-in, in the same
/// directory as a classic run over the simulated system.
struct NetWeaverRun {
  explicit NetWeaverRun(const SimulatedRun& classic, const NwRfcFunctions& functions)
      : client((ResetNetWeaverStandIn(classic.directory.path),
                MakeNetWeaverRfcClient(functions, classic.directory.path))),
        disk(*classic.disk),
        profile(classic.run.systemProfile) {}

  /// Logs on with the profile; the session of the connection.
  RfcSession Logon() {
    ConnectionId handle = OpenConnection(*client, disk, console, true, profile, {}, &sysnr).handle;
    return RfcSession{*client, handle};
  }

  CapturedConsole console;
  std::unique_ptr<RfcClient> client;
  FileSystem& disk;
  SystemProfile profile;
  int sysnr = 0;
};

/// The statistic rows of the day |date| as the sensor reads them: one
/// line a row, each field typed.
std::string StatisticText(RfcSession& session, const std::string& date, Outcome* outcome) {
  std::string text;
  StatisticsFetch fetch = FetchDayStatistics(session, date, [&](const DayStatistics& day) {
    for (size_t row = 0; row < day.size(); ++row) {
      text += std::string(day.Client(row)) + "|" + std::string(day.Account(row));
      for (std::uint32_t counter : day.Counters(row).value) text += "|" + std::to_string(counter);
      text += "\n";
    }
    return Outcome::Ok();
  });
  *outcome = fetch.noData ? Outcome::Exception("NO_DATA_FOUND") : fetch.outcome;
  return text;
}

TEST(NetWeaverRfcClientTest, AnswersEqualThoseOfTheClassicInterface) {
  SimulatedRun classic(OneSystem("{}", kStatistics));
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  RfcSession sessions[] = {classic.Logon(), nw.Logon()};
  for (RfcSession& session : sessions) {
    ASSERT_NE(session.connection, 0u);
    ServerClock clock;
    ASSERT_TRUE(QueryServerClock(session, &clock).ok());
    EXPECT_EQ(clock.date, "20240305");
    EXPECT_EQ(clock.time, "14:07:09");
    std::string hostLabel;
    ASSERT_TRUE(QuerySystemInfo(session, &hostLabel).ok());
    EXPECT_EQ(hostLabel, "prdci01 ");
  }
  Outcome classicOutcome = Outcome::Ok(), nwOutcome = Outcome::Ok();
  std::string classicRows = StatisticText(sessions[0], "20240305", &classicOutcome);
  std::string nwRows = StatisticText(sessions[1], "20240305", &nwOutcome);
  EXPECT_TRUE(classicOutcome.ok());
  EXPECT_TRUE(nwOutcome.ok());
  ASSERT_EQ(std::count(classicRows.begin(), classicRows.end(), '\n'), 2);
  EXPECT_EQ(nwRows, classicRows);

  // A day without statistics: the exception and its name, as classic.
  StatisticText(sessions[0], "20240306", &classicOutcome);
  StatisticText(sessions[1], "20240306", &nwOutcome);
  EXPECT_TRUE(classicOutcome.IsException("NO_DATA_FOUND"));
  EXPECT_TRUE(nwOutcome.IsException("NO_DATA_FOUND"));
  // The client writes nothing into the library's trace file.
  EXPECT_FALSE(std::filesystem::exists(classic.directory.File("dev_rfc.trc")));
}

TEST(NetWeaverRfcClientTest, LogonFailuresAndR2) {
  SimulatedRun classic;
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  nw.profile.password = "wrong";
  EXPECT_EQ(nw.Logon().connection, 0u);
  // The journal shows which logon data went to which host.
  nlohmann::json open = classic.Journal("OpenDestination").back();
  EXPECT_EQ(open["destination"]["ASHOST"], "sapprd");
  EXPECT_EQ(open["client"], "100");
  EXPECT_EQ(open["user"], "ABC");
  EXPECT_EQ(open["password"], "wrong");
  EXPECT_EQ(open["language"], "E");
  LibraryTexts error = nw.client->LastError();
  EXPECT_EQ(error.key, "RFC_ERROR_LOGON_FAILURE");
  EXPECT_EQ(error.status, "RFC_LOGON_FAILURE");

  nw.profile.password = "secret";
  nw.profile.mode = "R/2";
  EXPECT_EQ(nw.Logon().connection, 0u);
  EXPECT_NE(nw.client->LastError().message.find("R/2"), std::string::npos);
}

TEST(NetWeaverRfcClientTest, DestinationsComeFromSapRfcIni) {
  SimulatedRun classic;
  classic.directory.Write("SapRfc.ini",
                          "DEST=QAS\r\nTYPE=A\r\nASHOST=other\r\nSYSNR=00\r\n"
                          "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd\r\nSYSNR=00\r\n");
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  DestinationLogon logon{"PRD", "100", "ABC", "secret", "D"};
  EXPECT_NE(nw.client->OpenDestination(logon), 0u);
  logon.destination = "QAS";
  EXPECT_EQ(nw.client->OpenDestination(logon), 0u);
  EXPECT_EQ(nw.client->LastError().key, "RFC_ERROR_COMMUNICATION");
  logon.destination = "DEV";
  EXPECT_EQ(nw.client->OpenDestination(logon), 0u);
  EXPECT_NE(nw.client->LastError().message.find("DEV"), std::string::npos);
}

// Fakes for the bad-description cases: the C interface has no context
// argument, so they forward to the stand-in through its plain functions.
NwFunctionDescHandle NWRFC_CALL WithheldDescription(NwConnectionHandle, const NwChar*,
                                                    NwErrorInfo* error) {
  std::memset(error, 0, sizeof *error);
  error->code = kNwNotFound;
  std::u16string key = u"FU_NOT_FOUND";
  std::memcpy(error->key, key.data(), key.size() * sizeof(NwChar));
  return nullptr;
}

NwRc NWRFC_CALL FieldOfAnotherType(NwTypeDescHandle type, const NwChar* name, NwFieldDesc* out,
                                   NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetFieldDescByName(type, name, out, error);
  if (rc == kNwOk && std::u16string_view(out->name) == u"RFCHOST") out->type = kNwTypeInt;
  return rc;
}

NwRc NWRFC_CALL LongParameters(NwFunctionDescHandle desc, const NwChar* name, NwParameterDesc* out,
                               NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetParameterDescByName(desc, name, out, error);
  if (rc == kNwOk && out->type == kNwTypeChar) out->nucLength += 100;
  return rc;
}

NwRc NWRFC_CALL ShortParameters(NwFunctionDescHandle desc, const NwChar* name, NwParameterDesc* out,
                                NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetParameterDescByName(desc, name, out, error);
  if (rc == kNwOk && out->type == kNwTypeChar) out->nucLength = 2;
  return rc;
}

// S_DATA_VOL described with two decimals: the library gives its text with
// a decimal point.
NwRc NWRFC_CALL TwoDecimalsField(NwTypeDescHandle type, const NwChar* name, NwFieldDesc* out,
                                 NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetFieldDescByName(type, name, out, error);
  if (rc == kNwOk && std::u16string_view(out->name) == u"S_DATA_VOL") out->decimals = 2;
  return rc;
}

NwRc NWRFC_CALL TextWithTwoDecimals(NwDataHandle data, const NwChar* name, NwChar* buffer,
                                    unsigned bufferLength, unsigned* length, NwErrorInfo* error) {
  NwRc rc =
      NetWeaverStandInFunctions().RfcGetString(data, name, buffer, bufferLength, length, error);
  if (rc != kNwOk || std::u16string_view(name) != u"S_DATA_VOL") return rc;
  std::u16string text(buffer, *length);
  while (text.size() < 3 || text.size() - (text[0] == u'-') < 3) text.insert(text[0] == u'-', u"0");
  text.insert(text.size() - 2, u".");
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  *length = static_cast<unsigned>(text.size());
  return rc;
}

TEST(NetWeaverRfcClientTest, PackedFieldsTakeTheDecimalsOfTheirDescription) {
  SimulatedRun classic(OneSystem("{}", kStatistics));
  NwRfcFunctions f = NetWeaverStandInFunctions();
  f.RfcGetFieldDescByName = &TwoDecimalsField;
  f.RfcGetString = &TextWithTwoDecimals;
  NetWeaverRun nw(classic, f);
  RfcSession session = nw.Logon();
  ASSERT_NE(session.connection, 0u);
  RfcSession plain = classic.Logon();
  Outcome outcome = Outcome::Ok(), plainOutcome = Outcome::Ok();
  std::string rows = StatisticText(session, "20240305", &outcome);
  ASSERT_TRUE(outcome.ok()) << outcome.Message();
  // "-12.34" of two decimals is the packed -1234 of the system's field.
  EXPECT_EQ(rows, StatisticText(plain, "20240305", &plainOutcome));
}

TEST(NetWeaverRfcClientTest, BadDescriptionsFailThroughTheErrorPath) {
  SimulatedRun classic(OneSystem("{}", kStatistics));
  // A logon through the stand-in with one of its functions replaced.
  auto logOnWith = [&](auto replace) {
    NwRfcFunctions f = NetWeaverStandInFunctions();
    replace(f);
    return std::make_unique<NetWeaverRun>(classic, f);
  };
  std::string hostLabel;
  {
    auto nw = logOnWith([](NwRfcFunctions& f) { f.RfcGetFunctionDesc = &WithheldDescription; });
    RfcSession session = nw->Logon();
    ASSERT_NE(session.connection, 0u);
    Outcome outcome = QuerySystemInfo(session, &hostLabel);
    EXPECT_EQ(outcome.Message(), "Error 1014: RFC-Failure raised !");
    EXPECT_TRUE(outcome.IsFunctionNotFound());
    EXPECT_EQ(outcome.Texts().key, "FU_NOT_FOUND");
    EXPECT_EQ(outcome.Texts().status, "RFC_NOT_FOUND");
  }
  {
    auto nw = logOnWith([](NwRfcFunctions& f) { f.RfcGetFieldDescByName = &FieldOfAnotherType; });
    RfcSession session = nw->Logon();
    ASSERT_NE(session.connection, 0u);
    Outcome outcome = QuerySystemInfo(session, &hostLabel);
    EXPECT_EQ(outcome.Message(), "Error 1014: RFC-Failure raised !");
    EXPECT_NE(outcome.Texts().message.find("RFCHOST"), std::string::npos);
    EXPECT_EQ(nw->client->LastError().message, outcome.Texts().message);
  }
  ServerClock clock;
  {
    // Longer fields in the system than in the sensor's records: values are
    // cut to the records, never written past them.
    auto nw = logOnWith([](NwRfcFunctions& f) { f.RfcGetParameterDescByName = &LongParameters; });
    RfcSession session = nw->Logon();
    ASSERT_NE(session.connection, 0u);
    EXPECT_TRUE(QueryServerClock(session, &clock).ok());
    EXPECT_EQ(clock.date, "20240305");
  }
  {
    // Shorter fields in the system: the values sent are cut to them.
    auto nw = logOnWith([](NwRfcFunctions& f) { f.RfcGetParameterDescByName = &ShortParameters; });
    RfcSession session = nw->Logon();
    ASSERT_NE(session.connection, 0u);
    EXPECT_TRUE(QueryServerClock(session, &clock).ok());
    std::vector<nlohmann::json> calls = classic.Journal("RfcCall");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back()["exporting"]["LOCAL_REMOTE"], "LO    ");
  }
}

TEST(NetWeaverRfcClientTest, CallsOnNoConnection) {
  SimulatedRun classic;
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  FunctionCall call("RFC_SYSTEM_INFO");
  Outcome outcome = nw.client->Invoke(99, call);
  EXPECT_EQ(outcome.Message(), "Error 1014: RFC-Failure raised !");
  EXPECT_EQ(outcome.Texts().key, "RFC_ERROR_PROGRAM");
  EXPECT_FALSE(call.answered());
}

// A call that hangs on one thread is cancelled from another: it returns
// failed, the journal shows the cancel, and a second cancel finds nothing
// running.
TEST(NetWeaverRfcClientTest, CancelEndsACallThatHangs) {
  SimulatedRun classic(OneSystem(R"({"hang": "RFC_SYSTEM_INFO"})"));
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  RfcSession session = nw.Logon();
  ASSERT_NE(session.connection, 0u);
  Outcome outcome = Outcome::Ok();
  std::thread caller([&] {
    std::string hostLabel;
    outcome = QuerySystemInfo(session, &hostLabel);
  });
  // The call is under way once the system has journaled it.
  while (classic.Journal("RfcCall").empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  nw.client->CancelRunningCalls();
  caller.join();
  EXPECT_FALSE(outcome.ok());
  EXPECT_EQ(outcome.Texts().status, "RFC_CANCELED");
  std::vector<nlohmann::json> cancels = classic.Journal("RfcCancel");
  ASSERT_EQ(cancels.size(), 1u);
  EXPECT_EQ(cancels[0]["function"], "RFC_SYSTEM_INFO");

  nw.client->CancelRunningCalls();
  EXPECT_EQ(classic.Journal("RfcCancel").size(), 1u);
  nw.client->Close(session.connection);
}

}  // namespace
