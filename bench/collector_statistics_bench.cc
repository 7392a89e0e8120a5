// Measures the evaluation of the workload collector's rows into the seven
// counters per client: a large day of 500 users and 200 transactions is
// about 100,000 rows (USERTCODE). The rows are held decoded, as the typed
// call interface hands them over, so that the figure is the evaluation's.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "measure/collector_statistics.h"

namespace {

const std::vector<std::string> kFields = {"TASKTYPE", "ACCOUNT",   "MANDT",     "ENTRY_ID",
                                          "COUNT",    "RESPTI",    "CPUTI",     "LOADGENTI",
                                          "DBP_TIME", "READDIRTI", "READSEQTI", "CHNGTI"};

/// Row i: client i modulo |clients|, task type dialog, background or RFC
/// in turn; the numbers vary with i.
class GeneratedRows : public CollectorRows {
 public:
  GeneratedRows(std::size_t rows, int clients) : texts_(rows), numbers_(rows) {
    const char tasks[] = {0x01, 0x04, static_cast<char>(0xFE)};
    for (std::size_t i = 0; i < rows; ++i) {
      char client[4];
      std::snprintf(client, sizeof client, "%03d", static_cast<int>(i % clients));
      texts_[i] = {std::string(1, tasks[i % 3]), "USER" + std::to_string(i / 200 % 500), client,
                   "TCODE" + std::to_string(i % 200)};
      for (std::size_t f = 0; f < numbers_[i].size(); ++f)
        numbers_[i][f] = static_cast<std::uint32_t>(1 + (i * 7 + f) % 100000);
    }
  }
  std::size_t size() const override { return texts_.size(); }
  std::string_view Text(std::size_t row, int field) const override { return texts_[row][field]; }
  std::uint32_t Number(std::size_t row, int field) const override {
    return numbers_[row][field - 4];
  }

 private:
  std::vector<std::array<std::string, 4>> texts_;
  std::vector<std::array<std::uint32_t, 8>> numbers_;
};

void BM_SumCollectorRows(benchmark::State& state) {
  GeneratedRows rows(static_cast<std::size_t>(state.range(0)), 4);
  CollectorMapping mapping = CollectorMapping::FromFieldNames(kFields);
  for (auto _ : state) {
    CollectorDayTotals totals = SumCollectorRows(rows, mapping);
    benchmark::DoNotOptimize(totals.allClientsStepTotal);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SumCollectorRows)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
