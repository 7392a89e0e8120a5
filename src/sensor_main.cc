// The sensor program that the monitor starts once per measurement.

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "run/run.h"
#include "run/run_driver.h"
#include "sap/connection.h"
#include "sap/rfc_library_loader.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  auto disk = CreateHostFileSystem();
  auto clock = CreateHostClock();
  auto console = CreateStandardOutput();
  // The RFC library is loaded when the first logon needs it.
  DynamicRfcLibraryLoader loader;
  loader.SetDestinationFile(disk->HostPath(kDestinationFileCopy));
  Run run(*disk, *clock, *console, loader);
  return ExecuteRun(run, arguments);
}
