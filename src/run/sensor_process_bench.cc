// Measures whole runs of the sensor as the monitor makes them: a process
// started in a sensor directory, against the simulated SAP system. A
// single-system run (the common case: the monitor starts it again and
// again) and an item run over a listing of 1,000 systems; each with the
// sensor as shipped, which loads the RFC library (here the stand-in beside
// it) when it logs on, and with a sensor that has the simulated system
// linked in.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sap/stored_password.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

std::string Profile(const std::string& destination, const std::string& host) {
  std::string stored;
  ScramblePassword("secret", 3, &stored);
  return "Extcompany.: SAP\nDestination: " + destination +
         "\nClient.....: 100\nUser.......: MONITOR\nPassword...: " + stored +
         "\nLanguage...: E\nMode.......: R/3\nHostname...: " + host +
         "\nSysnr......: 00\nGwhost.....: " + host + "\nGwservice..: sapgw00\n";
}

/// The description of |systems| simulated systems sim0, sim1, ... with a
/// fixed clock and a few statistics rows each.
std::string Description(int systems) {
  std::string json = "{\"systems\": [";
  for (int i = 0; i < systems; ++i) {
    std::string n = std::to_string(i);
    json += std::string(i ? "," : "") + "{\"host\": \"sim" + n +
            "\", \"logon\": {\"client\": \"100\", \"user\": \"MONITOR\", "
            "\"password\": \"secret\"}, \"rfchost\": \"sim" +
            n + "\", \"sysid\": \"S" + n +
            "\", \"clock\": \"Tue Mar  5 14:07:09 2024\", \"statistics\": "
            "{\"20240305\": [";
    for (int row = 0; row < 10; ++row)
      json += std::string(row ? "," : "") + "{\"client\": \"" + std::to_string(100 + row % 3) +
              "\", \"account\": \"USER\", \"steps\": 10, \"dsteps\": 8, \"bsteps\": 2, "
              "\"resp_time\": 5000, \"cpu_time\": 1000, \"a_db_time\": 900, "
              "\"s_db_time\": 100}";
    json += "]}}";
  }
  return json + "]}";
}

/// A fresh sensor directory, removed again at the end.
struct SensorDirectory {
  SensorDirectory() {
    path = fs::temp_directory_path() / ("brindlemark-bench-" + std::to_string(std::rand()));
    fs::create_directories(path);
  }
  ~SensorDirectory() { fs::remove_all(path); }
  fs::path path;
};

void RunSensor(benchmark::State& state, const char* sensor, const fs::path& dir,
               const std::string& args) {
  std::string command = "cd '" + dir.string() + "' && '" + sensor + "' " + args + " >/dev/null";
  for (auto _ : state) {
    int status = std::system(command.c_str());
    if (status != 0) {
      state.SkipWithError("the sensor failed");
      break;
    }
  }
}

void BM_SingleSystemRunProcess(benchmark::State& state, const char* sensor) {
  SensorDirectory dir;
  Write(dir.path / "PRD.P00", Profile("PRD", "sim0"));
  Write(dir.path / "SapSim.json", Description(1));
  RunSensor(state, sensor, dir.path, "PRD");
}
BENCHMARK_CAPTURE(BM_SingleSystemRunProcess, loaded, BRINDLEMARK_SENSOR)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SingleSystemRunProcess, linked, BRINDLEMARK_LINKED_SENSOR)
    ->Unit(benchmark::kMillisecond);

void BM_ItemRunProcess(benchmark::State& state, const char* sensor) {
  const int systems = static_cast<int>(state.range(0));
  SensorDirectory dir;
  std::string listing;
  for (int i = 0; i < systems; ++i) {
    std::string number = std::to_string(i);
    std::string name = "S" + number + ".P00";
    Write(dir.path / name, Profile("S" + number, "sim" + number));
    if (i % 15 == 0) {  // listing lines of 15 systems each
      if (i > 0) listing += '\n';
      listing += "# Gsng: BENCH     --";
    }
    listing += name;
    listing += '#';
  }
  Write(dir.path / "Tessaron.Prf", listing + "\n");
  Write(dir.path / "SapSim.json", Description(systems));
  RunSensor(state, sensor, dir.path, "X ITEM=Dialog");
}
BENCHMARK_CAPTURE(BM_ItemRunProcess, loaded, BRINDLEMARK_SENSOR)
    ->Arg(10)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ItemRunProcess, linked, BRINDLEMARK_LINKED_SENSOR)
    ->Arg(10)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
