// The simulated system's logon rules and its strictness about what the
// sensor passes. What it answers is tested through the sensor's own calls
// in src/measure and src/sap.

#include "sapsim/simulated_sap.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "measure/day_statistics.h"
#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "platform/environment.h"
#include "sap/classic_rfc_client.h"
#include "sap/connection.h"
#include "sapsim/locked_sap.h"
#include "testing/simulated_run.h"

namespace {

RfcHandle Open(SimulatedSap& sap, const char* host, int sysnr, const char* client, const char* user,
               const char* password, int mode = 0) {
  RfcConnectR3 r3{host, sysnr, nullptr, nullptr};
  RfcConnectR2 r2{host, nullptr};
  RfcOptions options{
      "PRD", mode, mode ? static_cast<const void*>(&r2) : &r3, client, user, password, "E", 0};
  return sap.RfcOpen(options);
}

std::string LastErrorMessage(SimulatedSap& sap) {
  RfcErrorInfo error;
  sap.RfcLastError(&error);
  return error.message;
}

// A system that never answers holds up neither the other systems nor the
// other threads; one that takes its time answers all the same; the last
// error is each thread's own; the journal's lines stay whole.
TEST(SimulatedSapTest, SystemsTakeTheirTimeOnThreadsOfTheirOwn) {
  SimulatedRun t(OneSystem(R"({"RFC_SYSTEM_INFO": {"receive": 3, "exception": "BUSY"}})",
                           R"(, "latency": {"logon": 30, "call": 30}},
      {"host": "hung", "logon": {"client": "100", "user": "ABC", "password": "secret"},
       "faults": {"hang": "GET_CPU_ALL"})"));
  std::unique_ptr<RfcLibrary> locked = LockedView(t.sim);
  RfcLibrary& sap = *locked;
  ClassicRfcClient client(sap);
  RfcHandle hung = 0;
  std::mutex mutex;
  std::condition_variable called;
  std::thread([&] {
    RfcConnectR3 r3{"hung", 0, nullptr, nullptr};
    RfcOptions options{"HNG", 0, &r3, "100", "ABC", "secret", "E", 0};
    RfcHandle handle = sap.RfcOpen(options);
    {
      std::lock_guard<std::mutex> lock(mutex);
      hung = handle;
    }
    called.notify_all();
    RfcSession session{client, handle};
    ServerClock clock;
    QueryServerClock(session, &clock);  // never returns
  }).detach();
  {
    std::unique_lock<std::mutex> lock(mutex);
    called.wait(lock, [&] { return hung != 0; });
  }

  std::vector<std::thread> threads;
  std::vector<std::string> results(4);
  for (std::string& result : results)
    threads.emplace_back([&] {
      int sysnr = 0;
      RfcHandle handle =
          OpenConnection(client, *t.disk, t.console, false, t.run.systemProfile, {}, &sysnr).handle;
      RfcSession session{client, handle};
      ServerClock clock;
      std::string hostLabel;
      result = QueryServerClock(session, &clock).ok() ? "clock " : "no clock ";
      result += QuerySystemInfo(session, &hostLabel).Message();
      RfcErrorInfo error;
      sap.RfcLastError(&error);
      result += std::string(" / ") + error.key;
      sap.RfcClose(handle);
    });
  for (std::thread& thread : threads) thread.join();
  for (const std::string& result : results)
    EXPECT_EQ(result, "clock Error 1013: Sys-Exception raised ! / RFC_ERROR_SYSTEM_FAILURE");
  EXPECT_EQ(t.Journal("RfcReceive").size(), 8u);  // every line whole, the hung call's missing

#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
  // A second thread on the connection of a call under way breaks the
  // library's rule: the stand-in says so and ends the process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(sap.RfcCall(hung, "RFC_SYSTEM_INFO", nullptr, nullptr), "two threads at once");
#endif
}

TEST(SimulatedSapTest, LogonRules) {
  SimulatedRun t(OneSystem("{}", R"(}, {"mode": "R/2", "gwhost": "gw01",
      "logon": {"client": "001", "user": "R2USER", "password": "pw"})"));
  struct Case {
    const char* host;
    int sysnr;
    const char* client;
    const char* user;
    const char* password;
    int mode;
    bool accepted;
  } cases[] = {
      {"sapprd", 0, "100", "ABC         ", "secret    ", 0, true},  // padded as the sensor does
      {"SAPPRD", 0, "100", "abc", "secret", 0, true},               // host and user case ignored
      {"sapprd2", 0, "100", "ABC", "secret", 0, false},
      {"sapprd", 1, "100", "ABC", "secret", 0, false},
      {"sapprd", 0, "200", "ABC", "secret", 0, false},
      {"sapprd", 0, "100", "ABC", "SECRET", 0, false},   // password case counts
      {"sapprd", 0, "100", "ABC", " secret", 0, false},  // leading blanks count
      {"sapprd", 0, "100", "ABC", nullptr, 0, false},
      {nullptr, 0, "100", "ABC", "secret", 0, false},
      {"GW01", 0, "001", "R2USER", "pw", 1, true},      // R/2 goes by gateway host
      {"sapprd", 0, "100", "ABC", "secret", 1, false},  // an R/3 host is no gateway
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.host ? c.host : "(null)") + " " + c.client + " " + c.user);
    // The logon data go with the first call: a system that answers opens
    // the connection whatever they are.
    RfcHandle h = Open(t.sim, c.host, c.sysnr, c.client, c.user, c.password, c.mode);
    EXPECT_EQ(h != 0 && t.sim.RfcCall(h, "RFC_SYSTEM_INFO", nullptr, nullptr) == 0, c.accepted);
  }

  // Refused logon data fail the first call with the logon error, and the
  // system ends the connection.
  RfcHandle refused = Open(t.sim, "sapprd", 0, "100", "ABC", "wrong");
  ASSERT_NE(refused, 0u);
  EXPECT_EQ(t.sim.RfcCall(refused, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
  RfcErrorInfo error;
  t.sim.RfcLastError(&error);
  EXPECT_STREQ(error.key, "RFC_ERROR_LOGON_FAILURE");
  EXPECT_EQ(t.sim.RfcCall(refused, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
  // RfcOpenEx checks them at once.
  t.directory.Write("saprfc.ini", "DEST=PRD\nTYPE=A\nASHOST=sapprd\nSYSNR=00\n");
  EXPECT_EQ(t.sim.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=wrong LANG=D DEST=PRD", &error), 0u);
  EXPECT_STREQ(error.key, "RFC_ERROR_LOGON_FAILURE");

  // Handles are distinct; a closed handle takes no calls; RfcClose(0)
  // closes all.
  RfcHandle a = Open(t.sim, "sapprd", 0, "100", "ABC", "secret");
  RfcHandle b = Open(t.sim, "sapprd", 0, "100", "ABC", "secret");
  ASSERT_NE(a, b);
  t.sim.RfcClose(a);
  EXPECT_EQ(t.sim.RfcCall(a, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
  EXPECT_EQ(t.sim.RfcCall(b, "RFC_SYSTEM_INFO", nullptr, nullptr), 0);
  t.sim.RfcClose(0);
  EXPECT_EQ(t.sim.RfcCall(b, "RFC_SYSTEM_INFO", nullptr, nullptr), 1);
}

TEST(SimulatedSapTest, OpenExLooksUpTheDestinationInSapRfcIni) {
  SimulatedRun t(R"({"systems": [{"host": "sapprd", "sysnr": 0,
      "logon": {"client": "100", "user": "ABC", "password": "my secret"}}]})");
  t.directory.Write("saprfc.ini",
                    "* destinations\r\nDEST=QAS\r\nTYPE=A\r\nASHOST=sapprd\r\nSYSNR=05\r\n"
                    "# another\r\nDEST=PRD\r\n  TYPE = A\r\nASHOST=sapprd\r\n*ASHOST=x\r\n"
                    "SYSNR=00\r\n");
  RfcErrorInfo error;
  // A value with blanks is quoted; unquoted it ends at the blank.
  EXPECT_NE(t.sim.RfcOpenEx("CLIENT=100 USER=abc PASSWD=\"my secret\" LANG=D DEST=PRD", &error),
            0u);
  EXPECT_STREQ(error.key, "");
  EXPECT_EQ(t.sim.RfcOpenEx("CLIENT=100 USER=abc PASSWD=my secret LANG=D DEST=PRD", &error), 0u);
  EXPECT_EQ(t.sim.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my LANG=D DEST=PRD", &error), 0u);
  EXPECT_STREQ(error.key, "RFC_ERROR_LOGON_FAILURE");
  EXPECT_EQ(t.sim.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my secret LANG=D DEST=QAS", &error), 0u);
  EXPECT_EQ(t.sim.RfcOpenEx("CLIENT=100 USER=ABC PASSWD=my secret LANG=D DEST=DEV", &error), 0u);
  EXPECT_NE(std::string(error.message).find("DEV"), std::string::npos);
}

TEST(SimulatedSapTest, OpenExReadsTheFileRfcIniNames) {
  SimulatedRun t;
  const char* connect = "CLIENT=100 USER=ABC PASSWD=secret LANG=D DEST=PRD";
  t.directory.Write("named.ini", "DEST=PRD\nTYPE=A\nASHOST=sapprd\nSYSNR=00\n");
  t.directory.Write("saprfc.ini", "DEST=PRD\nTYPE=A\nASHOST=elsewhere\nSYSNR=00\n");
  RfcErrorInfo error;
  ASSERT_TRUE(SetEnvironmentValue("RFC_INI", t.directory.File("named.ini")));
  EXPECT_NE(t.sim.RfcOpenEx(connect, &error), 0u);
  ASSERT_TRUE(SetEnvironmentValue("RFC_INI", ""));  // empty counts as unset
  EXPECT_EQ(t.sim.RfcOpenEx(connect, &error), 0u);  // saprfc.ini leads elsewhere
#ifndef _WIN32
  // Where names have case, "SapRfc.ini" is not the library's file.
  std::filesystem::remove(t.directory.File("saprfc.ini"));
  t.directory.Write("SapRfc.ini", "DEST=PRD\nTYPE=A\nASHOST=sapprd\nSYSNR=00\n");
  EXPECT_EQ(t.sim.RfcOpenEx(connect, &error), 0u);
  EXPECT_NE(std::string(error.message).find("saprfc.ini: cannot be opened"), std::string::npos);
#endif
  // A file named by the caller goes before both.
  t.sim.UseDestinationFile(t.directory.File("named.ini"));
  EXPECT_NE(t.sim.RfcOpenEx(connect, &error), 0u);
}

TEST(SimulatedSapTest, InvalidDescriptionRefusesEveryLogon) {
  const std::string logon = R"("logon": {"client": "100", "user": "ABC", "password": "secret"})";
  auto system = [&](const std::string& keys) {
    return R"({"systems": [{"host": "sapprd", )" + logon + keys + "}]}";
  };
  const std::string bad[] = {"",
                             R"({"systems": [{"host": "sapprd"}]})",  // no logon
                             system(R"(, "sysnr": 100)"),
                             system(R"(, "statistics": {"2024-03-05": []})"),
                             system(R"(, "statistics": {"20240305": [{"steps": 2147483648}]})"),
                             system(R"(, "statistics": {"20240305": [{"resp_time": "12"}]})"),
                             system(R"(, "faults": {"GET_CPU_ALL": {"cal": 1}})")};
  SimulatedRun t;
  for (const std::string& text : bad) {
    SCOPED_TRACE(text);
    t.Describe(text);
    EXPECT_EQ(Open(t.sim, "sapprd", 0, "100", "ABC", "secret"), 0u);
    EXPECT_NE(LastErrorMessage(t.sim).find("SapSim.json"), std::string::npos);
  }
  t.Describe(system(R"(, "statistics": {"20240305": [{"resp_time": "000000000000123C"}]})"));
  EXPECT_NE(Open(t.sim, "sapprd", 0, "100", "ABC", "secret"), 0u);
}

/// The simulated system with one entry of every list the sensor passes
/// changed on its way in.
struct TamperingSap : SimulatedSap {
  using SimulatedSap::SimulatedSap;
  template <typename Entry>
  const Entry* Tamper(const Entry* list, std::vector<Entry>* copy) {
    if (list == nullptr) return nullptr;
    copy->clear();
    for (; list->name != nullptr; ++list) {
      Entry e = *list;
      if (target == e.name) {
        if (field == 'd') continue;  // dropped
        if (field == 'n') e.nlen += 1;
        if (field == 't') e.type = value;
        if (field == 'l') e.leng = value;
      }
      copy->push_back(e);
    }
    copy->push_back(Entry{});
    return copy->data();
  }
  int RfcCall(RfcHandle h, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override {
    std::vector<RfcTable> t;
    std::string name = target == function ? std::string(function) + "X" : function;
    return SimulatedSap::RfcCall(h, name.c_str(), Tamper(exporting, &exporting_),
                                 const_cast<RfcTable*>(Tamper<RfcTable>(tables, &t)));
  }
  int RfcReceive(RfcHandle h, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override {
    std::vector<RfcTable> t;
    return SimulatedSap::RfcReceive(h, Tamper(importing, &importing_),
                                    const_cast<RfcTable*>(Tamper<RfcTable>(tables, &t)), exception);
  }
  std::string target;
  char field = 0;
  unsigned value = 0;
  std::vector<RfcParameter> exporting_, importing_;
};

TEST(SimulatedSapTest, AnythingButTheInterfaceOfTheModuleIsRefused) {
  struct Case {
    const char* target;
    char field;  // d dropped, n name length, t type, l length; a module is renamed
    unsigned value;
    const char* results;  // of the clock, the system information, the usage call
  } cases[] = {
      {"", 0, 0, "0 0 0 "},  // the sensor's calls as they are
      {"LOCAL_REMOTE", 'l', 5, "2 0 0 INVALID_PARAMETER"},
      {"LOCAL_REMOTE", 'n', 0, "2 0 0 INVALID_PARAMETER"},
      {"LASTCOLLWRT", 'd', 0, "2 0 0 INVALID_PARAMETER"},  // missing
      {"LASTCOLLWRT", 't', 1, "2 0 0 INVALID_PARAMETER"},
      {"RFCSI_EXPORT", 'l', 201, "0 2 0 INVALID_PARAMETER"},
      // A module the system does not have: a system failure that ends the
      // connection, so the next call fails.
      {"RFC_SYSTEM_INFO", 0, 0, "0 2 1 "},
      {"STARTDATE", 't', 0, "0 0 2 INVALID_PARAMETER"},
      {"STATISTIC", 'l', 92, "0 0 2 INVALID_PARAMETER"},
      {"USER_ACCOUNT_RELATION", 'd', 0, "0 0 2 INVALID_PARAMETER"},
      // A type that is neither a type code nor an installed handle.
      {"TF_CPU_ALL", 't', 4711, "1 0 0 "},
      {"RFCSI_EXPORT", 't', 4711, "0 1 0 "},
      {"CLIENT", 't', 5, "0 0 1 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.target) + " " + c.field);
    SimulatedRun t(OneSystem("{}", R"(, "statistics": {"20000101": []})"));
    TamperingSap sap(t.directory.path);
    sap.target = c.target;
    sap.field = c.field;
    sap.value = c.value;
    int sysnr = 0;
    ClassicRfcClient client(sap);
    RfcSession session{
        client,
        OpenConnection(client, *t.disk, t.console, true, t.run.systemProfile, {}, &sysnr).handle};
    ASSERT_NE(session.connection, 0u);
    bool invalid = false;
    auto code = [&](const Outcome& outcome) {
      if (outcome.IsException("INVALID_PARAMETER")) invalid = true;
      return outcome.ok()                                              ? "0 "
             : outcome.Message() == "Error 1014: RFC-Failure raised !" ? "1 "
                                                                       : "2 ";
    };
    ServerClock clock;
    std::string hostLabel;
    std::string results = code(QueryServerClock(session, &clock));
    results += code(QuerySystemInfo(session, &hostLabel));
    results += code(FetchDayStatistics(session, "20000101", [](const DayStatistics&) {
                      return Outcome::Ok();
                    }).outcome);
    if (invalid) results += "INVALID_PARAMETER";
    EXPECT_EQ(results, c.results);
  }
}

TEST(SimulatedSapTest, HousekeepingRefusesWhatItCannotHold) {
  SimulatedRun t;
  const FieldDescriptor fields[] = {{nullptr, 0, 1, 0, 0},
                                    {"A", 0, 0, 0, 0},  // no name, no length
                                    {"A", 5, 1, 0, 0},
                                    {"A", 1000, 1, 0, 0}};  // no type code
  RfcType type = 0;
  for (const FieldDescriptor& field : fields)
    EXPECT_EQ(t.sim.RfcInstallStructure("X", &field, 1, &type), 1) << field.type;
  EXPECT_EQ(t.sim.RfcInstallStructure("X", fields, 0, &type), 1);
  EXPECT_EQ(type, 0u);

  RfcHandle h = t.Logon().connection;
  char* name = nullptr;
  EXPECT_EQ(t.sim.RfcReceive(h, nullptr, nullptr, &name), 1);  // no call pending
  RfcHandle other = t.Logon().connection;
  ASSERT_EQ(t.sim.RfcCall(h, "RFC_SYSTEM_INFO", nullptr, nullptr), 0);
  EXPECT_EQ(t.sim.RfcReceive(other, nullptr, nullptr, &name), 1);  // not this handle's call
  EXPECT_EQ(t.sim.ItCreate("T", 0, 0, 0), nullptr);
}

}  // namespace
