// The NetWeaver adapter over the simulated system's NetWeaver interface:
// the sensor's own calls must give the same records as through the classic
// interface, and bad descriptions must end in the RFC error path.

#include "sap/netweaver_rfc_library.h"

#include <gtest/gtest.h>

#include <cstring>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/system_usage_call.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"
#include "sap/structure_descriptors.h"
#include "sapsim/netweaver/nw_standin.h"

namespace {

constexpr const char kStatistics[] = R"(, "clock": "Tue Mar  5 14:07:09 2024",
    "rfchost": "prdci01", "sysid": "PRD",
    "statistics": {"20240305": [
      {"client": "100", "account": "MONITOR", "steps": 10, "dsteps": 8, "bsteps": 2,
       "resp_time": 500, "cpu_time": -100, "s_data_vol": "000000000001234D"},
      {"client": "200", "account": "BATCH", "steps": 2147483647, "bsteps": -5}]})";

/// A run whose RFC library is the NetWeaver adapter over the stand-in, in
/// the same directory as a classic run over the simulated system.
struct NetWeaverRun {
  explicit NetWeaverRun(const SimulatedRun& classic, const NwRfcFunctions& functions)
      : library((ResetNetWeaverStandIn(classic.directory.path), functions),
                classic.directory.path),
        run(*classic.disk, clock, console, library) {
    run.systemProfile = classic.run.systemProfile;
  }
  FixedClock clock{"12:34:56"};
  CapturedConsole console;
  NetWeaverRfcLibrary library;
  ::Run run;
};

/// The statistic rows of a run, as the sensor reads them.
std::string StatisticBytes(::Run& run, int* result, std::string* exception) {
  ItHandle statistic = run.rfc.ItCreate("STATISTIC", kStatisticRowLength, 0, 0);
  ItHandle relation = run.rfc.ItCreate("USER_ACCOUNT_RELATION", kUserAccountRowLength, 0, 0);
  *result = CallSystemUsage(run, statistic, relation, exception);
  std::string bytes;
  for (unsigned i = 1; i <= run.rfc.ItFill(statistic); ++i)
    bytes.append(static_cast<const char*>(run.rfc.ItGetLine(statistic, i)),
                 kStatisticRowLength);
  run.rfc.ItDelete(statistic);
  run.rfc.ItDelete(relation);
  return bytes;
}

TEST(NetWeaverRfcLibraryTest, AnswersEqualThoseOfTheClassicInterface) {
  SimulatedRun classic(OneSystem("{}", kStatistics));
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  for (::Run* run : {&classic.run, &nw.run}) {
    ASSERT_NE(OpenConnection(*run), 0u);
    ASSERT_EQ(QueryServerClock(*run), 0);
    EXPECT_EQ(run->serverDate, "20240305");
    EXPECT_EQ(run->serverTime, "14:07:09");
    ASSERT_EQ(QuerySystemInfo(*run), 0);
    EXPECT_EQ(run->systemProfile.hostLabel, "prdci01 ");
  }
  int classicResult = -1, nwResult = -1;
  std::string classicException, nwException;
  std::string classicRows = StatisticBytes(classic.run, &classicResult, &classicException);
  std::string nwRows = StatisticBytes(nw.run, &nwResult, &nwException);
  EXPECT_EQ(nwResult, classicResult);
  ASSERT_EQ(classicRows.size(), 2 * kStatisticRowLength);
  EXPECT_EQ(nwRows, classicRows);  // packed fields re-encoded byte for byte

  // A day without statistics: the exception and its name, as classic.
  classic.run.serverDate = nw.run.serverDate = "20240306";
  StatisticBytes(classic.run, &classicResult, &classicException);
  StatisticBytes(nw.run, &nwResult, &nwException);
  EXPECT_EQ(nwResult, 2);
  EXPECT_EQ(nwException, classicException);
  EXPECT_EQ(nwException, "NO_DATA_FOUND");
  // The failure is in the trace file, where the sensor's check finds it.
  EXPECT_NE(classic.directory.Read("Dev_Rfc.Trc").find("ERROR NWRFC NO_DATA_FOUND"),
            std::string::npos);
}

TEST(NetWeaverRfcLibraryTest, LogonFailuresAndR2) {
  SimulatedRun classic;
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  nw.run.systemProfile.password = "wrong";
  EXPECT_EQ(OpenConnection(nw.run), 0u);
  RfcErrorInfo error;
  nw.library.RfcLastError(&error);
  EXPECT_STREQ(error.key, "RFC_ERROR_LOGON_FAILURE");
  EXPECT_STREQ(error.status, "RFC_LOGON_FAILURE");

  nw.run.systemProfile.password = "secret";
  nw.run.systemProfile.mode = "R/2";
  EXPECT_EQ(OpenConnection(nw.run), 0u);
  nw.library.RfcLastError(&error);
  EXPECT_NE(std::string(error.message).find("R/2"), std::string::npos);
}

TEST(NetWeaverRfcLibraryTest, OpenExTakesTheDestinationFromSapRfcIni) {
  SimulatedRun classic;
  classic.directory.Write("SapRfc.ini", "DEST=QAS\r\nTYPE=A\r\nASHOST=other\r\nSYSNR=00\r\n"
                                        "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd\r\nSYSNR=00\r\n");
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  RfcErrorInfo error;
  EXPECT_NE(nw.library.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=secret LANG=D DEST=PRD", &error),
            0u);
  EXPECT_EQ(nw.library.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=secret LANG=D DEST=QAS", &error),
            0u);
  EXPECT_STREQ(error.key, "RFC_ERROR_COMMUNICATION");
  EXPECT_EQ(nw.library.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=secret LANG=D DEST=DEV", &error),
            0u);
  EXPECT_NE(std::string(error.message).find("DEV"), std::string::npos);
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

NwRc NWRFC_CALL FieldOfAnotherType(NwTypeDescHandle type, const NwChar* name,
                                   NwFieldDesc* out, NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetFieldDescByName(type, name, out, error);
  if (rc == kNwOk && std::u16string_view(out->name) == u"RFCHOST") out->type = kNwTypeInt;
  return rc;
}

NwRc NWRFC_CALL LongParameters(NwFunctionDescHandle desc, const NwChar* name,
                               NwParameterDesc* out, NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetParameterDescByName(desc, name, out, error);
  if (rc == kNwOk && out->type == kNwTypeChar) out->nucLength += 100;
  return rc;
}

NwRc NWRFC_CALL ShortParameters(NwFunctionDescHandle desc, const NwChar* name,
                                NwParameterDesc* out, NwErrorInfo* error) {
  NwRc rc = NetWeaverStandInFunctions().RfcGetParameterDescByName(desc, name, out, error);
  if (rc == kNwOk && out->type == kNwTypeChar) out->nucLength = 2;
  return rc;
}

TEST(NetWeaverRfcLibraryTest, BadDescriptionsFailThroughTheErrorPath) {
  SimulatedRun classic(OneSystem("{}", kStatistics));
  {
    NwRfcFunctions f = NetWeaverStandInFunctions();
    f.RfcGetFunctionDesc = &WithheldDescription;
    NetWeaverRun nw(classic, f);
    ASSERT_NE(OpenConnection(nw.run), 0u);
    EXPECT_EQ(QuerySystemInfo(nw.run), 1);  // not sent
    RfcErrorInfo error;
    nw.library.RfcLastError(&error);
    EXPECT_STREQ(error.key, "FU_NOT_FOUND");
    EXPECT_STREQ(error.status, "RFC_NOT_FOUND");
  }
  {
    NwRfcFunctions f = NetWeaverStandInFunctions();
    f.RfcGetFieldDescByName = &FieldOfAnotherType;
    NetWeaverRun nw(classic, f);
    ASSERT_NE(OpenConnection(nw.run), 0u);
    EXPECT_EQ(QuerySystemInfo(nw.run), 1);
    RfcErrorInfo error;
    nw.library.RfcLastError(&error);
    EXPECT_NE(std::string(error.message).find("RFCHOST"), std::string::npos);
  }
  {
    // Longer fields in the system than in the sensor's records: values are
    // cut to the records, never written past them.
    NwRfcFunctions f = NetWeaverStandInFunctions();
    f.RfcGetParameterDescByName = &LongParameters;
    NetWeaverRun nw(classic, f);
    ASSERT_NE(OpenConnection(nw.run), 0u);
    EXPECT_EQ(QueryServerClock(nw.run), 0);
    EXPECT_EQ(nw.run.serverDate, "20240305");
  }
  {
    // Shorter fields in the system: the values sent are cut to them.
    NwRfcFunctions f = NetWeaverStandInFunctions();
    f.RfcGetParameterDescByName = &ShortParameters;
    NetWeaverRun nw(classic, f);
    ASSERT_NE(OpenConnection(nw.run), 0u);
    EXPECT_EQ(QueryServerClock(nw.run), 0);
    std::vector<nlohmann::json> calls = classic.Journal("RfcCall");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back()["exporting"]["LOCAL_REMOTE"], "LO    ");
  }
}

TEST(NetWeaverRfcLibraryTest, StrayCallsAndTables) {
  SimulatedRun classic;
  NetWeaverRun nw(classic, NetWeaverStandInFunctions());
  RfcLibrary& rfc = nw.library;
  char* exception = nullptr;
  EXPECT_EQ(rfc.RfcReceive(1, nullptr, nullptr, &exception), 1);  // nothing sent
  EXPECT_EQ(rfc.RfcCall(99, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
  FieldDescriptor bad[] = {{"X", 5, 4, 0, 0}};  // a table type is no field
  RfcType handle = 0;
  EXPECT_EQ(rfc.RfcInstallStructure("BAD", bad, 1, &handle), 1);

  ItHandle table = rfc.ItCreate("T", 10, 0, 0);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(rfc.ItFill(table), 0u);
  EXPECT_EQ(rfc.ItGetLine(table, 1), nullptr);
  EXPECT_EQ(rfc.ItDelete(table), 0);
  EXPECT_EQ(rfc.ItDelete(table), 1);
}

}  // namespace
