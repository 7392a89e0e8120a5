// The sensor with the simulated SAP system linked in rather than loaded:
// what the process benchmarks compare the shipped program with.

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "run/run.h"
#include "run/run_driver.h"
#include "sap/classic_rfc_client.h"
#include "sapsim/locked_sap.h"
#include "sapsim/simulated_sap.h"

namespace {

// The simulated system as the stand-in library exports it: each call holds
// the system's lock, so that measurements side by side may call it from
// several threads at once.
struct LinkedSimulatedSap {
  SimulatedSap sap{"."};
  std::unique_ptr<RfcLibrary> locked = LockedView(sap);
};

struct LinkedRfcLibraryLoader : RfcLibraryLoader {
  RfcClient* Get(Status*) override {
    if (library == nullptr) library = std::make_unique<ClassicRfcClient>(*linked.locked);
    return library.get();
  }
  LinkedSimulatedSap linked;
  std::unique_ptr<RfcClient> library;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  auto disk = CreateHostFileSystem();
  auto clock = CreateHostClock();
  auto console = CreateStandardOutput();
  LinkedRfcLibraryLoader loader;
  Run run(*disk, *clock, *console, loader);
  return ExecuteRun(run, arguments);
}
