// Measures EvaluateWorkload over growing numbers of statistics rows, to
// show that the evaluation grows linearly with the rows and does not
// depend on how the rows of the clients are interleaved.
//
// The rows come from a library that serves them ready-made: the simulated
// SAP system would parse a description of some 150 MB for a million rows
// at every logon, which would measure the parser, not the evaluation.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "measure/server_clock.h"
#include "measure/workload_evaluation.h"
#include "output/result_document.h"
#include "sap/classic_rfc_client.h"
#include "testing/virtual_file_system.h"

// The classic library's record of a STATISTIC row (structure SAPWLACCTS,
// 88 bytes).
constexpr unsigned kStatisticRowLength = 88;
namespace statistic_row {
constexpr unsigned kClient = 0, kUserAccnt = 3, kSteps = 16, kDsteps = 20, kUsteps = 24,
                   kBsteps = 28, kRespTime = 32, kQueueTime = 40, kCpuTime = 48, kADbTime = 56,
                   kSDbTime = 64, kADataVol = 72, kSDataVol = 80;
}  // namespace statistic_row

namespace {

using StatisticRow = std::array<unsigned char, kStatisticRowLength>;

/// A classic RFC library, under the classic client, whose
/// SAPWL_ACCNT_GET_SYSTEM_USAGE answers with rows built once: row i belongs to client i modulo the
/// number of clients, so the rows of every client lie spread over the whole table.
class ServedRows : public RfcLibrary {
 public:
  ServedRows(size_t rows, int clients) : rows_(rows) {
    for (size_t i = 0; i < rows; ++i) {
      StatisticRow& row = rows_[i];
      row.fill(' ');
      char client[4];
      std::snprintf(client, sizeof client, "%03d", static_cast<int>(i % clients));
      std::memcpy(row.data() + statistic_row::kClient, client, 3);
      std::memcpy(row.data() + statistic_row::kUserAccnt, "MONITOR     ", 12);
      PutInteger(row, statistic_row::kSteps, 1 + i % 7);
      PutInteger(row, statistic_row::kDsteps, 1 + i % 5);
      PutInteger(row, statistic_row::kUsteps, 0);
      PutInteger(row, statistic_row::kBsteps, i % 3);
      for (unsigned offset :
           {statistic_row::kRespTime, statistic_row::kQueueTime, statistic_row::kCpuTime,
            statistic_row::kADbTime, statistic_row::kSDbTime, statistic_row::kADataVol,
            statistic_row::kSDataVol})
        PutPacked(row, offset, 1000 + i % 100000);
    }
  }

  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType* handle) override {
    *handle = 1000;
    return 0;
  }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 0; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 0; }
  ItHandle ItCreate(const char* name, unsigned, unsigned, unsigned) override {
    return std::strcmp(name, "STATISTIC") == 0 ? statistic_ : relation_;
  }
  unsigned ItFill(ItHandle table) override {
    return IsStatistic(table) ? static_cast<unsigned>(rows_.size()) : 0;
  }
  void* ItGetLine(ItHandle table, unsigned line) override {
    if (!IsStatistic(table) || line == 0 || line > rows_.size()) return nullptr;
    return rows_[line - 1].data();
  }
  int ItDelete(ItHandle) override { return 0; }

 private:
  static void PutInteger(StatisticRow& row, unsigned offset, std::uint32_t value) {
    for (int b = 0; b < 4; ++b) row[offset + b] = static_cast<unsigned char>(value >> (8 * b));
  }
  /// A positive 15-digit packed decimal.
  static void PutPacked(StatisticRow& row, unsigned offset, std::uint64_t value) {
    unsigned char nibbles[16];
    nibbles[15] = 0xC;
    for (int n = 14; n >= 0; --n, value /= 10) nibbles[n] = static_cast<unsigned char>(value % 10);
    for (int b = 0; b < 8; ++b)
      row[offset + b] = static_cast<unsigned char>(nibbles[2 * b] << 4 | nibbles[2 * b + 1]);
  }
  bool IsStatistic(ItHandle table) const { return table == statistic_; }

  std::vector<StatisticRow> rows_;
  // The handles only need to be distinct and non-null.
  char tables_[2] = {};
  ItHandle statistic_ = reinterpret_cast<ItHandle>(&tables_[0]);
  ItHandle relation_ = reinterpret_cast<ItHandle>(&tables_[1]);
};

void BM_EvaluateWorkload(benchmark::State& state, int clients) {
  const size_t rows = static_cast<size_t>(state.range(0));
  ServedRows rfc(rows, clients);
  VirtualFileSystem disk;
  ClassicRfcClient client(rfc);
  RfcSession session{client, 1};
  const ServerClock clock{"20240131", "10:15:00"};
  const std::string path = "C:\\Sensors\\PRD.P00";
  const std::vector<std::string> lines = {"Destination: PRD", "Client     : 100",
                                          "User       : MONITOR"};
  ResultDocument document;
  bool ok = true;
  for (auto _ : state) {
    // A new day each time: the profile is rewritten.
    WorkloadResult result =
        EvaluateWorkload(session, clock, {}, "PRD", HistoryFile{disk, path, lines}, document);
    ok = ok && result.outcome.ok();
    benchmark::DoNotOptimize(document.Text().data());
  }
  if (!ok) state.SkipWithError("evaluation failed");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows));
  state.SetComplexityN(state.range(0));
}

BENCHMARK_CAPTURE(BM_EvaluateWorkload, clients_3, 3)
    ->Arg(10)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_EvaluateWorkload, clients_300, 300)
    ->Arg(10)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace
