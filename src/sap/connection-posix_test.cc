// Sensors started at the same moment for different destinations share the
// one "SapRfc.ini" of their working directory, which may be a link.

#include "sap/classic_rfc_client.h"
#include "sap/connection.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "measure/system_info.h"
#include "testing/simulated_run.h"

namespace {

constexpr int kSensors = 6;
constexpr int kRounds = 25;

/// One sensor process: logs on through its own destination file and
/// exits 0 when the system that answered is the one of its destination.
int RunSensor(const std::string& directory, int n) {
  try {
    std::unique_ptr<FileSystem> disk = CreateSandboxFileSystem(directory);
    CapturedConsole console;
    SimulatedSap sim(directory);
    SystemProfile profile;
    profile.destination = "D" + std::to_string(n);
    profile.client = "100";
    profile.user = "ABC";
    profile.password = "secret";
    int sysnr = 0;
    ClassicRfcClient client(sim);
    RfcSession session{client,
                       OpenConnection(client, *disk, console, true, profile, {}, &sysnr).handle};
    if (session.connection == 0) return 2;
    std::string hostLabel;
    if (!QuerySystemInfo(session, &hostLabel).ok()) return 3;
    std::string expected = "host" + std::to_string(n);
    expected.resize(8, ' ');
    return hostLabel == expected ? 0 : 1;
  } catch (...) {
    return 4;
  }
}

TEST(ConnectionTest, ConcurrentSensorsEachReachTheirOwnSystem) {
  TemporaryDirectory directory;
  std::string systems;
  for (int n = 0; n < kSensors; ++n) {
    std::string host = "host" + std::to_string(n);
    systems += std::string(n > 0 ? "," : "") + R"({"host": ")" + host + R"(", "sysnr": 0,
        "logon": {"client": "100", "user": "ABC", "password": "secret"}})";
    directory.Write("SapRfc.D" + std::to_string(n),
                    "DEST=D" + std::to_string(n) + "\nTYPE=A\nASHOST=" + host + "\nSYSNR=00\n");
  }
  directory.Write("SapSim.json", R"({"systems": [)" + systems + "]}");

  int wrong = 0;
  for (int round = 0; round < kRounds; ++round) {
    pid_t children[kSensors];
    for (int n = 0; n < kSensors; ++n) {
      children[n] = fork();
      ASSERT_GE(children[n], 0);
      if (children[n] == 0) _exit(RunSensor(directory.path, n));
    }
    for (int n = 0; n < kSensors; ++n) {
      int status = 0;
      ASSERT_EQ(waitpid(children[n], &status, 0), children[n]);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_NE(WEXITSTATUS(status), 2) << "logon failed, round " << round;
      if (WEXITSTATUS(status) != 0) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(ConnectionTest, LinkNamedSapRfcIniIsReplacedNotWrittenThrough) {
  SimulatedRun t;
  const std::string shared = "DEST=SITE\nTYPE=A\nASHOST=site\nSYSNR=00\n";
  t.directory.Write("shared.ini", shared);
  ASSERT_EQ(
      ::symlink(t.directory.File("shared.ini").c_str(), t.directory.File("SapRfc.ini").c_str()), 0);
  t.directory.Write("SapRfc.PRD", "DEST=PRD\nTYPE=A\nASHOST=sapprd\nSYSNR=00\n");
  EXPECT_NE(t.Logon().connection, 0u);
  EXPECT_EQ(t.directory.Read("shared.ini"), shared);
  EXPECT_FALSE(std::filesystem::is_symlink(t.directory.File("SapRfc.ini")));
  EXPECT_EQ(t.directory.Read("SapRfc.ini"), t.directory.Read("SapRfc.PRD"));
}

}  // namespace
