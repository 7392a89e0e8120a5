#include "sap/connection.h"

#include <gtest/gtest.h>

#include "sap/classic_rfc_client.h"
#include "testing/simulated_run.h"
#include "testing/test_run.h"
#include "testing/virtual_file_system.h"

namespace {

const char kIni[] = "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd\r\nSYSNR=00\r\n";

/// The last RfcOpen entry of the journal.
nlohmann::json OpenEntry(const SimulatedRun& t) {
  auto entries = t.Journal("RfcOpen");
  return entries.empty() ? nlohmann::json() : entries.back();
}

TEST(ConnectionTest, UserAndPasswordLongerThanTheirPaddingAreHandedOverWhole) {
  SimulatedRun t;
  t.run.systemProfile.user = "ABCDEFGHIJKLMN";
  t.run.systemProfile.password = "0123456789ab";
  t.Logon();
  nlohmann::json open = OpenEntry(t);
  EXPECT_EQ(open["user"], "ABCDEFGHIJKLMN");
  EXPECT_EQ(open["password"], "0123456789ab");
}

TEST(ConnectionTest, OnlyExactlyR2GivesAnR2Logon) {
  for (const char* mode : {"R/2", "r/2", "R/2 ", "R/3", ""}) {
    SimulatedRun t(R"({"journal": "journal.jsonl", "systems": [{"mode": "R/2", "gwhost": "gw2",
        "logon": {"client": "100", "user": "ABC", "password": "secret"}}]})");
    t.run.systemProfile.mode = mode;
    t.run.systemProfile.gwhost = "gw2";
    bool r2 = std::string(mode) == "R/2";
    EXPECT_EQ(t.Logon().connection != 0, r2) << mode;
    EXPECT_EQ(OpenEntry(t)["mode"], r2 ? 1 : 0) << mode;
  }
}

TEST(ConnectionTest, HostAndSystemNumber) {
  SimulatedRun t;
  struct Case {
    const char* sysnr;
    int expected;
  } cases[] = {
      // in order: the empty one keeps 7 from the case before
      {"00", 0}, {"07", 7}, {"", 7}, {"  12x", 12}, {"x1", 0}, {"99999999999999", 2147483647}};
  for (const Case& c : cases) {
    t.run.systemProfile.sysnr = c.sysnr;
    t.Logon();
    EXPECT_EQ(OpenEntry(t)["sysnr"], c.expected) << "'" << c.sysnr << "'";
    EXPECT_EQ(t.run.r3SystemNumber, c.expected);
  }

  // ",HOST=" and ",NO=" override the profile; the host with its letters as typed.
  t.run.systemProfile.hostname = "elsewhere";
  t.run.systemProfile.sysnr = "05";
  EXPECT_NE(t.Logon({"sapPrd", "00"}).connection, 0u);
  EXPECT_EQ(OpenEntry(t)["host"], "sapPrd");
  EXPECT_EQ(OpenEntry(t)["sysnr"], 0);

  // Empty overrides: no host at all, and the system number as it was.
  t.run.r3SystemNumber = 3;
  EXPECT_EQ(t.Logon({"", ""}).connection, 0u);
  EXPECT_TRUE(OpenEntry(t)["host"].is_null());
  EXPECT_EQ(OpenEntry(t)["sysnr"], 3);
}

TEST(ConnectionTest, DestinationFileLogon) {
  // Each file as it lies: a shorter one replaces a longer one, an empty
  // one is copied and used all the same.
  SimulatedRun t;
  t.directory.Write("SapRfc.ini", "old contents that are longer than the new ones\n");
  for (const std::string& ini : {std::string(kIni), std::string()}) {
    t.directory.Write("SapRfc.PRD", ini);
    EXPECT_EQ(t.Logon().connection != 0, !ini.empty());
    EXPECT_EQ(t.directory.Read("SapRfc.ini"), ini);
  }
  EXPECT_EQ(t.Journal("RfcOpenEx").size(), 2u);

  // No logon when the configuration file cannot be written.
  t.directory.Write("SapRfc.PRD", kIni);
  std::filesystem::remove(t.directory.File("SapRfc.ini"));
  std::filesystem::create_directory(t.directory.File("SapRfc.ini"));
  t.console.output.clear();
  EXPECT_EQ(t.Logon().connection, 0u);
  EXPECT_EQ(t.console.output, "* SapRfc.Ini.......: PRD<\n");
  EXPECT_EQ(t.Journal("RfcOpenEx").size(), 2u);
  EXPECT_TRUE(t.Journal("RfcOpen").empty());
}

TEST(ConnectionTest, ConnectStringQuotesValuesWithBlanks) {
  SimulatedRun t(R"({"journal": "journal.jsonl", "systems": [{"host": "sapprd", "sysnr": 0,
      "logon": {"client": "100", "user": "ABC", "password": "my secret"}}]})");
  t.run.systemProfile.password = "my secret";
  t.directory.Write("SapRfc.PRD", kIni);
  EXPECT_NE(t.Logon().connection, 0u);
  EXPECT_EQ(t.Journal("RfcOpenEx").back()["connect"],
            "CLIENT=100 USER=ABC PASSWD=\"my secret\" LANG=D DEST=PRD");
}

/// A library that notes which locks are held while it reads the
/// configuration file.
struct LockNotingLibrary : RfcLibrary {
  explicit LockNotingLibrary(VirtualFileSystem& disk) : disk(disk) {}
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override {
    ++logons;
    locksDuringLogon = disk.locks;
    return 0;
  }
  VirtualFileSystem& disk;
  std::set<std::string> locksDuringLogon;
  int logons = 0;
};

TEST(ConnectionTest, ConfigurationFileIsLockedUntilTheLogonIsDone) {
  VirtualFileSystem disk;
  CapturedConsole console;
  LockNotingLibrary rfc(disk);
  ClassicRfcClient client(rfc);
  SystemProfile profile;
  profile.destination = "PRD";
  int sysnr = 0;
  disk.Create("SapRfc.PRD", kIni);
  EXPECT_EQ(OpenConnection(client, disk, console, true, profile, {}, &sysnr).handle, 0u);
  EXPECT_EQ(rfc.locksDuringLogon, std::set<std::string>{"SapRfc.ini.lock"});
  EXPECT_TRUE(disk.locks.empty());  // released on the way out

  // A lock that cannot be taken: no copy, no logon, and the reason.
  disk.files.erase("SapRfc.ini");
  auto held = disk.LockFile("SapRfc.ini.lock", std::chrono::seconds(0));
  Logon logon = OpenConnection(client, disk, console, true, profile, {}, &sysnr);
  EXPECT_EQ(logon.handle, 0u);
  EXPECT_EQ(logon.refusal.code(), Status::Code::kTimedOut);
  EXPECT_EQ(logon.refusal.text(), "SapRfc.Ini is locked by another run");
  EXPECT_FALSE(disk.Exists("SapRfc.ini"));
  EXPECT_EQ(rfc.logons, 1);
}

}  // namespace
