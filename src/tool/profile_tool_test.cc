#include "tool/profile_tool.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "sap/profile_key.h"
#include "sap/stored_password.h"
#include "sap/system_profile.h"

namespace {

/// What one invocation of the tool printed and returned.
struct ToolResult {
  int code;
  std::string out;
  std::string err;
};

ToolResult Tool(const std::vector<std::string>& args, VirtualFileSystem* disk = nullptr) {
  VirtualFileSystem empty;
  ToolResult result;
  result.code = RunProfileTool(args, &result.out, &result.err, disk ? *disk : empty);
  return result;
}

/// Expects a refusal of the tool whose message names |hint|.
void ExpectRefused(const std::vector<std::string>& args, const std::string& hint) {
  ToolResult r = Tool(args);
  EXPECT_EQ(r.code, 2) << args[0];
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(hint), std::string::npos) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
}

std::string Stored(const std::string& password, int offset) {
  std::string stored;
  EXPECT_EQ(ScramblePassword(password, offset, &stored), ScrambleResult::kOk);
  return stored;
}

const std::vector<std::string> kNewArgs = {"new",    "--destination", "PRD",
                                           "--client", "100",         "--user",
                                           "monitor", "--password",   "Geheim99",
                                           "--host", "sapprd",        "--offset",
                                           "2"};

std::vector<std::string> With(std::vector<std::string> args,
                              const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(ProfileToolScrambleTest, PrintsTheStoredValue) {
  ToolResult r = Tool({"scramble", "--offset", "3", "secret"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, Stored("secret", 3) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Tool({"scramble", "secret", "--offset=3"}).out, r.out);
  // A password that looks like an option follows "--".
  EXPECT_EQ(Tool({"scramble", "--offset", "0", "--", "--x"}).out, Stored("--x", 0) + "\n");

  for (int i = 0; i < 20; ++i) {
    ToolResult chosen = Tool({"scramble", "Pass word!"});
    ASSERT_EQ(chosen.code, 0);
    ASSERT_EQ(chosen.out.size(), 25u);
    std::string clear;
    ASSERT_EQ(UnscramblePassword(chosen.out.substr(0, 24), &clear), PasswordReading::kOk);
    EXPECT_EQ(clear, "Pass word!");
  }
}

TEST(ProfileToolScrambleTest, Refusals) {
  ExpectRefused({"scramble"}, "one password");
  ExpectRefused({"scramble", "a", "b"}, "one password");
  ExpectRefused({"scramble", std::string(21, 'p')}, "at most 20");
  ExpectRefused({"scramble", "p"}, "at least 2");
  ExpectRefused({"scramble", "--offset", "10", "secret"}, "from 0 to 9");
  ExpectRefused({"scramble", "--offset", "x", "secret"}, "from 0 to 9");
  ExpectRefused({"scramble", "secret", "--offset"}, "needs a value");
  ExpectRefused({"scramble", "--salt", "1", "secret"}, "unknown option --salt");

  const auto key = ProfileKey();
  std::string blocked = std::string(1, static_cast<char>('\n' ^ key[5])) + "ab";
  ExpectRefused({"scramble", "--offset", "5", blocked}, "give another --offset");
  ToolResult moved = Tool({"scramble", blocked});
  EXPECT_EQ(moved.code, 0);

  std::string hopeless(20, 'a');
  for (int o = 0; o <= kMaxPasswordOffset; ++o)
    hopeless[2 * o] = static_cast<char>(' ' ^ key[2 * o]);
  ExpectRefused({"scramble", hopeless}, "choose another password");
}

TEST(ProfileToolNewTest, PrintsACompleteProfile) {
  ToolResult r = Tool(kNewArgs);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Extcompany.: SAP\n"
            "Destination: PRD\n"
            "Client.....: 100\n"
            "User.......: MONITOR\n"
            "Password...: " + Stored("Geheim99", 2) + "\n"
            "Language...: E\n"
            "Mode.......: R/3\n"
            "Hostname...: sapprd\n"
            "Sysnr......: 00\n"
            "Gwhost.....: sapprd\n"
            "Gwservice..: sapgw00\n");

  ToolResult all = Tool(With(kNewArgs, {"--language", "D", "--mode", "R/3", "--sysnr", "12",
                                        "--gwhost", "gw01", "--gwservice", "3312",
                                        "--extcompany", "ACME Corp."}));
  ASSERT_EQ(all.code, 0);
  SystemProfile profile;
  ASSERT_EQ(ParseSystemProfile(all.out, &profile, nullptr, true), ProfileFault::kNone);
  EXPECT_EQ(profile.language, "D");
  EXPECT_EQ(profile.sysnr, "12");
  EXPECT_EQ(profile.gwhost, "gw01");
  EXPECT_EQ(profile.gwservice, "3312");
  EXPECT_EQ(profile.extcompany, "ACME Corp.");
  EXPECT_EQ(profile.password, "Geheim99");

  // The gateway service follows the system number by default.
  ToolResult sysnr = Tool(With(kNewArgs, {"--sysnr", "07"}));
  EXPECT_NE(sysnr.out.find("Gwservice..: sapgw07\n"), std::string::npos);

  // An R/2 profile may name only the gateway host.
  ToolResult r2 = Tool({"new", "--destination", "R2S", "--client", "001", "--user", "bat",
                        "--password", "xy", "--mode", "R/2", "--gwhost", "gate"});
  ASSERT_EQ(r2.code, 0) << r2.err;
  EXPECT_NE(r2.out.find("Hostname...: gate\n"), std::string::npos);
  EXPECT_NE(r2.out.find("Gwhost.....: gate\n"), std::string::npos);
}

TEST(ProfileToolNewTest, Refusals) {
  std::vector<std::string> noUser = kNewArgs;
  noUser.erase(noUser.begin() + 5, noUser.begin() + 7);
  ExpectRefused(noUser, "missing option --user");
  std::vector<std::string> noHost = kNewArgs;
  noHost.erase(noHost.begin() + 9, noHost.begin() + 11);
  ExpectRefused(noHost, "--host");
  ExpectRefused(With(kNewArgs, {"--client", "10"}), "--client");
  ExpectRefused(With(kNewArgs, {"--sysnr", "0"}), "--sysnr");
  ExpectRefused(With(kNewArgs, {"--language", ""}), "--language");
  ExpectRefused(With(kNewArgs, {"--destination", std::string(61, 'D')}), "at most 60");
  ExpectRefused(With(kNewArgs, {"--host", "a\nUser.......: x"}), "line end");
  ExpectRefused(With(kNewArgs, {"--password", std::string(21, 'p')}), "at most 20");
  ExpectRefused(With(kNewArgs, {"--offset", "12"}), "from 0 to 9");
  ExpectRefused(With(kNewArgs, {"stray"}), "only options");
  ExpectRefused(With(kNewArgs, {"--hostname", "x"}), "unknown option --hostname");
  // A value of exactly 60 characters is taken.
  EXPECT_EQ(Tool(With(kNewArgs, {"--destination", std::string(60, 'D')})).code, 0);
}

TEST(ProfileToolCheckTest, ReadsAsTheSensorDoes) {
  VirtualFileSystem disk;
  disk.Create("C:\\PRTG\\Custom Sensors\\EXE\\PRD.P00", Tool(kNewArgs).out);
  ToolResult ok = Tool({"check", "C:\\PRTG\\Custom Sensors\\EXE\\PRD.P00"}, &disk);
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.out, "OK\n");
  EXPECT_EQ(ok.err, "");

  disk.Create("prof/QAS.P00", "User.......: u1\n");
  ToolResult missing = Tool({"check", "prof/QAS.P00"}, &disk);
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.out, "Error 1007: Password in Profile QAS.P00 is missing...\n");

  ToolResult absent = Tool({"check", "D:\\nowhere\\DEV.P00"}, &disk);
  EXPECT_EQ(absent.code, 2);
  EXPECT_EQ(absent.out, "Error 1002: Profile DEV.P00 is missing...\n");

  ExpectRefused({"check"}, "one profile file");
}

TEST(ProfileToolTest, HelpAndUnknownCommands) {
  ToolResult help = Tool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("brindlemark-profile scramble"), std::string::npos);
  ToolResult none = Tool({});
  EXPECT_EQ(none.code, 2);
  EXPECT_EQ(none.err, help.out);
  ExpectRefused({"frobnicate"}, "unknown command 'frobnicate'");
  EXPECT_EQ(ProfileNameOfPath("C:\\a\\b\\PRD.P00"), "PRD.P00");
  EXPECT_EQ(ProfileNameOfPath("C:PRD.P00"), "PRD.P00");
  EXPECT_EQ(ProfileNameOfPath("PRD.P00"), "PRD.P00");
}

}  // namespace
