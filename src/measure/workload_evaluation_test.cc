// What the end-to-end scenarios cannot reach: more clients than any fixed
// table holds, and a profile that cannot be rewritten.

#include "measure/workload_evaluation.h"

#include <gtest/gtest.h>

#include "measure/usage_history.h"
#include "platform/virtual_file_system.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

namespace {

const char kProfile[] = "C:\\Sensors\\PRD.P00";

struct WorkloadEvaluationTest : testing::Test {
  WorkloadEvaluationTest()
      : disk(new VirtualFileSystem), t("{}", std::unique_ptr<FileSystem>(disk)) {
    t.run.rewritePath = kProfile;
    t.run.serverDate = "20240131";
    t.run.serverTime = "10:15:00";
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
  int Evaluate(const std::string& parameters) {
    t.run.parameterText = parameters;
    t.run.profileLineTable.clear();
    for (std::string_view line : SplitLines(disk->files[kProfile]))
      t.run.profileLineTable.emplace_back(line);
    t.run.resultDocument.Clear();
    t.run.runStatus = RunStatus::Err;
    EXPECT_NE(OpenConnection(t.run), 0u);
    int result = EvaluateWorkload(t.run);
    CloseConnection(t.run);
    return result;
  }

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
  Evaluate("STEPS");
  EXPECT_EQ(t.run.resultDocument.Text(),
            "\n<Prtg>\n\n<Text>(PRD) Summary: Step(s)=1.640, Dialog=0, Batch=0, RspTime=0 ms, "
            "CpuTime=0 ms </Text>\n" + channels + "\n</Prtg>\n");
  std::string profile = disk->files[kProfile];
  EXPECT_NE(profile.find("\n# Clt 139          80 "), std::string::npos);
  EXPECT_EQ(profile.find("# Clt 139", profile.find("# Clt 139") + 1), std::string::npos);

  // The next run's differences are taken against the one record per client.
  rows.push_back({"105", 1});
  Serve(rows);
  Evaluate("STEPS");
  EXPECT_NE(t.run.resultDocument.Text().find(
                "<Channel>Client 105</Channel>\n<Value>1</Value></Result>\n\n"
                "<Result><Channel>Client 106</Channel>\n<Value>0</Value>"),
            std::string::npos);
}

TEST_F(WorkloadEvaluationTest, ProfileThatCannotBeRewrittenStaysAsItWas) {
  disk->failingWrites.insert(kProfile);
  Serve({{"100", 5}});
  EXPECT_EQ(Evaluate("DATA"), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Err);
  EXPECT_EQ(t.run.resultDocument.Text(),
            "Error 1016: ReWriting of Profile C:\\Sensors\\PRD.P00 failed !");
  EXPECT_EQ(disk->files[kProfile], "Destination: PRD\n");
  EXPECT_EQ(t.console.output, "");  // no DATA rows before the error
}

}  // namespace
