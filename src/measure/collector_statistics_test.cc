#include "measure/collector_statistics.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "sapsim/collector.h"

namespace {

/// Collector rows held as decoded values, field by field.
struct HeldRows : CollectorRows {
  explicit HeldRows(std::vector<std::string> fieldNames) : names(std::move(fieldNames)) {}
  std::size_t size() const override { return texts.size(); }
  std::string_view Text(std::size_t row, int field) const override { return texts[row][field]; }
  std::uint32_t Number(std::size_t row, int field) const override { return numbers[row][field]; }
  int Field(const std::string& name) const {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return static_cast<int>(i);
    return -1;
  }
  /// Adds a row with |values| by field name (texts for MANDT, ACCOUNT,
  /// TASKTYPE; numbers for the others).
  void Add(const std::string& client, unsigned char task,
           const std::vector<std::pair<std::string, std::uint32_t>>& values) {
    texts.emplace_back(names.size());
    numbers.emplace_back(names.size());
    if (Field("MANDT") >= 0) texts.back()[Field("MANDT")] = client;
    texts.back()[Field("TASKTYPE")] = std::string(1, static_cast<char>(task));
    for (const auto& [name, value] : values) numbers.back()[Field(name)] = value;
  }
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> texts;
  std::vector<std::vector<std::uint32_t>> numbers;
};

const std::vector<std::string> kWorkloadFields = {"TASKTYPE", "ACCOUNT",   "MANDT",     "COUNT",
                                                  "DCOUNT",   "RESPTI",    "CPUTI",     "LOADGENTI",
                                                  "DBP_TIME", "READDIRTI", "READSEQTI", "CHNGTI"};

TEST(CollectorStatisticsTest, TheMappingComesFromTheSystemsFieldNames) {
  CollectorMapping full = CollectorMapping::FromFieldNames(kWorkloadFields);
  EXPECT_TRUE(full.HasClient());
  EXPECT_TRUE(full.Complete());
  EXPECT_EQ(full.Of(CollectorValue::kSteps), 3);
  EXPECT_EQ(full.susTime, SusTimeSource::kLoadGeneration);
  EXPECT_NE(full.Describe().find("sus time LOADGENTI"), std::string::npos);

  std::vector<std::string> noClient = kWorkloadFields;
  noClient.erase(noClient.begin() + 2);
  CollectorMapping withoutClient = CollectorMapping::FromFieldNames(noClient);
  EXPECT_FALSE(withoutClient.HasClient());
  EXPECT_FALSE(withoutClient.Complete());

  std::vector<std::string> noLoad = kWorkloadFields;
  noLoad.erase(noLoad.begin() + 7);
  EXPECT_EQ(CollectorMapping::FromFieldNames(noLoad).susTime, SusTimeSource::kDbProcedure);
  noLoad.erase(noLoad.begin() + 7);
  CollectorMapping none = CollectorMapping::FromFieldNames(noLoad);
  EXPECT_EQ(none.susTime, SusTimeSource::kNone);
  EXPECT_TRUE(none.Complete());  // sus time may be missing, the rest not
}

TEST(CollectorStatisticsTest, TaskTypesMakeDialogAndBatchStepsAndTheDatabaseTimeIsThreeTimes) {
  HeldRows rows(kWorkloadFields);
  rows.Add("100", 0x01,
           {{"COUNT", 6},
            {"RESPTI", 600},
            {"CPUTI", 60},
            {"READDIRTI", 10},
            {"READSEQTI", 20},
            {"CHNGTI", 30},
            {"DBP_TIME", 1000},
            {"LOADGENTI", 7}});
  rows.Add("100", 0x04, {{"COUNT", 4}, {"RESPTI", 0xFFFFFFFF}});
  rows.Add("100", 0xFE, {{"COUNT", 2}});
  CollectorMapping mapping = CollectorMapping::FromFieldNames(kWorkloadFields);
  UsageCounters dialog = CollectorRowCounters(rows, mapping, 0);
  EXPECT_EQ(dialog[UsageCounters::kSteps], 6u);
  EXPECT_EQ(dialog[UsageCounters::kDialog], 6u);
  EXPECT_EQ(dialog[UsageCounters::kBatch], 0u);
  EXPECT_EQ(dialog[UsageCounters::kDbTime], 60u);  // not the procedure time
  EXPECT_EQ(dialog[UsageCounters::kSusTime], 7u);
  EXPECT_EQ(CollectorRowCounters(rows, mapping, 1)[UsageCounters::kBatch], 4u);
  UsageCounters rfc = CollectorRowCounters(rows, mapping, 2);
  EXPECT_EQ(rfc[UsageCounters::kSteps], 2u);
  EXPECT_EQ(rfc[UsageCounters::kDialog] + rfc[UsageCounters::kBatch], 0u);

  CollectorDayTotals totals = SumCollectorRows(rows, mapping);
  ASSERT_EQ(totals.slots.size(), 1u);
  EXPECT_EQ(totals.slots[0].dayTotals[UsageCounters::kSteps], 12u);
  EXPECT_EQ(totals.slots[0].dayTotals[UsageCounters::kRespTime], 599u);  // wraps
  EXPECT_EQ(totals.allClientsStepTotal, 12u);
}

TEST(CollectorStatisticsTest, ClientsGetOneSlotEachInTheOrderOfTheirFirstRow) {
  HeldRows rows(kWorkloadFields);
  for (int i = 0; i < 9; ++i)
    rows.Add(i % 3 == 0 ? "200" : i % 3 == 1 ? "100" : "300", 0x01, {{"COUNT", 1}});
  CollectorDayTotals totals =
      SumCollectorRows(rows, CollectorMapping::FromFieldNames(kWorkloadFields));
  ASSERT_EQ(totals.slots.size(), 3u);
  EXPECT_EQ(totals.slots[0].client, "200");
  EXPECT_EQ(totals.slots[1].client, "100");
  EXPECT_EQ(totals.slots[2].client, "300");
  for (const ClientSlot& slot : totals.slots) {
    EXPECT_EQ(slot.dayTotals[UsageCounters::kSteps], 3u);
    EXPECT_EQ(slot.differences[UsageCounters::kDialog], 3u);
  }
  EXPECT_EQ(totals.allClientsStepTotal, 9u);
}

// The simulated system's collector rows, made from statistics rows, sum to
// the counters the accounting interface's rows give: the same description
// measures the same through either source.
TEST(CollectorStatisticsTest, TheSimulatedSplitSumsToTheAccountingCounters) {
  StatisticsRow a;
  a.client = "100";
  a.account = "DEMO";
  a.integers[0] = 120;  // steps
  a.integers[1] = 100;  // dialog
  a.integers[2] = 5;    // update
  a.integers[3] = 11;   // batch
  a.packed[0] = 60000;  // response
  a.packed[2] = 12000;  // CPU
  a.packed[3] = 9000;   // database
  a.packed[4] = 3000;   // sus
  StatisticsRow b = a;
  b.client = "200";
  b.integers[1] = 0;
  HeldRows rows({"TASKTYPE", "MANDT", "COUNT", "RESPTI", "CPUTI", "READDIRTI", "READSEQTI",
                 "CHNGTI", "LOADGENTI"});
  for (const CollectorRow& r : SplitStatistics({a, b}, -1)) {
    auto ms = [&](int column) { return static_cast<std::uint32_t>(r.values[column] / 1000); };
    rows.Add(r.client, r.tasktype,
             {{"COUNT", static_cast<std::uint32_t>(r.values[0])},
              {"RESPTI", ms(7)},
              {"CPUTI", ms(9)},
              {"READDIRTI", ms(17)},
              {"LOADGENTI", ms(13)}});
  }
  CollectorDayTotals totals = SumCollectorRows(rows, CollectorMapping::FromFieldNames(rows.names));
  ASSERT_EQ(totals.slots.size(), 2u);
  const UsageCounters& first = totals.slots[0].dayTotals;
  EXPECT_EQ(first.value, (std::array<std::uint32_t, 7>{120, 60000, 12000, 9000, 3000, 100, 11}));
  EXPECT_EQ(totals.slots[1].dayTotals.value,
            (std::array<std::uint32_t, 7>{120, 60000, 12000, 9000, 3000, 0, 11}));
}

}  // namespace
