// Measures the usage history of a profile with many clients: the lookup of
// each client's former records (on the rewrite and for its baseline) must
// not scan the whole profile once per client.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "measure/server_clock.h"
#include "measure/usage_history.h"
#include "testing/virtual_file_system.h"

namespace {

/// The client text of number |i|: three printable characters, so that
/// some 800,000 clients are distinct.
std::string Client(int i) {
  std::string client(3, ' ');
  for (int k = 2; k >= 0; --k, i /= 94) client[k] = static_cast<char>('!' + i % 94);
  return client;
}

/// A profile of the day with a record of each of |clients| clients, and
/// the slots of a later run of that day in which every client has moved.
void BM_HistoryOfManyClients(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  std::vector<std::string> lines = {"Extcompany.: SAP", "Destination: PRD",
                                    "# Clt Date=20240305 14:07:09 Steps=1"};
  std::vector<ClientSlot> slots;
  for (int i = 0; i < clients; ++i) {
    ClientSlot slot{Client(i), {}, {}};
    slot.dayTotals[UsageCounters::kSteps] = 10;
    lines.push_back(ClientRecord(slot));
    slot.dayTotals[UsageCounters::kSteps] = 11;
    slots.push_back(slot);
  }
  const std::string path = "C:\\Sensors\\PRD.P00";
  const ServerClock clock{"20240305", "14:17:09"};
  VirtualFileSystem disk;
  for (auto _ : state) {
    UsageHistory history(lines);
    if (!history.UpdateHistory(disk, path, clock, slots, 11u * clients).ok()) {
      state.SkipWithError("the rewrite failed");
      break;
    }
    for (const ClientSlot& slot : slots)
      benchmark::DoNotOptimize(history.FindBaseline(slot.client));
  }
  state.SetComplexityN(clients);
}
BENCHMARK(BM_HistoryOfManyClients)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
