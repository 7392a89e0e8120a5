#include "sap/system_profile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/virtual_file_system.h"
#include "run/run.h"
#include "sap/profile_key.h"
#include "sap/stored_password.h"

namespace {

/// An RFC library that does nothing; the profile never calls it.
struct NullRfcLibrary : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned,
                          RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 1; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 1; }
  int RfcLastError(RfcErrorInfo*) override { return 0; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override { return nullptr; }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 1; }
};

/// A run on a virtual platform, with the profile name PRD.P00.
struct TestRun {
  TestRun() { run.profileName = "PRD.P00"; }
  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  NullRfcLibrary rfc;
  ::Run run{disk, clock, console, rfc};
};

std::string Stored(const std::string& password) {
  std::string stored;
  EXPECT_EQ(ScramblePassword(password, 1, &stored), ScrambleResult::kOk);
  return stored;
}

/// A complete profile whose lines can be varied.
std::string Profile(const std::string& user = "User.......: monitor",
                    const std::string& password = "Password...: " + Stored("Geheim99"),
                    const std::string& gwhost = "Gwhost.....: gwprd") {
  return "Extcompany.: ACME\n"
         "Destination: PRD\n"
         "Client.....: 100\n" +
         user + "\n" + password +
         "\n"
         "Language...: E\n"
         "Mode.......: R/3\n"
         "Hostname...: sapprd\n"
         "Sysnr......: 00\n" +
         gwhost + "\nGwservice..: sapgw00\n";
}

SystemProfile Parse(const std::string& contents, ProfileFault* fault = nullptr) {
  SystemProfile profile;
  ProfileFault f = ParseSystemProfile(contents, &profile, nullptr, true);
  if (fault != nullptr) *fault = f;
  return profile;
}

/// The error document of a single-system run that ended with |message|.
std::string ErrorDocument(const std::string& message) {
  return "<Prtg>\n<Error>1</Error>\n<Text>" + message + "</Text>\n</Prtg>\n";
}

/// Runs a single-system reading that must end the run; returns what it printed.
std::string SingleRunError(const std::string& contents) {
  TestRun t;
  try {
    ReadSystemProfile(t.run, contents, true);
  } catch (const RunEnded& end) {
    EXPECT_EQ(end.exitCode, 2);
    return t.console.output;
  }
  ADD_FAILURE() << "the run went on";
  return std::string();
}

TEST(ProfileKeyLineTest, CompleteProfileFillsEveryField) {
  TestRun t;
  ReadSystemProfile(t.run, Profile(), true);
  const SystemProfile& p = t.run.systemProfile;
  EXPECT_EQ(p.extcompany, "ACME");
  EXPECT_EQ(p.destination, "PRD");
  EXPECT_EQ(p.client, "100");
  EXPECT_EQ(p.user, "MONITOR");
  EXPECT_EQ(p.password, "Geheim99");
  EXPECT_EQ(p.language, "E");
  EXPECT_EQ(p.mode, "R/3");
  EXPECT_EQ(p.hostname, "sapprd");
  EXPECT_EQ(p.hostLabel, "sapprd");
  EXPECT_EQ(p.sysnr, "00");
  EXPECT_EQ(p.gwhost, "gwprd");
  EXPECT_EQ(p.gwservice, "sapgw00");
  EXPECT_EQ(t.console.output, "");
  EXPECT_EQ(t.run.profileLineTable.size(), 11u);
}

TEST(ProfileKeyLineTest, ColumnsAndCase) {
  const std::string base = Profile();
  // A key in lower case is no key line.
  EXPECT_EQ(Parse(base + "client.....: 200\n").client, "100");
  // Trailing blanks belong to the value.
  EXPECT_EQ(Parse(base + "Client.....: 100  \n").client, "100  ");
  // Column 13 is the separator, whatever it holds.
  EXPECT_EQ(Parse(base + "Client.....:100\n").client, "00");
  EXPECT_EQ(Parse(base + "Client.....:x200\n").client, "200");
  // A key without value, or a line too short for a key, takes nothing.
  EXPECT_EQ(Parse(base + "Extcompany.:\n").extcompany, "");
  EXPECT_EQ(Parse(base + "Extcompany.: \n").extcompany, "");
  EXPECT_EQ(Parse(base + "Extcompany.\n").extcompany, "ACME");
  // The last line of a key wins.
  EXPECT_EQ(Parse(base + "Destination: QAS\n").destination, "QAS");
  // The user is upper-cased (ASCII letters only), nothing else is.
  SystemProfile p = Parse(Profile("User.......: mOn_1t\xe4r") + "Hostname...: Sap01\n");
  EXPECT_EQ(p.user, "MON_1T\xe4R");
  EXPECT_EQ(p.hostname, "Sap01");
  EXPECT_EQ(p.hostLabel, "Sap01");
  // Line ends CR LF are not part of the value.
  EXPECT_EQ(Parse(base + "Client.....: 300\r\n").client, "300");
}

TEST(ProfileKeyLineTest, ValuesAreCutAtSixtyCharactersOnly) {
  const std::string seventy(70, 'd');
  SystemProfile p = Parse(Profile() + "Destination: " + seventy + "\nClient.....: " +
                          std::string(20, '1') + "\n");
  EXPECT_EQ(p.destination, std::string(60, 'd'));
  EXPECT_EQ(p.client, std::string(20, '1'));  // wider than three digits: kept
  // A stored password with more after it is cut to 60, so not 24 characters.
  ProfileFault fault;
  Parse(Profile() + "Password...: " + Stored("abc") + std::string(50, 'x') + "\n", &fault);
  EXPECT_EQ(fault, ProfileFault::kInvalidPassword);
}

TEST(ProfileKeyLineTest, HistoryLinesAreNoKeyLines) {
  const std::string history =
      "# Clt Date=20240102 10:11:12 Steps=1234\n"
      "# Clt 100         12           340           120            30            "
      "10          10           2\n"
      "# Clx Date=20240102 09:00:00 Steps=1000\n";
  ProfileLineTable lines;
  SystemProfile profile;
  EXPECT_EQ(ParseSystemProfile(history + Profile() + history, &profile, &lines, true),
            ProfileFault::kNone);
  EXPECT_EQ(profile.client, "100");
  EXPECT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0], "# Clt Date=20240102 10:11:12 Steps=1234");
}

TEST(ProfileErrorTest, MessagesOfASingleSystemRun) {
  EXPECT_EQ(SingleRunError(""),
            ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing..."));
  EXPECT_EQ(SingleRunError(Profile("User.......:")),
            ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing..."));
  const std::string missing =
      ErrorDocument("Error 1007: Password in Profile PRD.P00 is missing...");
  EXPECT_EQ(SingleRunError(Profile("User.......: monitor", "")), missing);
  EXPECT_EQ(SingleRunError(Profile("User.......: monitor", "Password...:")), missing);
  // A stored length of 00 gives an empty password.
  const auto key = ProfileKey();
  std::string zeroLength = Stored("Geheim99");
  zeroLength[2] = static_cast<char>('0' ^ key[2]);
  zeroLength[3] = static_cast<char>('0' ^ key[3]);
  EXPECT_EQ(SingleRunError(Profile("User.......: monitor", "Password...: " + zeroLength)),
            missing);

  const std::string invalid =
      ErrorDocument("Error 1004: Invalid Password in Profile PRD.P00 found...");
  const std::string stored = Stored("Geheim99");
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + stored.substr(1))),
            invalid);
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + stored + "x")),
            invalid);
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + stored + "  ")),
            invalid);
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: Geheim99")), invalid);

  std::string wrong = stored;
  wrong[4] = static_cast<char>(wrong[4] ^ 0x01);  // the first character
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + wrong)),
            ErrorDocument("Error 1005: Wrong Password in Profile PRD.P00 found..."));

  const std::string incomplete =
      ErrorDocument("Error 1003: Invalid Parameter(s) at PRD.P00 found...");
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + stored, "")),
            incomplete);
  EXPECT_EQ(SingleRunError(Profile() + "Client.....: 10\n"), incomplete);
  EXPECT_EQ(SingleRunError(Profile() + "Language...:\n"), incomplete);
  EXPECT_EQ(SingleRunError(Profile("User.......: u")), incomplete);
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: " + Stored("x"))),
            incomplete);
}

TEST(ProfileErrorTest, FirstFaultWins) {
  // A bad password line ends the reading before the completeness checks.
  EXPECT_EQ(SingleRunError("Password...: nonsense\n"),
            ErrorDocument("Error 1004: Invalid Password in Profile PRD.P00 found..."));
  // ... and before a later, sound Password line.
  EXPECT_EQ(SingleRunError(Profile("User.......: u1", "Password...: bad\nPassword...: " +
                                                          Stored("Geheim99"))),
            ErrorDocument("Error 1004: Invalid Password in Profile PRD.P00 found..."));
  // Missing user before missing password before short fields.
  EXPECT_EQ(SingleRunError("Client.....: 1\n"),
            ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing..."));
  EXPECT_EQ(SingleRunError("User.......: u1\nClient.....: 1\n"),
            ErrorDocument("Error 1007: Password in Profile PRD.P00 is missing..."));
}

TEST(ProfileItemRunTest, FaultsOnlyMarkTheSystem) {
  TestRun t;
  t.run.itemMode = true;
  ReadSystemProfile(t.run, Profile(), false);
  EXPECT_FALSE(t.run.systemFaultFlag);
  EXPECT_TRUE(t.run.profileLineTable.empty());  // an item run keeps no lines

  // The second system lacks its Gwhost line: the first one's stays in force.
  ReadSystemProfile(t.run, Profile("User.......: other", "Password...: " + Stored("Zweites2"),
                                   "# no gateway host"),
                    false);
  EXPECT_FALSE(t.run.systemFaultFlag);
  EXPECT_EQ(t.run.systemProfile.gwhost, "gwprd");
  EXPECT_EQ(t.run.systemProfile.user, "OTHER");
  EXPECT_EQ(t.run.systemProfile.password, "Zweites2");

  // A bad stored password keeps the password held; later key lines still count.
  ReadSystemProfile(t.run, "Password...: broken\nGwhost.....: gw3\n", false);
  EXPECT_TRUE(t.run.systemFaultFlag);
  EXPECT_EQ(t.run.systemProfile.password, "Zweites2");
  EXPECT_EQ(t.run.systemProfile.gwhost, "gw3");

  t.run.systemFaultFlag = false;
  std::string wrong = Stored("Dritte33");
  wrong[5] = static_cast<char>(wrong[5] ^ 0x01);
  ReadSystemProfile(t.run, "Password...: " + wrong + "\n", false);
  EXPECT_TRUE(t.run.systemFaultFlag);
  EXPECT_EQ(t.run.systemProfile.password, "Zweites2");

  // An empty profile is sound when earlier systems filled every field.
  t.run.systemFaultFlag = false;
  ReadSystemProfile(t.run, "", false);
  EXPECT_FALSE(t.run.systemFaultFlag);

  TestRun fresh;
  ReadSystemProfile(fresh.run, "Client.....: 100\n", false);
  EXPECT_TRUE(fresh.run.systemFaultFlag);
  EXPECT_EQ(fresh.console.output, "");
}

TEST(ProfileLineTest, EveryLineIsKeptWhole) {
  // 250 lines, one of 200 and one of 100,000 characters: each is one entry.
  std::string contents = Profile();
  for (int i = 0; i < 237; ++i) contents += "# comment " + std::to_string(i) + "\n";
  contents += std::string(200, 'x') + "\n";
  contents += "Destination: " + std::string(100000 - 13, 'D') + "\n";
  contents += "Gwhost.....: late";  // a last line without line end
  TestRun t;
  t.run.profileLineTable = {"left over"};
  ReadSystemProfile(t.run, contents, true);
  const ProfileLineTable& lines = t.run.profileLineTable;
  ASSERT_EQ(lines.size(), 251u);
  EXPECT_EQ(lines[0], "Extcompany.: ACME");
  EXPECT_EQ(lines[248], std::string(200, 'x'));
  EXPECT_EQ(lines[249].size(), 100000u);
  EXPECT_EQ(lines[250], "Gwhost.....: late");
  EXPECT_EQ(t.run.systemProfile.destination, std::string(60, 'D'));
  EXPECT_EQ(t.run.systemProfile.gwhost, "late");
}

TEST(ProfileLineTest, LineEnds) {
  ProfileLineTable lines;
  SystemProfile profile;
  ParseSystemProfile("", &profile, &lines, true);
  EXPECT_TRUE(lines.empty());
  ParseSystemProfile("a\r\nb\n\nc\rd\r\ne", &profile, &lines, true);
  EXPECT_EQ(lines, (ProfileLineTable{"a", "b", "", "c\rd", "e"}));
  ParseSystemProfile("\n", &profile, &lines, true);
  EXPECT_EQ(lines, (ProfileLineTable{""}));
}

TEST(ProfileLineTest, BinaryAndHugeInputIsHarmless) {
  // A megabyte of every byte value, with key lines strewn in.
  std::string contents;
  std::uint32_t state = 7;
  while (contents.size() < (1u << 20)) {
    state = state * 1664525u + 1013904223u;
    contents += static_cast<char>(state >> 24);
    if (state % 4099 == 0) contents += "\nPassword...: ";
    if (state % 4111 == 0) contents += "\nUser.......: ";
  }
  SystemProfile profile;
  ProfileLineTable lines;
  ParseSystemProfile(contents, &profile, &lines, false);
  ParseSystemProfile(contents, &profile, nullptr, true);
  for (const ProfileKeyEntry& entry : kProfileKeys)
    EXPECT_LE((profile.*entry.field).size(), kMaxProfileValue);
  EXPECT_LE(profile.password.size(), kMaxPasswordLength);
}

}  // namespace
