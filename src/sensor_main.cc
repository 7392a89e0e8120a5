// The sensor program that the monitor starts once per measurement.

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "run/run.h"
#include "run/run_driver.h"
#include "sap/rfc_library.h"
#include "simulated_sap.h"

namespace {

/// The simulated SAP system linked into the program.
struct LinkedRfcLibraryLoader : RfcLibraryLoader {
  RfcLibrary* Get(std::string*) override {
    if (library == nullptr) library = std::make_unique<SimulatedSap>(".");
    return library.get();
  }
  std::unique_ptr<RfcLibrary> library;
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
