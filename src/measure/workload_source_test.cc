// The choice of the workload's source and the collector's layout, through
// both RFC clients over their stand-ins: the same statistics give the same
// per-client totals on every release.

#include "measure/workload_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "sap/classic_rfc_client.h"
#include "sap/connection.h"
#include "sap/netweaver_rfc_client.h"
#include "sapsim/netweaver/nw_standin.h"
#include "testing/client_run.h"

// Counters compare by their values (found by argument-dependent lookup in
// the comparison of the per-client lists).
static bool operator==(const UsageCounters& a, const UsageCounters& b) {
  return a.value == b.value;
}

namespace {

/// Two clients' rows; client 100 in two rows apart.
const char* kStatistics = R"(, "statistics": {"20240305": [
    {"client": "100", "account": "MONITOR", "steps": 300, "dsteps": 250, "bsteps": 40,
     "usteps": 5, "resp_time": 90000, "cpu_time": 3000, "a_db_time": 4500, "s_db_time": 600},
    {"client": "200", "account": "SALES", "steps": 20, "dsteps": 20, "resp_time": 1000,
     "cpu_time": 200, "a_db_time": 400, "s_db_time": 7},
    {"client": "100", "account": "BATCHUSER", "steps": 7, "bsteps": 7, "resp_time": 70,
     "cpu_time": 7, "a_db_time": 14, "s_db_time": 1}]})";

/// Per client: the seven counters summed, in the order the clients came.
struct Fetched {
  WorkloadFetch fetch;
  std::vector<std::pair<std::string, UsageCounters>> clients;
};

Fetched Fetch(ClientRun& t, WorkloadSource source) {
  RfcSession session = t.Session();
  Fetched f;
  f.fetch = FetchWorkload(session, "20240305", source, [&](const WorkloadRows& rows) {
    for (size_t row = 0; row < rows.size(); ++row) {
      std::string client(rows.Client(row));
      auto it = std::find_if(f.clients.begin(), f.clients.end(),
                             [&](const auto& c) { return c.first == client; });
      if (it == f.clients.end()) it = f.clients.insert(f.clients.end(), {client, {}});
      it->second.Add(rows.Counters(row));
    }
    return Outcome::Ok();
  });
  t.client().Close(session.connection);
  return f;
}

std::string System(const std::string& members) { return OneSystem("{}", members + kStatistics); }

class WorkloadSourceTest : public ::testing::TestWithParam<Library> {};

TEST_P(WorkloadSourceTest, EveryReleaseGivesTheSameTotalsPerClient) {
  ClientRun old(GetParam(), System(""));
  Fetched reference = Fetch(old, WorkloadSource::kAutomatic);
  ASSERT_TRUE(reference.fetch.outcome.ok()) << reference.fetch.outcome.Message();
  EXPECT_FALSE(reference.fetch.fromCollector);
  ASSERT_EQ(reference.clients.size(), 2u);
  EXPECT_EQ(reference.clients[0].second[UsageCounters::kSteps], 307u);
  EXPECT_EQ(reference.clients[0].second[UsageCounters::kBatch], 47u);
  for (const char* members : {R"(, "release": "750")", R"(, "release": "S4")",
                              R"(, "release": "750", "collector_client_table": "USERTCODE")",
                              R"(, "release": "S4", "collector_client_table": "USERTCODE")"}) {
    SCOPED_TRACE(members);
    ClientRun t(GetParam(), System(members));
    Fetched f = Fetch(t, WorkloadSource::kAutomatic);
    ASSERT_TRUE(f.fetch.outcome.ok()) << f.fetch.outcome.Message();
    EXPECT_TRUE(f.fetch.fromCollector);
    EXPECT_EQ(f.clients, reference.clients);
    bool inTcode = std::string(members).find("USERTCODE") != std::string::npos;
    EXPECT_EQ(f.fetch.collectorTable, inTcode ? "USERTCODE" : "USERWORKLOAD");
    EXPECT_NE(f.fetch.collectorMapping.find("LOADGENTI"), std::string::npos);
    // Only the table read is filled and carried; the collector's other
    // tables stay in the system.
    for (const nlohmann::json& created : t.sim.Journal("ItCreate"))
      EXPECT_NE(created["name"], inTcode ? "USERWORKLOAD" : "USERTCODE");
  }
}

TEST_P(WorkloadSourceTest, ASecondLogonOnlyWhenTheFirstAnswerEndedTheConnection) {
  ClientRun s4(GetParam(), System(R"(, "release": "S4")"));
  Fetched f = Fetch(s4, WorkloadSource::kAutomatic);
  ASSERT_TRUE(f.fetch.fromCollector);
  // The classic library's call of a missing module ends in a system
  // failure that closes the connection; the NetWeaver library's lookup
  // leaves it open.
  EXPECT_EQ(s4.logons, GetParam() == Library::kClassic ? 2 : 1);
  ClientRun v750(GetParam(), System(R"(, "release": "750")"));
  Fetch(v750, WorkloadSource::kAutomatic);
  EXPECT_EQ(v750.logons, 1);
}

TEST_P(WorkloadSourceTest, TheOptionChoosesOneSource) {
  ClientRun v750(GetParam(), System(R"(, "release": "750")"));
  Fetched accounting = Fetch(v750, WorkloadSource::kAccounting);
  EXPECT_TRUE(accounting.fetch.noData);
  EXPECT_FALSE(accounting.fetch.collectorAsked);
  ClientRun old(GetParam(), System(""));
  Fetched collector = Fetch(old, WorkloadSource::kCollector);
  EXPECT_TRUE(collector.fetch.outcome.IsFunctionNotFound()) << collector.fetch.outcome.Message();
  EXPECT_TRUE(collector.clients.empty());
}

TEST_P(WorkloadSourceTest, WithoutUsableCollectorTheFirstAnswerStands) {
  // 46C without data: the collector does not exist, the run has no data.
  ClientRun old(GetParam(), OneSystem("{}", R"(, "statistics": {})"));
  Fetched none = Fetch(old, WorkloadSource::kAutomatic);
  EXPECT_TRUE(none.fetch.outcome.ok());
  EXPECT_TRUE(none.fetch.noData);
  EXPECT_TRUE(none.fetch.collectorAsked);
  EXPECT_TRUE(none.fetch.collectorOutcome.IsFunctionNotFound());
  // No table with a client: no wrong number, the first answer stands.
  ClientRun v750(GetParam(), System(R"(, "release": "750", "collector_client_table": "none")"));
  Fetched noClient = Fetch(v750, WorkloadSource::kAutomatic);
  EXPECT_TRUE(noClient.fetch.noData);
  EXPECT_TRUE(noClient.fetch.collectorWithoutClient);
  EXPECT_TRUE(noClient.clients.empty());
  ClientRun onlyCollector(GetParam(),
                          System(R"(, "release": "750", "collector_client_table": "none")"));
  Fetched withoutClient = Fetch(onlyCollector, WorkloadSource::kCollector);
  EXPECT_TRUE(withoutClient.fetch.outcome.ok());
  EXPECT_TRUE(withoutClient.fetch.noData);
  ClientRun s4(GetParam(), System(R"(, "release": "S4", "collector_client_table": "none")"));
  Fetched missing = Fetch(s4, WorkloadSource::kAutomatic);
  EXPECT_TRUE(missing.fetch.outcome.IsFunctionNotFound());
  // Both sources without data for the day.
  ClientRun empty(GetParam(), OneSystem("{}", R"(, "release": "750", "statistics": {})"));
  Fetched neither = Fetch(empty, WorkloadSource::kAutomatic);
  EXPECT_TRUE(neither.fetch.noData);
  EXPECT_TRUE(neither.fetch.collectorNoData);
}

TEST_P(WorkloadSourceTest, TheCollectorsFailureIsTheAnswer) {
  ClientRun t(GetParam(), OneSystem(R"({"SWNC_COLLECTOR_GET_AGGREGATES": {"receive": 3,
                  "exception": "RFC_NO_AUTHORITY", "close": true}})",
                                    std::string(R"(, "release": "750")") + kStatistics));
  Fetched f = Fetch(t, WorkloadSource::kAutomatic);
  EXPECT_FALSE(f.fetch.outcome.ok());
  EXPECT_EQ(f.fetch.outcome.code(), Status::Code::kCommunication);
  EXPECT_FALSE(f.fetch.noData);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, WorkloadSourceTest,
                         ::testing::Values(Library::kClassic, Library::kNetWeaver));

/// The layout as each library reads it from the system's metadata.
class CollectorLayoutTest : public ::testing::TestWithParam<Library> {};

TEST_P(CollectorLayoutTest, PackedCountersRawTaskTypeAndOffsetsFromTheSystem) {
  ClientRun t(GetParam(), System(R"(, "release": "750", "collector_client_table": "USERTCODE")"));
  RfcSession session = t.Session();
  CollectorLayout layout;
  RowType importing;
  ASSERT_TRUE(ReadCollectorLayout(session, &layout, &importing).ok());
  ASSERT_EQ(layout.table, "USERTCODE");
  const RowType& type = layout.rowType;
  EXPECT_TRUE(type.layoutGiven);
  auto field = [&](const char* name) { return type.fields.at(type.FieldIndex(name)); };
  EXPECT_EQ(field("TASKTYPE").type, AbapType::kRaw);
  EXPECT_EQ(field("TASKTYPE").length, 1u);
  EXPECT_EQ(field("COUNT").type, AbapType::kPacked);
  EXPECT_EQ(field("COUNT").length, 13u);  // DEC 24
  // One byte per character, the layout both libraries give the sensor.
  EXPECT_EQ(field("MANDT").offset, 13u);
  EXPECT_EQ(field("ENTRY_ID").offset, 16u);
  EXPECT_EQ(field("COUNT").offset, 89u);
  t.client().Close(session.connection);
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, CollectorLayoutTest,
                         ::testing::Values(Library::kClassic, Library::kNetWeaver));

}  // namespace
