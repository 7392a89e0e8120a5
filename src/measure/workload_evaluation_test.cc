#include "measure/workload_evaluation.h"

#include <gtest/gtest.h>

#include "measure/usage_history.h"
#include "platform/virtual_file_system.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

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

/// The document of a single-system run.
std::string Document(const std::string& text, const std::string& channels) {
  return "\n<Prtg>\n\n<Text>" + text + "</Text>\n" + channels + "\n</Prtg>\n";
}

/// The seven total channels.
std::string Totals(const std::vector<std::string>& v) {
  return Channel("Step(s)", v[0]) + Channel("Dialog", v[1]) + Channel("Batch", v[2]) +
         Channel("Rsp Time", v[3], "mSec") + Channel("CPU Time", v[4], "mSec") +
         Channel("DBS Time", v[5], "mSec") + Channel("Sus Time", v[6], "mSec");
}

std::string Record(const std::string& client, UsageCounters totals) {
  return ClientRecord({client, totals, {}}) + "\n";
}

struct WorkloadEvaluationTest : testing::Test {
  WorkloadEvaluationTest()
      : memory(new VirtualFileSystem), disk(*memory), t("{}", std::unique_ptr<FileSystem>(memory)) {
    t.run.rewritePath = kProfile;
    t.run.serverDate = kDate;
    t.run.serverTime = "10:15:00";
    disk.Create(kProfile, "Destination: PRD\n");
  }

  /// Describes the system with |rows| for |date|.
  void Serve(const std::vector<Row>& rows, const std::string& date = kDate) {
    nlohmann::json list = nlohmann::json::array();
    for (const Row& r : rows)
      list.push_back({{"client", r.client}, {"account", r.account}, {"steps", r.steps},
                      {"dsteps", r.dialog}, {"bsteps", r.batch}, {"resp_time", r.resp},
                      {"cpu_time", r.cpu}, {"a_db_time", r.db}, {"s_db_time", r.sus}});
    nlohmann::json statistics = nlohmann::json::object();
    if (!rows.empty()) statistics[date] = list;
    t.Describe(OneSystem("{}", ", \"statistics\": " + statistics.dump()));
  }

  /// Logs on, evaluates, logs off; the profile is read afresh each time,
  /// as the run driver does.
  int Evaluate(const std::string& parameters = "") {
    t.run.parameterText = parameters;
    t.run.profileLineTable.clear();
    for (std::string_view line : SplitLines(disk.files[kProfile]))
      t.run.profileLineTable.emplace_back(line);
    t.run.resultDocument.Clear();
    t.run.runStatus = RunStatus::Err;
    t.console.output.clear();
    EXPECT_NE(OpenConnection(t.run), 0u);
    int result = EvaluateWorkload(t.run);
    CloseConnection(t.run);
    return result;
  }

  VirtualFileSystem* memory;
  VirtualFileSystem& disk;
  SimulatedRun t;
};

TEST_F(WorkloadEvaluationTest, DayTotalsThenDifferencesToTheLastChange) {
  Serve({{"100", 1000, 900, 100, 250000, 50000, 20000, 3000},
         {"200", 234, 200, 34, 1000, 500, 400, 100}});
  EXPECT_EQ(Evaluate(), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Ok);
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1.234, Dialog=1.100, Batch=134, RspTime=203 ms, "
                     "CpuTime=40 ms ",
                     Totals({"1234", "1100", "134", "203", "40", "16", "2"})));
  EXPECT_EQ(disk.files[kProfile],
            "Destination: PRD\n"
            "# Clt Date=20240131 10:15:00 Steps=1234\n"
            "# Clt 100        1000        250000         50000         20000"
            "          3000         900         100\n"
            "# Clt 200         234          1000           500           400"
            "           100         200          34\n");
  EXPECT_EQ(t.console.output, "");

  Serve({{"100", 1050, 940, 110, 260000, 50500, 20500, 3500},
         {"200", 244, 210, 34, 1000, 500, 400, 100}});
  Evaluate();
  std::string second = Document(
      "(PRD) Summary: Step(s)=60, Dialog=50, Batch=10, RspTime=166 ms, CpuTime=8 ms ",
      Totals({"60", "50", "10", "166", "8", "8", "8"}));
  EXPECT_EQ(t.run.resultDocument.Text(), second);
  EXPECT_EQ(disk.writes[kProfile], 2);

  // Nothing happened since: the profile stays and the last change is
  // reported again, against the "# Clx " records.
  Evaluate();
  EXPECT_EQ(disk.writes[kProfile], 2);
  EXPECT_EQ(t.run.resultDocument.Text(), second);

  // A new day starts from the day totals and keeps no "# Clx " lines.
  t.run.serverDate = "20240201";
  Serve({{"100", 5, 5, 0, 50, 5, 5, 5}}, "20240201");
  Evaluate();
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=5, Dialog=5, Batch=0, RspTime=10 ms, CpuTime=1 ms ",
                     Totals({"5", "5", "0", "10", "1", "1", "1"})));
  EXPECT_EQ(disk.files[kProfile].find("# Clx"), std::string::npos);
}

TEST_F(WorkloadEvaluationTest, CountersBelowTheirBaselineWrapAndZeroStepsCountAsOne) {
  disk.Create(kProfile, "# Clt Date=20240131 09:00:00 Steps=7\n" +
                            Record("100", {{7, 100, 0, 0, 0, 5, 2}}));
  Serve({{"100", 5, 5, 0, 99, 30, 0, 0}});
  Evaluate();
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=4294.967.294, Dialog=0, Batch=4294.967.294, "
                     "RspTime=1 ms, CpuTime=0 ms ",
                     Totals({"4294967294", "0", "4294967294", "1", "0", "0", "0"})));

  disk.Create(kProfile, "");
  Serve({{"100", 0, 0, 0, 1234567, 4000, 0, 0}});
  Evaluate();
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1, Dialog=0, Batch=0, RspTime=1.234.567 ms, "
                     "CpuTime=4.000 ms ",
                     Totals({"1", "0", "0", "1234567", "4000", "0", "0"})));
}

TEST_F(WorkloadEvaluationTest, OptionsChooseTheChannels) {
  Serve({{"100", 10, 6, 4, 1000, 500, 300, 100}, {"200", 0, 0, 0, 70, 60, 50, 40}});
  struct Case {
    const char* parameters;
    std::string channels;
  } cases[] = {
      // The first option present in the parameters chooses.
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
    EXPECT_EQ(t.run.resultDocument.Text(),
              Document("(PRD) Summary: Step(s)=10, Dialog=6, Batch=4, RspTime=107 ms, "
                       "CpuTime=56 ms ",
                       c.channels))
        << c.parameters;
  }

  // A client filter selects the totals, not the per-client channels:
  // the filtered client's difference, the other's day totals.
  const std::string profile = "# Clt Date=20240131 09:00:00 Steps=1\n" +
                              Record("100", {{10, 1000, 100, 0, 0, 10, 0}}) +
                              Record("200", {{20, 2000, 0, 0, 0, 20, 0}});
  Serve({{"100", 30, 30, 0, 5000, 300, 0, 0}, {"200", 40, 40, 0, 2800, 0, 0, 0}});
  t.run.clientFilter = "200";
  const std::string text =
      "(PRD) Usage Client[200]: Step(s)=20, Dialog=20, Batch=0, RspTime=40 ms, CpuTime=0 ms ";
  disk.Create(kProfile, profile);
  Evaluate();
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document(text, Totals({"20", "20", "0", "40", "0", "0", "0"})));
  disk.Create(kProfile, profile);
  Evaluate("RESPONSE");
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document(text, Channel("Client 100", "166", "mSec") +
                               Channel("Client 200", "40", "mSec")));
}

TEST_F(WorkloadEvaluationTest, EachClientHasOneSlotHoweverManyAndWhereverItsRowsLie) {
  std::vector<Row> rows;
  std::string channels;
  for (int i = 0; i < 40; ++i) {
    std::string client = std::to_string(100 + i);
    rows.push_back({client, i + 1});
    channels += Channel("Client " + client, std::to_string(2 * (i + 1)));
  }
  for (int i = 0; i < 40; ++i) rows.push_back(rows[i]);  // each client again, later
  Serve(rows);
  Evaluate("STEPS");
  EXPECT_EQ(t.run.resultDocument.Text(),
            Document("(PRD) Summary: Step(s)=1.640, Dialog=0, Batch=0, RspTime=0 ms, "
                     "CpuTime=0 ms ",
                     channels));
  std::string profile = disk.files[kProfile];
  EXPECT_NE(profile.find("Steps=1640\n"), std::string::npos);
  EXPECT_NE(profile.find("\n# Clt 139          80 "), std::string::npos);
  EXPECT_EQ(profile.find("# Clt 139", profile.find("# Clt 139") + 1), std::string::npos);

  // The next run's differences are taken against the one record per client.
  rows.push_back({"105", 1});
  Serve(rows);
  Evaluate("STEPS");
  EXPECT_NE(t.run.resultDocument.Text().find(Channel("Client 105", "1") +
                                             Channel("Client 106", "0")),
            std::string::npos);
}

TEST_F(WorkloadEvaluationTest, DataOptionPrintsTheSelectedRows) {
  Serve({{"100", 12, 10, 2, 4567, 890, 12, 3, "DDIC"},
         {"200", 1, 1, 0, 0, 0, 0, 0, "OTHER"},
         {"100", 1234567, 7, 8, 123456789, 0, 0, 0, "ABCDEFGHIJKL"}});
  t.run.clientFilter = "100";
  Evaluate("DATA");
  EXPECT_EQ(t.console.output,
            "DDIC         100     12     4567      890       12        3     10      2\n"
            "ABCDEFGHIJKL 100 1234567 123456789        0        0        0      7      8\n");
}

TEST_F(WorkloadEvaluationTest, NoDataAndFailures) {
  Serve({});
  EXPECT_EQ(Evaluate("STEPS"), 2);
  EXPECT_EQ(t.run.runStatus, RunStatus::Ok);
  EXPECT_EQ(t.run.resultDocument.Text(),
            "\n<Prtg>\n\n<Text>PRD Summary: Step(s)=0, Dialog=0, Batch=0, Rsp-Time=0, "
            "CPU-Time=0 </Text>\n" +
                Channel("Steps", "0") + Channel("Dialog", "0") + Channel("Batch", "0") +
                Channel("Response", "0") + Channel("CPU-Time", "0") +
                Channel("DBS-Time", "0") + Channel("SUS-Time", "0") + "\n</Prtg>\n");
  EXPECT_EQ(disk.writes[kProfile], 0);

  // A profile that cannot be rewritten stays as it was, and the run ends
  // in an error.
  disk.failingWrites.insert(kProfile);
  Serve({{"100", 5}});
  EXPECT_EQ(Evaluate("DATA"), 0);
  EXPECT_EQ(t.run.runStatus, RunStatus::Err);
  EXPECT_EQ(t.run.resultDocument.Text(),
            "Error 1016: ReWriting of Profile C:\\Sensors\\PRD.P00 failed !");
  EXPECT_EQ(disk.files[kProfile], "Destination: PRD\n");
  EXPECT_EQ(t.console.output, "");
}

TEST_F(WorkloadEvaluationTest, ItemRunPrintsOneChannelOrThePerClientChannels) {
  disk.Create(kProfile, "# Clt Date=20240131 09:00:00 Steps=1\n" +
                            Record("100", {{10, 0, 0, 0, 0, 0, 0}}));
  Serve({{"100", 0, 4, 0, 300, 0, 0, 0}, {"200", 0, 3, 0, 70, 0, 0, 0}});
  t.run.itemMode = true;
  t.run.itemChannelName = "PRD.P00";
  struct Case {
    const char* parameters;
    const char* item;
    std::string output;
  } cases[] = {
      {"ITEM=RSP TIME", "Rsp Time", Channel("PRD.P00", "370")},
      {"ITEM=STEP(S)", "Step(s)", Channel("PRD.P00", "0")},
      {"ITEM=DIALOG", "Dialog", Channel("PRD.P00", "7")},
      {"ITEM=DIALOG", "DIALOG", ""},    // the item name is compared exactly
      {"ITEM=DIALOG", "Rsp Time", ""},  // "DIALOG" allows only "Dialog"
      {"ITEM=DIALOG RESPONSE", "Dialog", Channel("PRD.P00", "7")},  // "DIALOG" comes first
      // Per-client options give every client's channel at once.
      {"RESPONSE", "Dialog",
       Channel("PRD.P00 Client 100", "300", "mSec") + Channel("PRD.P00 Client 200", "70", "mSec")},
  };
  for (const Case& c : cases) {
    t.run.itemName = c.item;
    t.run.itemReported = false;
    Evaluate(c.parameters);
    EXPECT_EQ(t.console.output, c.output) << c.parameters << " / " << c.item;
    EXPECT_TRUE(t.run.itemReported);
    EXPECT_EQ(t.run.resultDocument.Text(), "");
  }
  EXPECT_EQ(disk.writes[kProfile], 0);
}

}  // namespace
