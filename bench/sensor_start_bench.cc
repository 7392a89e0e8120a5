// Measures what a sensor process costs before and around its measurement:
// the floor (a static program that does nothing), a run that ends before
// it needs the RFC library (error 1002: no profile), and a single-system
// run whose profile is rewritten every time (no history yet), which
// flushes the new profile and its directory to the disk. The runs take
// place in a directory on the disk (the working directory, or
// BRINDLEMARK_BENCH_DIR), not in memory; BRINDLEMARK_BENCH_SENSOR names
// another sensor program to compare with the one built.

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sap/stored_password.h"

namespace {

namespace fs = std::filesystem;

const char* Sensor() {
  const char* other = std::getenv("BRINDLEMARK_BENCH_SENSOR");
  return other != nullptr && *other != '\0' ? other : BRINDLEMARK_SENSOR;
}

void Write(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

/// A fresh directory on the disk, removed again at the end.
struct RunDirectory {
  RunDirectory() {
    const char* base = std::getenv("BRINDLEMARK_BENCH_DIR");
    path = fs::path(base != nullptr && *base != '\0' ? base : ".") /
           ("brindlemark-start-bench-" + std::to_string(std::rand()));
    fs::create_directories(path);
  }
  ~RunDirectory() { fs::remove_all(path); }
  fs::path path;
};

/// Runs |command| in |dir|; false unless it ends with |exitCode|.
bool Run(const fs::path& dir, const std::string& command, int exitCode) {
  int status = std::system(("cd '" + dir.string() + "' && " + command + " >/dev/null").c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == exitCode;
}

void BM_FloorProcess(benchmark::State& state) {
  RunDirectory dir;
  for (auto _ : state)
    if (!Run(dir.path, std::string("'") + BRINDLEMARK_FLOOR + "'", 0)) {
      state.SkipWithError("the floor program failed");
      break;
    }
}
BENCHMARK(BM_FloorProcess)->Unit(benchmark::kMillisecond);

void BM_RunWithoutLibrary(benchmark::State& state) {
  RunDirectory dir;
  for (auto _ : state)
    if (!Run(dir.path, std::string("'") + Sensor() + "' PRD", 2)) {
      state.SkipWithError("the sensor did not end with error 1002");
      break;
    }
}
BENCHMARK(BM_RunWithoutLibrary)->Unit(benchmark::kMillisecond);

std::string Profile() {
  std::string stored;
  ScramblePassword("secret", 3, &stored);
  return "Extcompany.: SAP\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
         "Password...: " +
         stored +
         "\nLanguage...: E\nMode.......: R/3\nHostname...: sim0\nSysnr......: 00\n"
         "Gwhost.....: sim0\nGwservice..: sapgw00\n";
}

const char kSystem[] =
    R"({"systems": [{"host": "sim0", "logon": {"client": "100", "user": "MONITOR",
    "password": "secret"}, "rfchost": "sim0", "sysid": "PRD",
    "clock": "Tue Mar  5 14:07:09 2024", "statistics": {"20240305": [
    {"client": "100", "account": "USER", "steps": 10, "dsteps": 8, "bsteps": 2,
     "resp_time": 5000, "cpu_time": 1000, "a_db_time": 900, "s_db_time": 100}]}}]})";

void BM_RewritingRunProcess(benchmark::State& state) {
  RunDirectory dir;
  Write(dir.path / "SapSim.json", kSystem);
  const std::string profile = Profile();
  const std::string command = std::string("'") + Sensor() + "' PRD";
  for (auto _ : state) {
    state.PauseTiming();
    Write(dir.path / "PRD.P00", profile);  // no history: the run rewrites it
    state.ResumeTiming();
    if (!Run(dir.path, command, 0)) {
      state.SkipWithError("the sensor failed");
      break;
    }
  }
}
BENCHMARK(BM_RewritingRunProcess)->Unit(benchmark::kMillisecond);

}  // namespace
