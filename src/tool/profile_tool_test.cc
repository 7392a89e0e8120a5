#include "tool/profile_tool.h"

#include <gtest/gtest.h>

#include "sap/profile_key.h"
#include "sap/stored_password.h"
#include "testing/virtual_file_system.h"

namespace {

/// What one invocation of the tool printed and returned.
struct ToolResult {
  int code;
  std::string out;
  std::string err;
};

ToolResult Tool(const std::vector<std::string>& args, FileSystem* disk = nullptr) {
  VirtualFileSystem empty;
  ToolResult r;
  r.code = RunProfileTool(args, &r.out, &r.err, disk ? *disk : empty);
  return r;
}

std::string Stored(const std::string& password, int offset) {
  std::string stored;
  EXPECT_EQ(ScramblePassword(password, offset, &stored), ScrambleResult::kOk);
  return stored;
}

const std::vector<std::string> kNew = {
    "new",        "--destination", "PRD",    "--client", "100",      "--user", "monitor",
    "--password", "Geheim99",      "--host", "sapprd",   "--offset", "2"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(ProfileToolTest, Scramble) {
  ToolResult r = Tool({"scramble", "--offset", "3", "secret"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, Stored("secret", 3) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Tool({"scramble", "secret", "--offset=3"}).out, r.out);
  // A password that looks like an option follows "--".
  EXPECT_EQ(Tool({"scramble", "--offset", "0", "--", "--x"}).out, Stored("--x", 0) + "\n");
  // Without --offset one is chosen.
  ToolResult chosen = Tool({"scramble", "Pass word!"});
  std::string clear;
  ASSERT_EQ(UnscramblePassword(chosen.out.substr(0, 24), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear + chosen.out.substr(24), "Pass word!\n");
  const auto key = ProfileKey();
  std::string blocked = std::string(1, static_cast<char>('\n' ^ key[5])) + "ab";
  EXPECT_EQ(Tool({"scramble", blocked}).code, 0);  // moves off offset 5
}

TEST(ProfileToolTest, NewPrintsACompleteProfile) {
  ToolResult r = Tool(kNew);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Extcompany.: SAP\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
            "Password...: " +
                Stored("Geheim99", 2) +
                "\n"
                "Language...: E\nMode.......: R/3\nHostname...: sapprd\nSysnr......: 00\n"
                "Gwhost.....: sapprd\nGwservice..: sapgw00\n");

  // The gateway service follows the system number by default.
  EXPECT_NE(Tool(With(kNew, {"--sysnr", "07"})).out.find("Gwservice..: sapgw07\n"),
            std::string::npos);
  // An R/2 profile may name only the gateway host.
  ToolResult r2 = Tool({"new", "--destination", "R2S", "--client", "001", "--user", "bat",
                        "--password", "xy", "--mode", "R/2", "--gwhost", "gate"});
  EXPECT_NE(r2.out.find("Hostname...: gate\n"), std::string::npos) << r2.err;
}

TEST(ProfileToolTest, Refusals) {
  const auto key = ProfileKey();
  std::string blocked = std::string(1, static_cast<char>('\n' ^ key[5])) + "ab";
  std::string hopeless(20, 'a');
  for (int o = 0; o <= kMaxPasswordOffset; ++o)
    hopeless[2 * o] = static_cast<char>(' ' ^ key[2 * o]);
  std::vector<std::string> noUser = kNew, noHost = kNew;
  noUser.erase(noUser.begin() + 5, noUser.begin() + 7);
  noHost.erase(noHost.begin() + 9, noHost.begin() + 11);
  struct Case {
    std::vector<std::string> args;
    std::string hint;
  } cases[] = {
      {{"scramble"}, "one password"},
      {{"scramble", std::string(21, 'p')}, "at most 20"},
      {{"scramble", "p"}, "at least 2"},
      {{"scramble", "--offset", "10", "secret"}, "from 0 to 9"},
      {{"scramble", "secret", "--offset"}, "needs a value"},
      {{"scramble", "--salt", "1", "secret"}, "unknown option --salt"},
      {{"scramble", "--offset", "5", blocked}, "give another --offset"},
      {{"scramble", hopeless}, "choose another password"},
      {noUser, "missing option --user"},
      {noHost, "--host"},
      {With(kNew, {"--client", "10"}), "--client"},
      {With(kNew, {"--destination", std::string(61, 'D')}), "at most 60"},
      {With(kNew, {"--host", "a\nUser.......: x"}), "line end"},
      {With(kNew, {"stray"}), "only options"},
      {{"check"}, "one profile file"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
  };
  for (const Case& c : cases) {
    ToolResult r = Tool(c.args);
    EXPECT_EQ(r.code, 2) << c.hint;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
  }
  ToolResult help = Tool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("brindlemark-profile scramble"), std::string::npos);
  EXPECT_EQ(Tool({}).err, help.out);
}

TEST(ProfileToolTest, CheckReadsAsTheSensorDoes) {
  VirtualFileSystem disk;
  disk.Create("C:\\PRTG\\Custom Sensors\\EXE\\PRD.P00", Tool(kNew).out);
  disk.Create("prof/QAS.P00", "User.......: u1\n");
  const char* cases[][3] = {
      {"C:\\PRTG\\Custom Sensors\\EXE\\PRD.P00", "0", "OK\n"},
      {"prof/QAS.P00", "2", "Error 1007: Password in Profile QAS.P00 is missing...\n"},
      {"D:\\nowhere\\DEV.P00", "2", "Error 1002: Profile DEV.P00 is missing...\n"},
      {"C:DEV.P00", "2", "Error 1002: Profile DEV.P00 is missing...\n"},
  };
  for (const auto& c : cases) {
    ToolResult r = Tool({"check", c[0]}, &disk);
    EXPECT_EQ(std::to_string(r.code) + " " + r.out + r.err, std::string(c[1]) + " " + c[2]);
  }
}

}  // namespace
