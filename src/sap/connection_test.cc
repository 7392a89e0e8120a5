#include "sap/connection.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "sap/simulated_run_test_support.h"

namespace {

const char kIni[] = "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd\r\nSYSNR=00\r\n";

/// The single RfcOpen entry of the journal.
nlohmann::json OpenEntry(const SimulatedRun& t) {
  auto entries = t.Journal("RfcOpen");
  return entries.size() == 1 ? entries[0] : nlohmann::json();
}

}  // namespace

TEST(ConnectionTest, OptionRecordFromTheProfile) {
  SimulatedRun t;
  t.run.systemProfile.user = "abc";  // the system compares users without case
  t.run.systemProfile.language = "E";
  RfcHandle handle = OpenConnection(t.run);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(t.run.connection, handle);
  EXPECT_EQ(t.console.output, "");
  nlohmann::json open = OpenEntry(t);
  EXPECT_EQ(open["destination"], "PRD");
  EXPECT_EQ(open["mode"], 0);
  EXPECT_EQ(open["host"], "sapprd");
  EXPECT_EQ(open["sysnr"], 0);
  EXPECT_TRUE(open["gwhost"].is_null());
  EXPECT_TRUE(open["gwservice"].is_null());
  EXPECT_EQ(open["client"], "100");
  EXPECT_EQ(open["user"], "abc         ");
  EXPECT_EQ(open["password"], "secret    ");
  EXPECT_EQ(open["language"], "E");
  EXPECT_EQ(open["trace"], 0);
  EXPECT_TRUE(t.Journal("RfcOpenEx").empty());
}

TEST(ConnectionTest, LongUserAndPasswordAreHandedOverWhole) {
  SimulatedRun t;
  t.run.systemProfile.user = "ABCDEFGHIJKLMN";
  t.run.systemProfile.password = "0123456789ab";
  t.run.systemProfile.gwhost = "gw1";
  t.run.systemProfile.gwservice = "sapgw00";
  EXPECT_EQ(OpenConnection(t.run), 0u);  // not the system's user
  EXPECT_EQ(t.run.connection, 0u);
  nlohmann::json open = OpenEntry(t);
  EXPECT_EQ(open["user"], "ABCDEFGHIJKLMN");
  EXPECT_EQ(open["password"], "0123456789ab");
  EXPECT_EQ(open["gwhost"], "gw1");
  EXPECT_EQ(open["gwservice"], "sapgw00");
}

TEST(ConnectionTest, OnlyExactlyR2GivesAnR2Logon) {
  for (const char* mode : {"R/2", "r/2", "R/2 ", "R/3", ""}) {
    SimulatedRun t(R"({"journal": "journal.jsonl", "systems": [
        {"mode": "R/2", "gwhost": "gw2", "logon": {"client": "100", "user": "ABC",
                                                   "password": "secret"}}]})");
    t.run.systemProfile.mode = mode;
    t.run.systemProfile.gwhost = "gw2";
    RfcHandle handle = OpenConnection(t.run);
    bool r2 = std::string(mode) == "R/2";
    EXPECT_EQ(OpenEntry(t)["mode"], r2 ? 1 : 0) << mode;
    EXPECT_EQ(handle != 0, r2) << mode;
  }
}

TEST(ConnectionTest, SystemNumberIsTheLeadingNumberAndEmptyKeepsThePrevious) {
  SimulatedRun t;
  struct Case {
    const char* sysnr;
    int expected;
  };
  // Run in order: the empty one keeps 7 from the case before.
  for (Case c : {Case{"00", 0}, Case{"07", 7}, Case{"", 7}, Case{"  12x", 12},
                 Case{"x1", 0}, Case{"99999999999999", 2147483647}}) {
    t.run.systemProfile.sysnr = c.sysnr;
    OpenConnection(t.run);
    auto entries = t.Journal("RfcOpen");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back()["sysnr"], c.expected) << "'" << c.sysnr << "'";
    EXPECT_EQ(t.run.r3SystemNumber, c.expected);
  }
}

TEST(ConnectionTest, HostAndSystemNumberOverridesFromTheParameters) {
  SimulatedRun t;
  t.run.systemProfile.hostname = "elsewhere";
  t.run.systemProfile.sysnr = "05";
  t.run.parameterText = "CLIENT=100,HOST=SAPPRD,NO=00 #";
  t.run.parameterCopy = "client=100,HOST=sapPrd,NO=00 #";
  EXPECT_NE(OpenConnection(t.run), 0u);
  EXPECT_EQ(OpenEntry(t)["host"], "sapPrd");  // letters as typed
  EXPECT_EQ(OpenEntry(t)["sysnr"], 0);

  // Empty overrides: no host at all, and the system number as it was.
  SimulatedRun e;
  e.run.r3SystemNumber = 3;
  e.run.parameterText = e.run.parameterCopy = ",HOST=,NO=";
  EXPECT_EQ(OpenConnection(e.run), 0u);
  EXPECT_TRUE(OpenEntry(e)["host"].is_null());
  EXPECT_EQ(OpenEntry(e)["sysnr"], 3);
}

TEST(ConnectionTest, DestinationFileLogon) {
  SimulatedRun t;
  t.directory.Write("SapRfc.PRD", kIni);
  t.directory.Write("SapRfc.ini", "old contents that are longer than the new ones\n");
  t.run.systemProfile.user = "ABC";
  t.run.systemProfile.language = "E";
  RfcHandle handle = OpenConnection(t.run);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(t.run.connection, handle);
  EXPECT_EQ(t.console.output, "* SapRfc.Ini.......: PRD<\n");
  EXPECT_EQ(t.directory.Read("SapRfc.ini"), kIni);
  auto open = t.Journal("RfcOpenEx");
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0]["connect"], "CLIENT=100 USER=ABC PASSWD=secret LANG=D DEST=PRD");
  EXPECT_TRUE(t.Journal("RfcOpen").empty());
}

TEST(ConnectionTest, EmptyDestinationFileIsCopiedAndStillUsed) {
  SimulatedRun t;
  t.directory.Write("SapRfc.PRD", "");
  t.directory.Write("SapRfc.ini", kIni);
  EXPECT_EQ(OpenConnection(t.run), 0u);  // the destination is no longer known
  EXPECT_EQ(t.directory.Read("SapRfc.ini"), "");
  EXPECT_EQ(t.Journal("RfcOpenEx").size(), 1u);
}

TEST(ConnectionTest, NoLibraryCallWhenTheConfigurationFileCannotBeWritten) {
  SimulatedRun t;
  t.directory.Write("SapRfc.PRD", kIni);
  std::filesystem::create_directory(t.directory.path + "/SapRfc.ini");
  EXPECT_EQ(OpenConnection(t.run), 0u);
  EXPECT_EQ(t.console.output, "* SapRfc.Ini.......: PRD<\n");
  EXPECT_TRUE(t.Journal("RfcOpenEx").empty());
  EXPECT_TRUE(t.Journal("RfcOpen").empty());
}

namespace {

/// A simulated library that notes which locks are held while it reads the
/// configuration file and then fails through its error handler.
struct FailingLogonLibrary : SimulatedSap {
  explicit FailingLogonLibrary(VirtualFileSystem* disk) : disk(disk) {}
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override {
    ++logons;
    locksDuringLogon = disk->locks;
    throw RunEnded{1};  // as the failure report does
  }
  VirtualFileSystem* disk;
  std::set<std::string> locksDuringLogon;
  int logons = 0;
};

}  // namespace

TEST(ConnectionTest, ConfigurationFileIsLockedUntilTheLogonIsDone) {
  VirtualFileSystem disk;
  disk.Create("SapRfc.PRD", kIni);
  FixedClock clock("12:00:00");
  CapturedConsole console;
  FailingLogonLibrary rfc(&disk);
  ::Run run(disk, clock, console, rfc);
  run.systemProfile.destination = "PRD";
  EXPECT_THROW(OpenConnection(run), RunEnded);
  EXPECT_EQ(rfc.locksDuringLogon, std::set<std::string>{"SapRfc.ini.lock"});
  EXPECT_TRUE(disk.locks.empty());  // released on the way out

  // A lock that cannot be taken: no copy, no logon.
  disk.files.erase("SapRfc.ini");
  auto held = disk.LockFile("SapRfc.ini.lock");
  EXPECT_EQ(OpenConnection(run), 0u);
  EXPECT_FALSE(disk.Exists("SapRfc.ini"));
  EXPECT_EQ(rfc.logons, 1);
}
