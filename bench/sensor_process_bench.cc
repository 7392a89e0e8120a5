// Measures whole runs of the sensor as the monitor makes them: a process
// started in a sensor directory, against the simulated SAP system. A
// single-system run (the common case: the monitor starts it again and
// again) and an item run over a listing of 1,000 systems; each with the
// sensor as shipped, which loads the RFC library (here the stand-in beside
// it) when it logs on, and with a sensor that has the simulated system
// linked in.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/sensor_directory.h"

namespace {

namespace fs = std::filesystem;

/// Runs the sensor again and again; each run must end with exit code 0
/// and print |expected|, or the figure would measure something else.
void RunSensor(benchmark::State& state, const char* sensor, const fs::path& dir,
               const std::string& args, const std::string& expected) {
  std::string command =
      "cd '" + dir.string() + "' && '" + sensor + "' " + args + " > bench-output.txt";
  for (auto _ : state) {
    int status = std::system(command.c_str());
    if (status != 0) {
      state.SkipWithError("the sensor failed");
      break;
    }
  }
  std::ifstream in(dir / "bench-output.txt");
  std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (output.find(expected) == std::string::npos)
    state.SkipWithError(("the sensor did not print " + expected).c_str());
}

void BM_SingleSystemRunProcess(benchmark::State& state, const char* sensor) {
  SensorDirectory dir;
  Write(dir.path / "PRD.P00", Profile("PRD", "sim0"));
  Write(dir.path / "SapSim.json", Description(1));
  RunSensor(state, sensor, dir.path, "PRD", "<Channel>Step(s)</Channel>");
}
BENCHMARK_CAPTURE(BM_SingleSystemRunProcess, loaded, BRINDLEMARK_SENSOR)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SingleSystemRunProcess, linked, BRINDLEMARK_LINKED_SENSOR)
    ->Unit(benchmark::kMillisecond);

void BM_ItemRunProcess(benchmark::State& state, const char* sensor) {
  const int systems = static_cast<int>(state.range(0));
  SensorDirectory dir;
  for (int i = 0; i < systems; ++i)
    Write(dir.path / ("S" + std::to_string(i) + ".P00"),
          Profile("SYS" + std::to_string(i), "sim" + std::to_string(i)));
  Write(dir.path / "Tessaron.Prf", Listing(systems));
  Write(dir.path / "SapSim.json", Description(systems));
  RunSensor(state, sensor, dir.path, "X ITEM=Dialog",
            "Processed=" + std::to_string(systems) + ", Failed=0");
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
