// Whole runs of the sensor under field conditions, against the simulated
// SAP system: systems that take their time, one that never answers, and
// long listings.
//
// - An item run over 1,000 systems that each take 50 ms per logon and per
//   call (about 200 ms a system), for 1 to 32 systems measured at once,
//   with the process's peak memory and threads.
// - A single-system run whose statistics call never returns, with a
//   deadline of 2 s.
// - Listings of 100,000 to 400,000 names whose profiles mostly do not
//   exist: the time grows with the listing, not with its square.
//
// Each process is started directly and watched while it runs (Linux).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bench/sensor_directory.h"

namespace {

/// What one process of the sensor took.
struct ProcessFigures {
  bool ok = false;
  double seconds = 0;
  long peakKilobytes = 0;
  int peakThreads = 0;
  int exitCode = -1;
  std::string output;
};

/// The "Threads:" line of /proc/<pid>/status; 0 once it is gone.
int ThreadsOf(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
  return 0;
}

/// Runs the sensor with |arguments| in |directory|; its output is kept.
ProcessFigures RunProcess(const std::filesystem::path& directory,
                          const std::vector<std::string>& arguments) {
  ProcessFigures figures;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0) _exit(127);
    if (!freopen("bench-output.txt", "w", stdout)) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(BRINDLEMARK_SENSOR));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(BRINDLEMARK_SENSOR, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    int threads = ThreadsOf(pid);
    if (threads > figures.peakThreads) figures.peakThreads = threads;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.peakKilobytes = usage.ru_maxrss;
  figures.ok = WIFEXITED(status);
  figures.exitCode = figures.ok ? WEXITSTATUS(status) : -1;
  std::ifstream in(directory / "bench-output.txt");
  figures.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return figures;
}

/// Reports the figures of a run that ended with |exitCode| and printed
/// |expected|; any other run measured something else.
void Report(benchmark::State& state, const ProcessFigures& f, int exitCode,
            const std::string& expected) {
  if (!f.ok) state.SkipWithError("the sensor did not end by itself");
  if (f.exitCode != exitCode || f.output.find(expected) == std::string::npos)
    state.SkipWithError(("the sensor did not end with " + expected).c_str());
  state.SetIterationTime(f.seconds);
  state.counters["peak_rss_kb"] = static_cast<double>(f.peakKilobytes);
  state.counters["peak_threads"] = f.peakThreads;
}

void BM_ItemRunWithLatency(benchmark::State& state) {
  const int systems = 1000;
  SensorDirectory dir;
  for (int i = 0; i < systems; ++i)
    Write(dir.path / ("S" + std::to_string(i) + ".P00"),
          Profile("SYS" + std::to_string(i), "sim" + std::to_string(i)));
  Write(dir.path / "Tessaron.Prf", Listing(systems));
  Write(dir.path / "SapSim.json",
        Description(systems, ", \"latency\": {\"logon\": 50, \"call\": 50}"));
  std::string options = "ITEM=Dialog TIMEOUT=900 PARALLEL=" + std::to_string(state.range(0));
  for (auto _ : state)
    Report(state, RunProcess(dir.path, {"X", options}), 0, "Processed=1000, Failed=0");
}
BENCHMARK(BM_ItemRunWithLatency)
    ->ArgName("parallel")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_SingleRunHungCall(benchmark::State& state) {
  SensorDirectory dir;
  Write(dir.path / "PRD.P00", Profile("PRD", "sim0"));
  Write(dir.path / "SapSim.json",
        Description(1, ", \"faults\": {\"hang\": \"SAPWL_ACCNT_GET_SYSTEM_USAGE\"}"));
  for (auto _ : state)
    Report(state, RunProcess(dir.path, {"PRD", "TIMEOUT=2"}), 2,
           "Error 1017: No answer from PRD within 2 s !");
}
BENCHMARK(BM_SingleRunHungCall)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LongListing(benchmark::State& state) {
  const int names = static_cast<int>(state.range(0));
  SensorDirectory dir;
  // One system in a thousand has a profile; the rest are skipped.
  Write(dir.path / "Tessaron.Prf", Listing(names));
  for (int i = 0; i < names; i += 1000)
    Write(dir.path / ("S" + std::to_string(i) + ".P00"), Profile("SYS", "sim0"));
  Write(dir.path / "SapSim.json", Description(1));
  for (auto _ : state)
    Report(state, RunProcess(dir.path, {"X", "ITEM=Dialog TIMEOUT=900"}), 0,
           "Processed=" + std::to_string((names + 999) / 1000) + ", Failed=0");
}
BENCHMARK(BM_LongListing)
    ->ArgName("names")
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(400000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
