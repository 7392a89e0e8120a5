#include "sap/system_profile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sap/profile_key.h"
#include "sap/stored_password.h"

namespace {

std::string Stored(const std::string& password) {
  std::string stored;
  EXPECT_EQ(ScramblePassword(password, 1, &stored), ScrambleResult::kOk);
  return stored;
}

/// A complete profile whose user, password and gateway lines can be varied.
std::string Profile(const std::string& user = "User.......: monitor",
                    const std::string& password = "Password...: " + Stored("Geheim99"),
                    const std::string& gwhost = "Gwhost.....: gwprd") {
  return "Extcompany.: ACME\nDestination: PRD\nClient.....: 100\n" + user + "\n" + password +
         "\nLanguage...: E\nMode.......: R/3\nHostname...: sapprd\nSysnr......: 00\n" + gwhost +
         "\nGwservice..: sapgw00\n";
}

SystemProfile Parse(const std::string& contents) {
  SystemProfile profile;
  ParseSystemProfile(contents, &profile, nullptr, true);
  return profile;
}

/// What a single-system run makes of |contents|: "" when it goes on, else
/// the message of its fault.
std::string SingleRun(const std::string& contents) {
  SystemProfile profile;
  return ProfileFaultMessage(ParseSystemProfile(contents, &profile, nullptr, true), "PRD.P00");
}

/// Whether an item run finds a fault in |contents|, read over |profile|.
bool ItemRunFault(const std::string& contents, SystemProfile* profile) {
  return ParseSystemProfile(contents, profile, nullptr, false) != ProfileFault::kNone;
}

TEST(SystemProfileTest, KeyLines) {
  struct Case {
    std::string line;
    std::string SystemProfile::*field;
    std::string value;
  } cases[] = {
      {"client.....: 200", &SystemProfile::client, "100"},      // lower case: no key line
      {"Client.....: 100  ", &SystemProfile::client, "100  "},  // trailing blanks kept
      {"Client.....: 300\r", &SystemProfile::client, "300"},
      {"Client.....:100", &SystemProfile::client, "00"},  // column 13 is the separator
      {"Client.....:x200", &SystemProfile::client, "200"},
      {"Extcompany.:", &SystemProfile::extcompany, ""},
      {"Extcompany.: ", &SystemProfile::extcompany, ""},
      {"Extcompany.", &SystemProfile::extcompany, "ACME"},       // too short for a key
      {"Destination: QAS", &SystemProfile::destination, "QAS"},  // the last line wins
      {"Destination: " + std::string(70, 'd'), &SystemProfile::destination, std::string(60, 'd')},
      {"Client.....: " + std::string(20, '1'), &SystemProfile::client, std::string(20, '1')},
      {"User.......: mOn_1t\xe4r", &SystemProfile::user, "MON_1T\xe4R"},  // ASCII letters only
      {"Hostname...: Sap01", &SystemProfile::hostname, "Sap01"},
      {"Hostname...: Sap01", &SystemProfile::hostLabel, "Sap01"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Parse(Profile() + c.line + "\n").*c.field, c.value) << c.line;
}

// Each error with an ordinary profile is shown by the scenarios; here the
// edges of each field and which fault is reported first.
TEST(SystemProfileTest, ErrorsOfASingleSystemRun) {
  const std::string stored = Stored("Geheim99");
  const auto key = ProfileKey();
  std::string zeroLength = stored;  // a stored length of 00: an empty password
  zeroLength[2] = static_cast<char>('0' ^ key[2]);
  zeroLength[3] = static_cast<char>('0' ^ key[3]);
  const std::string user = "User.......: u1";
  const char kUser[] = "Error 1006: Username in Profile PRD.P00 is missing...";
  const char kPassword[] = "Error 1007: Password in Profile PRD.P00 is missing...";
  const char kInvalid[] = "Error 1004: Invalid Password in Profile PRD.P00 found...";
  const char kShort[] = "Error 1003: Invalid Parameter(s) at PRD.P00 found...";
  struct Case {
    std::string contents;
    const char* message;
  } cases[] = {
      {Profile(user, "Password...: " + zeroLength), kPassword},
      // Cut to 60 characters, so no longer 24.
      {Profile(user, "Password...: " + stored + std::string(50, 'x')), kInvalid},
      {Profile(user, "Password...: " + stored, ""), kShort},
      {Profile() + "Client.....: 10\n", kShort},
      {Profile() + "Language...:\n", kShort},
      {Profile("User.......: u"), kShort},
      {Profile(user, "Password...: " + Stored("x")), kShort},
      // The first fault wins: a bad password line ends the reading at once
      // (even before a good one), then the user comes before the password
      // before the short fields.
      {Profile(user, "Password...: bad\nPassword...: " + stored), kInvalid},
      {"Client.....: 1\n", kUser},
      {"User.......: u1\nClient.....: 1\n", kPassword},
  };
  for (const Case& c : cases) EXPECT_EQ(SingleRun(c.contents), c.message) << c.contents;
}

TEST(SystemProfileTest, ItemRunFaultsOnlyMarkTheSystem) {
  SystemProfile profile;
  EXPECT_FALSE(ItemRunFault(Profile(), &profile));

  // The second system's profile lacks keys: the first one's stay in force.
  EXPECT_FALSE(ItemRunFault("Password...: " + Stored("Zweites2") + "\n", &profile));
  // A bad stored password keeps the password held; later key lines still count.
  std::string wrong = Stored("Dritte33");
  wrong[5] = static_cast<char>(wrong[5] ^ 0x01);
  for (const std::string& bad :
       {std::string("Password...: broken\nGwhost.....: gw3\n"), "Password...: " + wrong + "\n"}) {
    EXPECT_TRUE(ItemRunFault(bad, &profile));
    EXPECT_EQ(profile.password, "Zweites2");
  }
  EXPECT_EQ(profile.gwhost, "gw3");

  // An empty profile is sound when earlier systems filled every field.
  EXPECT_FALSE(ItemRunFault("", &profile));
  SystemProfile fresh;
  EXPECT_TRUE(ItemRunFault("Client.....: 100\n", &fresh));
}

TEST(SystemProfileTest, EveryLineIsKeptWhole) {
  // 250 lines, one of 200 and one of 100,000 characters, history lines
  // among them: each is one entry, and no history line is a key line.
  const std::string history =
      "# Clt Date=20240102 10:11:12 Steps=1234\n"
      "# Clt 100         12           340\n";
  std::string contents = history + Profile();
  for (int i = 0; i < 235; ++i) contents += "# comment " + std::to_string(i) + "\n";
  contents += std::string(200, 'x') + "\n";
  contents += "Destination: " + std::string(100000 - 13, 'D') + "\n";
  contents += "Gwhost.....: late";  // a last line without line end
  ProfileLineTable lines = {"left over"};
  SystemProfile profile;
  ASSERT_EQ(ParseSystemProfile(contents, &profile, &lines, true), ProfileFault::kNone);
  ASSERT_EQ(lines.size(), 251u);
  EXPECT_EQ(lines[0], "# Clt Date=20240102 10:11:12 Steps=1234");
  EXPECT_EQ(lines[248], std::string(200, 'x'));
  EXPECT_EQ(lines[249].size(), 100000u);
  EXPECT_EQ(lines[250], "Gwhost.....: late");
  EXPECT_EQ(profile.destination, std::string(60, 'D'));
  EXPECT_EQ(profile.client, "100");

  ProfileLineTable ends;
  ParseSystemProfile("a\r\nb\n\nc\rd\r\ne", &profile, &ends, true);
  EXPECT_EQ(ends, (ProfileLineTable{"a", "b", "", "c\rd", "e"}));
  ParseSystemProfile("\n", &profile, &ends, true);
  EXPECT_EQ(ends, (ProfileLineTable{""}));
}

TEST(SystemProfileTest, BinaryAndHugeInputIsHarmless) {
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
