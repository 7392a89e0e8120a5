#include "measure/workload_evaluation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "measure/usage_history.h"
#include "platform/virtual_file_system.h"
#include "run/run.h"
#include "sapsim/simulated_sap.h"

namespace {

const char kProfile[] = "C:\\Sensors\\PRD.P00";
const char kDate[] = "20240131";

/// One statistics row as the simulated system serves it.
struct Row {
  std::string client;
  std::int64_t steps = 0, dialog = 0, batch = 0;
  std::int64_t resp = 0, cpu = 0, db = 0, sus = 0;
  std::string account = "MONITOR";
};

std::string Channel(const std::string& name, const std::string& value,
                    const std::string& unit = "") {
  std::string text = "\n<Result><Channel>" + name + "</Channel>";
  if (!unit.empty()) text += "\n<Unit>Custom</Unit>\n<CustomUnit>" + unit + "</CustomUnit>";
  return text + "\n<Value>" + value + "</Value></Result>\n";
}

/// The document of a single-system run: the text and the channels.
std::string Document(const std::string& text, const std::string& channels) {
  return "\n<Prtg>\n\n<Text>" + text + "</Text>\n" + channels + "\n</Prtg>\n";
}

/// The seven total channels.
std::string Totals(const std::string& steps, const std::string& dialog,
                   const std::string& batch, const std::string& resp,
                   const std::string& cpu, const std::string& db, const std::string& sus) {
  return Channel("Step(s)", steps) + Channel("Dialog", dialog) + Channel("Batch", batch) +
         Channel("Rsp Time", resp, "mSec") + Channel("CPU Time", cpu, "mSec") +
         Channel("DBS Time", db, "mSec") + Channel("Sus Time", sus, "mSec");
}

struct WorkloadEvaluationTest : testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/workload_evaluation_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
    sim = std::make_unique<SimulatedSap>(directory);
    run = std::make_unique<::Run>(disk, clock, console, *sim);
    run->rewritePath = kProfile;
    run->serverDate = kDate;
    run->serverTime = "10:15:00";
    run->systemProfile.destination = "PRD";
    disk.Create(kProfile, "Destination: PRD\n");
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  /// Describes the system with |rows| for the day; |faults| as the
  /// simulated system takes them.
  void Serve(const std::vector<Row>& rows, nlohmann::json faults = nullptr,
             const std::string& date = kDate) {
    nlohmann::json list = nlohmann::json::array();
    for (const Row& r : rows)
      list.push_back({{"client", r.client}, {"account", r.account}, {"steps", r.steps},
                      {"dsteps", r.dialog}, {"bsteps", r.batch}, {"resp_time", r.resp},
                      {"cpu_time", r.cpu}, {"a_db_time", r.db}, {"s_db_time", r.sus}});
    nlohmann::json system = {
        {"host", "saphost"},
        {"sysnr", 0},
        {"logon", {{"client", "100"}, {"user", "MONITOR"}, {"password", "secret"}}},
        {"statistics", nlohmann::json::object()}};
    if (!rows.empty()) system["statistics"][date] = list;
    if (!faults.is_null()) system["faults"] = faults;
    std::ofstream(directory + "/SapSim.json") << nlohmann::json{{"systems", {system}}}.dump();
  }

  /// Logs on, evaluates, logs off; the profile is read afresh each time,
  /// as the run driver does.
  int Evaluate(const std::string& parameters = "") {
    run->parameterText = parameters;
    run->profileLineTable.clear();
    for (std::string_view line : SplitLines(disk.files[kProfile]))
      run->profileLineTable.emplace_back(line);
    run->resultDocument.Clear();
    run->runStatus = RunStatus::Err;
    console.output.clear();
    RfcConnectR3 r3{"saphost", 0, nullptr, nullptr};
    RfcOptions options{"PRD", 0, &r3, "100", "MONITOR", "secret", "E", 0};
    run->connection = sim->RfcOpen(options);
    EXPECT_NE(run->connection, 0u);
    int result = EvaluateWorkload(*run);
    sim->RfcClose(run->connection);
    run->connection = 0;
    return result;
  }

  /// The client records of the profile, "# Clt " lines after the date.
  std::vector<std::string> ClientRecords() {
    std::vector<std::string> records;
    for (std::string_view line : SplitLines(disk.files[kProfile]))
      if (line.starts_with("# Clt ") && !line.starts_with("# Clt Date=")) records.emplace_back(line);
    return records;
  }

  std::string directory;
  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  std::unique_ptr<SimulatedSap> sim;
  std::unique_ptr<::Run> run;
};

TEST_F(WorkloadEvaluationTest, FirstRunReportsDayTotalsAndWritesHistory) {
  Serve({{"100", 1000, 900, 100, 250000, 50000, 20000, 3000},
         {"200", 234, 200, 34, 1000, 500, 400, 100}});
  EXPECT_EQ(Evaluate(), 0);
  EXPECT_EQ(run->runStatus, RunStatus::Ok);
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1.234, Dialog=1.100, Batch=134, RspTime=203 ms, "
                     "CpuTime=40 ms ",
                     Totals("1234", "1100", "134", "203", "40", "16", "2")));
  EXPECT_EQ(disk.files[kProfile],
            "Destination: PRD\n"
            "# Clt Date=20240131 10:15:00 Steps=1234\n"
            "# Clt 100        1000        250000         50000         20000"
            "          3000         900         100\n"
            "# Clt 200         234          1000           500           400"
            "           100         200          34\n");
  EXPECT_EQ(console.output, "");
}

TEST_F(WorkloadEvaluationTest, LaterRunsReportDifferencesToTheLastChange) {
  Serve({{"100", 100, 80, 20, 10000, 2000, 1000, 100}});
  Evaluate();
  Serve({{"100", 150, 120, 30, 20000, 2500, 1500, 600}, {"200", 10, 10, 0, 0, 0, 0, 0}});
  Evaluate();
  std::string second = Document(
      "(PRD) Summary: Step(s)=60, Dialog=50, Batch=10, RspTime=166 ms, CpuTime=8 ms ",
      Totals("60", "50", "10", "166", "8", "8", "8"));
  EXPECT_EQ(run->resultDocument.Text(), second);
  EXPECT_EQ(disk.writes[kProfile], 2);

  // Nothing happened since: the profile stays and the last change is
  // reported again, against the "# Clx " records.
  Evaluate();
  EXPECT_EQ(disk.writes[kProfile], 2);
  EXPECT_EQ(run->resultDocument.Text(), second);

  // A new day starts from the day totals and keeps no "# Clx " lines.
  run->serverDate = "20240201";
  Serve({{"100", 5, 5, 0, 50, 5, 5, 5}}, nullptr, "20240201");
  Evaluate();
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=5, Dialog=5, Batch=0, RspTime=10 ms, CpuTime=1 ms ",
                     Totals("5", "5", "0", "10", "1", "1", "1")));
  EXPECT_EQ(disk.files[kProfile].find("# Clx"), std::string::npos);
}

TEST_F(WorkloadEvaluationTest, CountersBelowTheirBaselineWrapAndZeroStepsCountAsOne) {
  disk.Create(kProfile, "Destination: PRD\n# Clt Date=20240131 09:00:00 Steps=7\n" +
                            ClientRecord({"100", {{7, 100, 0, 0, 0, 5, 2}}, {}}) + "\n");
  Serve({{"100", 7, 5, 2, 99, 30, 0, 0}, {"200", 0, 0, 0, 0, 0, 0, 0}});
  Evaluate("STEPS");
  // The step total is unchanged but the second client changes nothing of
  // it: the profile stays, and there is no "# Clx " baseline.
  EXPECT_EQ(disk.writes[kProfile], 0);

  Serve({{"100", 5, 5, 0, 99, 30, 0, 0}});
  Evaluate();
  // Steps 5 - 7 wrap; the response time 99 - 100 wraps too.
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=4294.967.294, Dialog=0, Batch=4294.967.294, "
                     "RspTime=1 ms, CpuTime=0 ms ",
                     Totals("4294967294", "0", "4294967294", "1", "0", "0", "0")));

  disk.Create(kProfile, "Destination: PRD\n");
  Serve({{"100", 0, 0, 0, 1234567, 4000, 0, 0}});
  Evaluate();
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1, Dialog=0, Batch=0, RspTime=1.234.567 ms, "
                     "CpuTime=4.000 ms ",
                     Totals("1", "0", "0", "1234567", "4000", "0", "0")));
}

TEST_F(WorkloadEvaluationTest, ClientFilterSelectsTotalsButNotSlotChannels) {
  const std::string profile =
      "Destination: PRD\n# Clt Date=20240131 09:00:00 Steps=1\n" +
      ClientRecord({"100", {{10, 1000, 100, 0, 0, 10, 0}}, {}}) + "\n" +
      ClientRecord({"200", {{20, 2000, 0, 0, 0, 20, 0}}, {}}) + "\n";
  disk.Create(kProfile, profile);
  Serve({{"100", 30, 30, 0, 5000, 300, 0, 0}, {"200", 40, 40, 0, 2800, 0, 0, 0}});
  run->clientFilter = "200";
  Evaluate();
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Usage Client[200]: Step(s)=20, Dialog=20, Batch=0, RspTime=40 ms, "
                     "CpuTime=0 ms ",
                     Totals("20", "20", "0", "40", "0", "0", "0")));
  // Per-client channels: the filtered client's difference, the other
  // client's day totals.
  disk.Create(kProfile, profile);
  Evaluate("RESPONSE");
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Usage Client[200]: Step(s)=20, Dialog=20, Batch=0, RspTime=40 ms, "
                     "CpuTime=0 ms ",
                     Channel("Client 100", "166", "mSec") + Channel("Client 200", "40", "mSec")));
}

TEST_F(WorkloadEvaluationTest, FirstOptionPresentChoosesTheSlotChannels) {
  Serve({{"100", 10, 6, 4, 1000, 500, 300, 100}, {"200", 0, 0, 0, 70, 60, 50, 40}});
  struct Case {
    const char* parameters;
    std::string channels;
  } cases[] = {
      {"X STEPS DIALOG", Channel("Client 100", "10") + Channel("Client 200", "0")},
      {"BATCH,DIALOG", Channel("Client 100", "6") + Channel("Client 200", "0")},
      {"BATCH", Channel("Client 100", "4") + Channel("Client 200", "0")},
      {"RESPONSE", Channel("Client 100", "100", "mSec") + Channel("Client 200", "70", "mSec")},
      {"CPU-TIME", Channel("Client 100", "50", "mSec") + Channel("Client 200", "60", "mSec")},
      {"DBS-TIME", Channel("Client 100", "30", "mSec") + Channel("Client 200", "50", "mSec")},
      {"SUS-TIME", Channel("Client 100", "10", "mSec") + Channel("Client 200", "40", "mSec")},
  };
  for (const Case& c : cases) {
    disk.Create(kProfile, "");
    Evaluate(c.parameters);
    EXPECT_EQ(run->resultDocument.Text(),
              Document("(PRD) Summary: Step(s)=10, Dialog=6, Batch=4, RspTime=107 ms, "
                       "CpuTime=56 ms ",
                       c.channels))
        << c.parameters;
  }
}

TEST_F(WorkloadEvaluationTest, DataOptionPrintsTheSelectedRows) {
  Serve({{"100", 12, 10, 2, 4567, 890, 12, 3, "DDIC"},
         {"200", 1, 1, 0, 0, 0, 0, 0, "OTHER"},
         {"100", 1234567, 7, 8, 123456789, 0, 0, 0, "ABCDEFGHIJKL"}});
  run->clientFilter = "100";
  Evaluate("DATA");
  EXPECT_EQ(console.output,
            "DDIC         100     12     4567      890       12        3     10      2\n"
            "ABCDEFGHIJKL 100 1234567 123456789        0        0        0      7      8\n");
}

TEST_F(WorkloadEvaluationTest, NoDataFoundGivesTheNoDataDocument) {
  Serve({});
  EXPECT_EQ(Evaluate("STEPS"), 2);
  EXPECT_EQ(run->runStatus, RunStatus::Ok);
  EXPECT_EQ(run->resultDocument.Text(),
            "\n<Prtg>\n\n<Text>PRD Summary: Step(s)=0, Dialog=0, Batch=0, Rsp-Time=0, "
            "CPU-Time=0 </Text>\n" +
                Channel("Steps", "0") + Channel("Dialog", "0") + Channel("Batch", "0") +
                Channel("Response", "0") + Channel("CPU-Time", "0") +
                Channel("DBS-Time", "0") + Channel("SUS-Time", "0") + "\n</Prtg>\n");
  EXPECT_EQ(disk.writes[kProfile], 0);
}

TEST_F(WorkloadEvaluationTest, FailedCallLeavesItsErrorLine) {
  struct Case {
    nlohmann::json fault;
    int result;
    const char* message;
  } cases[] = {
      {{{"receive", 2}, {"exception", "NO_DATA_FOUND_X"}}, 2,
       "Error 1012: Exception.: NO_DATA_FOUND_X"},
      {{{"receive", 3}, {"exception", "SYSTEM_FAILURE"}}, 3, "Error 1013: Sys-Exception raised !"},
      {{{"call", 1}}, 1, "Error 1014: RFC-Failure raised !"},
  };
  for (const Case& c : cases) {
    Serve({{"100", 1}}, {{"SAPWL_ACCNT_GET_SYSTEM_USAGE", c.fault}});
    EXPECT_EQ(Evaluate(), c.result);
    EXPECT_EQ(run->runStatus, RunStatus::Err);
    EXPECT_EQ(run->resultDocument.Text(), c.message);
  }
  EXPECT_EQ(disk.writes[kProfile], 0);
}

TEST_F(WorkloadEvaluationTest, TableFailuresEndTheRunThroughTheFailureReport) {
  for (const char* fault : {"ItCreate", "ItGetLine", "ItDelete"}) {
    for (const char* table : {"STATISTIC", "USER_ACCOUNT_RELATION"}) {
      if (std::string(fault) == "ItGetLine" && std::string(table) != "STATISTIC") continue;
      Serve({{"100", 5}}, {{fault, table}});
      try {
        Evaluate();
        ADD_FAILURE() << fault << " " << table << " did not end the run";
      } catch (const RunEnded& end) {
        EXPECT_EQ(end.exitCode, 1);
        EXPECT_NE(console.output.find(std::string(fault) + " " + table), std::string::npos)
            << console.output;
      }
    }
  }
}

TEST_F(WorkloadEvaluationTest, EachClientHasOneSlotHoweverManyAndWhereverItsRowsLie) {
  std::vector<Row> rows;
  std::string channels;
  for (int i = 0; i < 40; ++i) {
    std::string client = std::to_string(100 + i);
    rows.push_back({client, i + 1, 0, 0, 0, 0, 0, 0});
    channels += Channel("Client " + client, std::to_string(2 * (i + 1)));
  }
  for (int i = 0; i < 40; ++i) rows.push_back(rows[i]);  // each client again, later
  Serve(rows);
  Evaluate("STEPS");
  EXPECT_EQ(run->resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1.640, Dialog=0, Batch=0, RspTime=0 ms, "
                     "CpuTime=0 ms ",
                     channels));
  std::vector<std::string> records = ClientRecords();
  ASSERT_EQ(records.size(), 40u);
  EXPECT_EQ(records[39].substr(0, 21), "# Clt 139          80");
  EXPECT_NE(disk.files[kProfile].find("Steps=1640\n"), std::string::npos);

  // The next run's differences are taken against the one record per client.
  rows.push_back({"105", 1, 0, 0, 0, 0, 0, 0});
  Serve(rows);
  Evaluate("STEPS");
  EXPECT_NE(run->resultDocument.Text().find(Channel("Client 105", "1") + Channel("Client 106", "0")),
            std::string::npos);
}

TEST_F(WorkloadEvaluationTest, FailedRewriteKeepsTheProfileAndEndsInError) {
  disk.failingWrites.insert(kProfile);
  Serve({{"100", 5}});
  EXPECT_EQ(Evaluate("DATA"), 0);
  EXPECT_EQ(run->runStatus, RunStatus::Err);
  EXPECT_EQ(run->resultDocument.Text(),
            "Error 1016: ReWriting of Profile C:\\Sensors\\PRD.P00 failed !");
  EXPECT_EQ(disk.files[kProfile], "Destination: PRD\n");
  EXPECT_EQ(console.output, "");
}

TEST_F(WorkloadEvaluationTest, ItemRunPrintsOneChannelOfTheDayTotals) {
  disk.Create(kProfile, "Destination: PRD\n# Clt Date=20240131 09:00:00 Steps=1\n" +
                            ClientRecord({"100", {{10, 0, 0, 0, 0, 0, 0}}, {}}) + "\n");
  Serve({{"100", 0, 4, 0, 300, 0, 0, 0}, {"200", 0, 3, 0, 0, 0, 0, 0}});
  run->itemMode = true;
  run->itemChannelName = "PRD.P00";
  struct Case {
    const char* parameters;
    const char* item;
    std::string output;
  } cases[] = {
      {"ITEM=RSP TIME", "Rsp Time", Channel("PRD.P00", "300")},
      {"ITEM=STEP(S)", "Step(s)", Channel("PRD.P00", "0")},
      {"ITEM=DIALOG", "Dialog", Channel("PRD.P00", "7")},
      {"ITEM=DIALOG", "DIALOG", ""},     // the item name is compared exactly
      {"ITEM=DIALOG", "Rsp Time", ""},   // "DIALOG" allows only "Dialog"
  };
  for (const Case& c : cases) {
    run->itemName = c.item;
    run->itemReported = false;
    Evaluate(c.parameters);
    EXPECT_EQ(console.output, c.output) << c.item;
    EXPECT_TRUE(run->itemReported);
    EXPECT_EQ(run->resultDocument.Text(), "");
  }
  EXPECT_EQ(disk.writes[kProfile], 0);
}

TEST_F(WorkloadEvaluationTest, ItemRunPrintsPerClientChannelsAtOnce) {
  Serve({{"100", 4, 0, 0, 400, 0, 0, 0}, {"200", 0, 0, 0, 70, 0, 0, 0}});
  run->itemMode = true;
  run->itemName = "Dialog";
  run->itemChannelName = "PRD.P00";
  Evaluate("ITEM=DIALOG RESPONSE");  // "DIALOG" comes first: the item path
  EXPECT_EQ(console.output, Channel("PRD.P00", "0"));

  run->itemReported = false;
  Evaluate("RESPONSE");
  EXPECT_TRUE(run->itemReported);
  EXPECT_EQ(console.output, Channel("PRD.P00 Client 100", "100", "mSec") +
                                Channel("PRD.P00 Client 200", "70", "mSec"));
  EXPECT_EQ(run->resultDocument.Text(), "");
}

}  // namespace
