#include "sapsim/simulated_sap.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

#include <gtest/gtest.h>

#include "sapsim/local_time.h"
#include "sapsim/sim_test_support.h"

using namespace simtest;
using nlohmann::json;

namespace {

class SimSapLogon : public SimFixture {};

TEST_F(SimSapLogon, ChecksHostSystemNumberAndLogonData) {
  Describe(System());
  EXPECT_NE(0u, Open());
  EXPECT_NE(0u, Open("PRDCI01"));                              // host case ignored
  EXPECT_NE(0u, Open("prdci01", 0, "monitor", "secret"));      // user case, no padding
  EXPECT_EQ(0u, Open("prdci02"));
  EXPECT_EQ(0u, Open("prdci01", 1));                           // other system number
  EXPECT_EQ(0u, Open("prdci01", 0, "MONITOR", "SECRET"));      // password case counts
  EXPECT_EQ(0u, Open("prdci01", 0, "MONITOR", " secret"));     // leading blanks count
  EXPECT_EQ(0u, Open("prdci01", 0, "MONITOR", "secret", "200"));
  EXPECT_EQ(0u, Open("prdci01", 0, "MONITOR", nullptr));
  EXPECT_EQ(0u, Open(nullptr));
  RfcErrorInfo error;
  sap->RfcLastError(&error);
  EXPECT_STREQ("RFC_ERROR_COMMUNICATION", error.key);
}

TEST_F(SimSapLogon, HandlesAreDistinctAndCloseZeroClosesAll) {
  Describe(System());
  RfcHandle a = Open(), b = Open();
  EXPECT_NE(0u, a);
  EXPECT_NE(a, b);
  sap->RfcClose(a);
  ItHandle t;
  std::string exception;
  EXPECT_EQ(1, CallUsage(a, "20240305", &t, &exception));  // closed
  sap->RfcClose(0);
  EXPECT_EQ(1, CallUsage(b, "20240305", &t, &exception));
}

TEST_F(SimSapLogon, MissingOrInvalidDescriptionRefusesEveryLogon) {
  EXPECT_EQ(0u, Open());
  WriteFile(dir.File("SapSim.json"), "{\"systems\": [");
  EXPECT_EQ(0u, Open());
  RfcErrorInfo error;
  sap->RfcLastError(&error);
  EXPECT_NE(std::string(error.message).find("SapSim.json"), std::string::npos);
  Describe(System());  // read again at the next logon
  EXPECT_NE(0u, Open());
}

TEST_F(SimSapLogon, R2LogonGoesByGatewayHost) {
  Describe(System() + R"(, {"mode": "R/2", "gwhost": "gw01", "rfchost": "r2host",
      "logon": {"client": "001", "user": "R2USER", "password": "pw"}})");
  RfcConnectR2 r2{"gw01", "sapgw00"};
  RfcOptions options{"R2S", 1, &r2, "001", "R2USER      ", "pw        ", "D", 0};
  EXPECT_NE(0u, sap->RfcOpen(options));
  RfcConnectR2 other{"prdci01", nullptr};  // an R/3 host is no gateway
  options.connopt = &other;
  EXPECT_EQ(0u, sap->RfcOpen(options));
}

TEST_F(SimSapLogon, OpenExLooksUpTheDestinationInSapRfcIni) {
  Describe(System(R"({"logon": {"client": "100", "user": "ABC", "password": "my secret"}})"));
  WriteFile(dir.File("SapRfc.ini"),
            "* destinations\nDEST=PRD\nTYPE=A\nASHOST=prdci01\nSYSNR=00\n"
            "DEST=BAD\nTYPE=A\nASHOST=prdci01\nSYSNR=05\n");
  RfcErrorInfo error;
  EXPECT_NE(0u, sap->RfcOpenEx("CLIENT=100 USER=abc PASSWD=my secret LANG=D DEST=PRD", &error));
  EXPECT_STREQ("", error.key);
  EXPECT_EQ(0u, sap->RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my secret LANG=D DEST=BAD", &error));
  EXPECT_EQ(0u, sap->RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my LANG=D DEST=PRD", &error));
  EXPECT_STREQ("RFC_ERROR_LOGON_FAILURE", error.key);
  EXPECT_EQ(0u, sap->RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my secret LANG=D DEST=QAS", &error));
  EXPECT_NE(std::string(error.message).find("QAS"), std::string::npos);
}

class SimSapStatistics : public SimFixture {
 protected:
  void SetUp() override {
    Describe(System(R"({"statistics": {
      "20240305": [
        {"client": "100", "account": "MONITOR", "steps": 10, "dsteps": 8, "bsteps": 2,
         "resp_time": 500, "cpu_time": -100, "a_db_time": "0123456789ABCDEF"},
        {"client": "200", "account": "BATCH", "steps": -2147483648, "dsteps": 2147483647}],
      "20240306": [] }})"));
    handle = Open();
  }
  RfcHandle handle = 0;
};

TEST_F(SimSapStatistics, ReturnsTheRowsOfTheDateInFileOrder) {
  ItHandle t;
  std::string exception;
  ASSERT_EQ(0, CallUsage(handle, "20240305", &t, &exception));
  ASSERT_EQ(2u, sap->ItFill(t));
  const char* row = static_cast<const char*>(sap->ItGetLine(t, 1));
  EXPECT_EQ("100MONITOR     ", std::string(row, 15));
  EXPECT_EQ(10, Int32At(row, 16));
  EXPECT_EQ(8, Int32At(row, 20));
  EXPECT_EQ(0, Int32At(row, 24));
  EXPECT_EQ(2, Int32At(row, 28));
  EXPECT_EQ("000000000000500C", HexAt(row, 32));
  EXPECT_EQ("000000000000000C", HexAt(row, 40));  // not given: zero
  EXPECT_EQ("000000000000100D", HexAt(row, 48));  // negative
  EXPECT_EQ("0123456789ABCDEF", HexAt(row, 56));  // raw bytes
  const char* second = static_cast<const char*>(sap->ItGetLine(t, 2));
  EXPECT_EQ(INT32_MIN, Int32At(second, 16));
  EXPECT_EQ(INT32_MAX, Int32At(second, 20));
  EXPECT_EQ(nullptr, sap->ItGetLine(t, 3));
  EXPECT_EQ(nullptr, sap->ItGetLine(t, 0));
  EXPECT_EQ(0, sap->ItDelete(t));
}

TEST_F(SimSapStatistics, UnlistedDateRaisesNoDataFoundAndEmptyListGivesNoRows) {
  ItHandle t;
  std::string exception;
  EXPECT_EQ(2, CallUsage(handle, "20240304", &t, &exception));
  EXPECT_EQ("NO_DATA_FOUND", exception);
  EXPECT_EQ(0u, sap->ItFill(t));
  exception.clear();
  EXPECT_EQ(0, CallUsage(handle, "20240306", &t, &exception));
  EXPECT_EQ(0u, sap->ItFill(t));
}

TEST_F(SimSapStatistics, AWrongDescriptorShowsAsWrongValues) {
  FieldDescriptor swapped[13];
  std::copy(kSapwlaccts, kSapwlaccts + 13, swapped);
  std::swap(swapped[2], swapped[3]);  // DSTEPS before STEPS: still 88 bytes
  ItHandle t;
  std::string exception;
  ASSERT_EQ(0, CallUsage(handle, "20240305", &t, &exception, swapped, 13));
  EXPECT_EQ(8, Int32At(sap->ItGetLine(t, 1), 16));  // the sensor would read 8 steps
}

TEST_F(SimSapStatistics, RowLengthDifferentFromTheTableIsInvalidParameter) {
  FieldDescriptor longer[13];
  std::copy(kSapwlaccts, kSapwlaccts + 13, longer);
  longer[1].length = 14;  // USER_ACCNT 14: the record grows to 92
  ItHandle t;
  std::string exception;
  EXPECT_EQ(2, CallUsage(handle, "20240305", &t, &exception, longer, 13));
  EXPECT_EQ("INVALID_PARAMETER", exception);
  EXPECT_EQ(0u, sap->ItFill(t));
}

TEST_F(SimSapStatistics, TodayRatesAreScaledByTheTimeOfDay) {
  Describe(System(R"({"statistics": {"today": [
      {"client": "100", "steps": 3600, "resp_time": 7200, "cpu_time": "000000000000042C"}]}})"));
  RfcHandle h = Open();
  LocalMoment before = LocalNow();
  ItHandle t;
  std::string exception;
  ASSERT_EQ(0, CallUsage(h, before.date.c_str(), &t, &exception));
  LocalMoment after = LocalNow();
  if (after.date != before.date)
    GTEST_SKIP() << "midnight passed during the test";
  const char* row = static_cast<const char*>(sap->ItGetLine(t, 1));
  EXPECT_GE(Int32At(row, 16), before.seconds_of_day);
  EXPECT_LE(Int32At(row, 16), after.seconds_of_day);
  EXPECT_EQ("000000000000042C", HexAt(row, 48));  // raw bytes are not scaled
  EXPECT_EQ(2, CallUsage(h, "19990101", &t, &exception));  // not today
}

TEST_F(SimSapStatistics, ManyRowsAreAnsweredInLinearTime) {
  std::string rows;
  const int kRows = 50000;
  for (int i = 0; i < kRows; ++i)
    rows += std::string(i ? "," : "") + R"({"client":"100","account":"U","steps":)" +
            std::to_string(i) + "}";
  Describe(System(R"({"statistics": {"20240305": [)" + rows + "]}}"));
  auto start = std::chrono::steady_clock::now();
  RfcHandle h = Open();
  ItHandle t;
  std::string exception;
  ASSERT_EQ(0, CallUsage(h, "20240305", &t, &exception));
  EXPECT_EQ(static_cast<unsigned>(kRows), sap->ItFill(t));
  EXPECT_EQ(kRows - 1, Int32At(sap->ItGetLine(t, kRows), 16));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}


class SimSapQueries : public SimFixture {};

TEST_F(SimSapQueries, ClockAndSystemInformation) {
  Describe(System(R"({"rfchost": "ci01"})"));
  RfcHandle h = Open();
  std::string clock, exception;
  ItHandle lines;
  ASSERT_EQ(0, CallCpuAll(h, &clock, &lines, &exception));
  EXPECT_EQ("Tue Mar  5 14:07:09 2024 ", clock);
  ASSERT_GE(sap->ItFill(lines), 1u);
  EXPECT_EQ(4, Int32At(sap->ItGetLine(lines, 1), 8));  // NBR_CPU
  char rfcsi[200];
  ASSERT_EQ(0, CallSystemInfo(h, rfcsi, &exception));
  EXPECT_EQ("ci01    PRD     ", std::string(rfcsi + 45, 16));
  EXPECT_EQ("ci01_PRD_00 ", std::string(rfcsi + 13, 12));
}

TEST_F(SimSapQueries, ClockNowIsTheLocalTimeOfTheCall) {
  Describe(System(R"({"clock": "now"})"));
  RfcHandle h = Open();
  std::string clock, exception;
  ItHandle lines;
  std::time_t before = std::time(nullptr);
  ASSERT_EQ(0, CallCpuAll(h, &clock, &lines, &exception));
  std::time_t after = std::time(nullptr);
  EXPECT_TRUE(clock == LocalMomentAt(before).clock_text + " " ||
              clock == LocalMomentAt(after).clock_text + " ")
      << clock;
}

class SimSapStrictness : public SimFixture {
 protected:
  void SetUp() override {
    Describe(System());
    handle = Open();
  }
  RfcHandle handle = 0;
};

TEST_F(SimSapStrictness, WrongParametersRaiseInvalidParameter) {
  std::string clock, exception;
  ItHandle lines;
  EXPECT_EQ(2, CallCpuAll(handle, &clock, &lines, &exception, 5));  // 5 for 6
  EXPECT_EQ("", clock);
  EXPECT_EQ("INVALID_PARAMETER", exception);

  exception.clear();
  char rfcsi[201];
  EXPECT_EQ(2, CallSystemInfo(handle, rfcsi, &exception, 201));
  EXPECT_EQ("INVALID_PARAMETER", exception);

  RfcParameter misnamed[] = {{"LOCAL_REMOTX", 12, 0, 6, const_cast<char*>("LOCAL ")},
                             {nullptr, 0, 0, 0, nullptr}};
  RfcParameter wrong_type[] = {{"STARTDATE", 9, 0, 8, const_cast<char*>("20240305")},
                               {nullptr, 0, 0, 0, nullptr}};
  RfcParameter wrong_nlen[] = {{"CLIENT", 5, 0, 3, const_cast<char*>("*  ")},
                               {nullptr, 0, 0, 0, nullptr}};
  for (RfcParameter* list : {misnamed, wrong_type, wrong_nlen}) {
    ASSERT_EQ(0, sap->RfcCall(handle, "RFC_SYSTEM_INFO", list, nullptr));
    char* name = nullptr;
    EXPECT_EQ(2, sap->RfcReceive(handle, nullptr, nullptr, &name));
    EXPECT_STREQ("INVALID_PARAMETER", name);
  }
  ASSERT_EQ(0, sap->RfcCall(handle, "RFC_SYSTEM_INF", nullptr, nullptr));
  char* name = nullptr;
  EXPECT_EQ(2, sap->RfcReceive(handle, nullptr, nullptr, &name));
  EXPECT_STREQ("INVALID_PARAMETER", name);
}

TEST_F(SimSapStrictness, UnknownTypeHandlesAndStrayReceivesFail) {
  ItHandle t = sap->ItCreate("STATISTIC", 88, 0, 0);
  RfcTable tables[] = {{"STATISTIC", 9, 4711, 88, t, 0, 0}, {nullptr, 0, 0, 0, nullptr, 0, 0}};
  EXPECT_EQ(1, sap->RfcCall(handle, "SAPWL_ACCNT_GET_SYSTEM_USAGE", nullptr, tables));
  RfcParameter bad_code[] = {{"CLIENT", 6, 5, 3, const_cast<char*>("*  ")},
                             {nullptr, 0, 0, 0, nullptr}};
  EXPECT_EQ(1, sap->RfcCall(handle, "SAPWL_ACCNT_GET_SYSTEM_USAGE", bad_code, nullptr));
  char* name = nullptr;
  EXPECT_EQ(1, sap->RfcReceive(handle, nullptr, nullptr, &name));  // no call pending
  EXPECT_EQ(nullptr, name);
  EXPECT_EQ(1, sap->RfcCall(handle + 100, "RFC_SYSTEM_INFO", nullptr, nullptr));
  // A receive on another handle does not answer the call.
  RfcHandle other = Open();
  ASSERT_EQ(0, sap->RfcCall(handle, "RFC_SYSTEM_INFO", nullptr, nullptr));
  EXPECT_EQ(1, sap->RfcReceive(other, nullptr, nullptr, &name));
  RfcType handle_slot = 0;
  EXPECT_EQ(1, sap->RfcInstallStructure("X", kCpuAll, 0, &handle_slot));
  EXPECT_EQ(0, sap->ItDelete(t));
  EXPECT_NE(0, sap->ItDelete(t));  // already gone
}

class SimSapFaults : public SimFixture {
 protected:
  RfcHandle OpenWith(const std::string& faults) {
    Describe(System(R"({"faults": )" + faults + "}"));
    return Open();
  }
  std::string Trace() { return ReadFile(dir.File("Dev_Rfc.Trc")); }
};

TEST_F(SimSapFaults, LogonRefusalWritesTheTrace) {
  EXPECT_EQ(0u, OpenWith(R"({"logon": "locked", "trace": ["line 1", "line 2"]})"));
  EXPECT_EQ("line 1\nline 2\n", Trace());
  RfcErrorInfo error;
  sap->RfcLastError(&error);
  EXPECT_STREQ("locked", error.message);
}

TEST_F(SimSapFaults, NoFaultNoTraceAndEmptyLastError) {
  RfcHandle h = OpenWith(R"({"trace": ["x"]})");
  ItHandle t;
  std::string exception;
  EXPECT_EQ(2, CallUsage(h, "20240305", &t, &exception));  // NO_DATA_FOUND is no fault
  EXPECT_FALSE(std::filesystem::exists(dir.File("Dev_Rfc.Trc")));
  auto fresh = std::make_unique<SimulatedSap>(dir.Path());
  RfcErrorInfo error;
  fresh->RfcLastError(&error);
  EXPECT_STREQ("", error.key);
  EXPECT_STREQ("", error.message);
}

TEST_F(SimSapFaults, CallAndReceiveResults) {
  RfcHandle h = OpenWith(R"({"GET_CPU_ALL": {"call": 3},
      "RFC_SYSTEM_INFO": {"receive": 2, "exception": "SYSTEM_BUSY"},
      "last_error": {"key": "K", "status": "S", "message": "M", "internal_status": "I"},
      "trace": ["fired"]})");
  std::string clock, exception;
  ItHandle lines;
  EXPECT_EQ(3, CallCpuAll(h, &clock, &lines, &exception));
  char rfcsi[200];
  EXPECT_EQ(2, CallSystemInfo(h, rfcsi, &exception));
  EXPECT_EQ("SYSTEM_BUSY", exception);
  EXPECT_EQ("fired\nfired\n", Trace());
  RfcErrorInfo error;
  sap->RfcLastError(&error);
  EXPECT_STREQ("K", error.key);
  EXPECT_STREQ("S", error.status);
  EXPECT_STREQ("M", error.message);
  EXPECT_STREQ("I", error.internalStatus);
}

TEST_F(SimSapFaults, HousekeepingFaultsHitOnlyTheirName) {
  OpenWith(R"({"RfcInstallStructure": "CPU_ALL", "ItCreate": "STATISTIC",
               "ItGetLine": "TF_CPU_ALL", "ItDelete": "USER_ACCOUNT_RELATION"})");
  RfcType type = 0;
  EXPECT_NE(0, sap->RfcInstallStructure("CPU_ALL", kCpuAll, 13, &type));
  EXPECT_EQ(0u, type);
  EXPECT_EQ(0, sap->RfcInstallStructure("RFCSI", kRfcsi, 18, &type));
  EXPECT_EQ(nullptr, sap->ItCreate("STATISTIC", 88, 0, 0));
  ItHandle cpu = sap->ItCreate("TF_CPU_ALL", 48, 0, 0);
  ItHandle relation = sap->ItCreate("USER_ACCOUNT_RELATION", 27, 0, 0);
  ASSERT_NE(nullptr, cpu);
  EXPECT_EQ(nullptr, sap->ItGetLine(cpu, 1));
  EXPECT_NE(0, sap->ItDelete(relation));
  EXPECT_EQ(0, sap->ItDelete(cpu));
}

struct HandlerEnd : std::runtime_error {
  using std::runtime_error::runtime_error;
};

TEST_F(SimSapFaults, HandlerThatThrowsLeavesTheSimulatorUsable) {
  RfcHandle h = OpenWith(R"({"handler": {"function": "RFC_SYSTEM_INFO", "text": "broken pipe"}})");
  RfcEnvironmentRecord environment{
      [](void* context, const char* text) {
        *static_cast<std::string*>(context) = text;
        throw HandlerEnd(text);
      },
      nullptr, nullptr};
  std::string reported;
  environment.context = &reported;
  sap->RfcEnvironment(environment);
  char rfcsi[200];
  std::string exception;
  EXPECT_THROW(CallSystemInfo(h, rfcsi, &exception), HandlerEnd);
  EXPECT_EQ("broken pipe", reported);
  char* name = nullptr;
  EXPECT_EQ(1, sap->RfcReceive(h, nullptr, nullptr, &name));  // nothing pending
  std::string clock;
  ItHandle lines;
  EXPECT_EQ(0, CallCpuAll(h, &clock, &lines, &exception));
}

class SimSapJournal : public SimFixture {};

TEST_F(SimSapJournal, RecordsWhatTheSensorPassed) {
  Describe(System());
  RfcHandle h = Open();
  RfcType t1 = Install("CPU_ALL", kCpuAll, 13), t2 = Install("RFCSI", kRfcsi, 18);
  (void)t1; (void)t2;
  ItHandle t;
  std::string exception;
  CallUsage(h, "20240305", &t, &exception);
  sap->RfcClose(h);
  std::vector<json> lines = Journal();
  ASSERT_GE(lines.size(), 10u);
  json open = lines[0];
  EXPECT_EQ("RfcOpen", open["op"]);
  EXPECT_EQ("MONITOR     ", open["user"]);
  EXPECT_EQ("secret    ", open["password"]);
  EXPECT_EQ("prdci01", open["host"]);
  EXPECT_EQ(nullptr, open["gwhost"]);
  EXPECT_EQ(0, open["mode"]);
  EXPECT_EQ(h, open["handle"]);
  std::vector<std::size_t> sizes;
  for (const json& line : lines)
    if (line["op"] == "RfcInstallStructure")
      sizes.push_back(line["size"]);
  EXPECT_EQ((std::vector<std::size_t>{48, 200, 88, 27}), sizes);
  json call, receive;
  for (const json& line : lines) {
    if (line["op"] == "RfcCall") call = line;
    if (line["op"] == "RfcReceive") receive = line;
  }
  EXPECT_EQ("SAPWL_ACCNT_GET_SYSTEM_USAGE", call["function"]);
  EXPECT_EQ("*  ", call["exporting"]["CLIENT"]);
  EXPECT_EQ(std::string(39, ' '), call["exporting"]["INSTANCE"]);
  EXPECT_EQ("20240305", call["exporting"]["STARTDATE"]);
  EXPECT_EQ(2, receive["result"]);
  EXPECT_EQ("NO_DATA_FOUND", receive["exception"]);
  EXPECT_EQ((json{{"op", "RfcClose"}, {"handle", h}}), lines.back());
}

TEST_F(SimSapJournal, CallsBeforeTheFirstLogonAreJournaledToo) {
  Describe(System());
  Install("CPU_ALL", kCpuAll, 13);
  sap->ItCreate("TF_CPU_ALL", 48, 0, 0);
  std::vector<json> lines = Journal();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ((json{{"op", "ItCreate"}, {"name", "TF_CPU_ALL"}, {"leng", 48}}), lines[1]);
}

}  // namespace
