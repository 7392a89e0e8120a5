// What the end-to-end scenarios cannot reach: more clients than any fixed
// table holds, and a profile that cannot be rewritten.

#include "measure/workload_evaluation.h"

#include <gtest/gtest.h>

#include "measure/server_clock.h"
#include "testing/simulated_run.h"
#include "testing/virtual_file_system.h"

namespace {

const char kProfile[] = "C:\\Sensors\\PRD.P00";

struct WorkloadEvaluationTest : testing::Test {
  WorkloadEvaluationTest()
      : disk(new VirtualFileSystem), t("{}", std::unique_ptr<FileSystem>(disk)) {
    disk->Create(kProfile, "Destination: PRD\n");
  }

  /// Serves one statistics row per (client, steps) pair.
  void Serve(const std::vector<std::pair<std::string, int>>& rows) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [client, steps] : rows)
      list.push_back({{"client", client}, {"account", "MONITOR"}, {"steps", steps}});
    t.Describe(OneSystem("{}", ", \"statistics\": {\"20240131\": " + list.dump() + "}"));
  }

  /// Logs on and evaluates over the profile as it lies on the disk.
  WorkloadResult Evaluate(const WorkloadOptions& options) {
    lines.clear();
    for (std::string_view line : SplitLines(disk->files[kProfile])) lines.emplace_back(line);
    document.Clear();
    RfcSession session = t.Logon();
    EXPECT_NE(session.connection, 0u);
    WorkloadResult result = EvaluateWorkload(session, clock, options, "PRD",
                                             HistoryFile{*disk, kProfilePath, lines}, document);
    t.sim.RfcClose(session.connection);
    return result;
  }

  const ServerClock clock{"20240131", "10:15:00"};
  const std::string kProfilePath = kProfile;
  std::vector<std::string> lines;
  ResultDocument document;

  VirtualFileSystem* disk;
  SimulatedRun t;
};

TEST_F(WorkloadEvaluationTest, EachClientHasOneSlotHoweverManyAndWhereverItsRowsLie) {
  std::vector<std::pair<std::string, int>> rows;
  std::string channels;
  for (int i = 0; i < 40; ++i) {
    std::string client = std::to_string(100 + i);
    rows.push_back({client, i + 1});
    channels += "\n<Result><Channel>Client " + client + "</Channel>\n<Value>" +
                std::to_string(2 * (i + 1)) + "</Value></Result>\n";
  }
  for (int i = 0; i < 40; ++i) rows.push_back(rows[i]);  // each client again, later
  Serve(rows);
  Evaluate({"", ClientChannel::kSteps});
  EXPECT_EQ(document.Text(),
            "\n<Prtg>\n\n<Text>(PRD) Summary: Step(s)=1.640, Dialog=0, Batch=0, RspTime=0 ms, "
            "CpuTime=0 ms </Text>\n" +
                channels + "\n</Prtg>\n");
  std::string profile = disk->files[kProfile];
  EXPECT_NE(profile.find("\n# Clt 139          80 "), std::string::npos);
  EXPECT_EQ(profile.find("# Clt 139", profile.find("# Clt 139") + 1), std::string::npos);

  // The next run's differences are taken against the one record per client.
  rows.push_back({"105", 1});
  Serve(rows);
  Evaluate({"", ClientChannel::kSteps});
  EXPECT_NE(document.Text().find("<Channel>Client 105</Channel>\n<Value>1</Value></Result>\n\n"
                                 "<Result><Channel>Client 106</Channel>\n<Value>0</Value>"),
            std::string::npos);
}

TEST_F(WorkloadEvaluationTest, ProfileThatCannotBeRewrittenStaysAsItWas) {
  disk->failingWrites.insert(kProfile);
  Serve({{"100", 5}});
  WorkloadResult result = Evaluate({"", ClientChannel::kNone, true});
  EXPECT_EQ(result.outcome.Message(),
            "Error 1016: ReWriting of Profile C:\\Sensors\\PRD.P00 failed !");
  EXPECT_EQ(disk->files[kProfile], "Destination: PRD\n");
  EXPECT_EQ(result.dataRows, "");  // no DATA rows before the error
}

}  // namespace
