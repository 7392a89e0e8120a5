// The sensor program that the monitor starts once per measurement.

#include <string>
#include <vector>

#include "output/result_document.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "run/run.h"
#include "run/run_driver.h"
#include "sap/rfc_library.h"
#include "sap/rfc_library_loader.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  auto disk = CreateHostFileSystem();
  auto clock = CreateHostClock();
  auto console = CreateStandardOutput();
  // For now the library is loaded before the run starts; a run that cannot
  // load it prints the error document as any other error does.
  DynamicRfcLibraryLoader loader;
  std::string message;
  RfcLibrary* rfc = loader.Get(&message);
  if (rfc == nullptr) {
    ResultDocument document;
    document.WriteErrorDocument(message);
    console->Write(document.Text());
    return 2;
  }
  Run run(*disk, *clock, *console, *rfc);
  return ExecuteRun(run, arguments);
}
