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
#include "sapsim/simulated_sap.h"

namespace {

// The simulated system as the stand-in library exports it: each call holds
// the system's lock, so that measurements side by side may call it from
// several threads at once.
struct LockedSimulatedSap : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord& environment) override {
    auto entry = sap.Enter();
    sap.RfcEnvironment(environment);
  }
  RfcHandle RfcOpen(const RfcOptions& options) override {
    auto entry = sap.Enter();
    return sap.RfcOpen(options);
  }
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override {
    auto entry = sap.Enter();
    return sap.RfcOpenEx(connect, error);
  }
  void UseDestinationFile(const std::string& path) override {
    auto entry = sap.Enter();
    sap.UseDestinationFile(path);
  }
  int RfcInstallStructure(const char* name, const FieldDescriptor* fields, unsigned entries,
                          RfcType* type) override {
    auto entry = sap.Enter();
    return sap.RfcInstallStructure(name, fields, entries, type);
  }
  int RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override {
    auto entry = sap.Enter();
    return sap.RfcCall(handle, function, exporting, tables);
  }
  int RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override {
    auto entry = sap.Enter();
    return sap.RfcReceive(handle, importing, tables, exception);
  }
  int RfcLastError(RfcErrorInfo* error) override {
    auto entry = sap.Enter();
    return sap.RfcLastError(error);
  }
  void RfcClose(RfcHandle handle) override {
    auto entry = sap.Enter();
    sap.RfcClose(handle);
  }
  ItHandle ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) override {
    auto entry = sap.Enter();
    return sap.ItCreate(name, leng, occu, memo);
  }
  unsigned ItFill(ItHandle table) override {
    auto entry = sap.Enter();
    return sap.ItFill(table);
  }
  void* ItGetLine(ItHandle table, unsigned line) override {
    auto entry = sap.Enter();
    return sap.ItGetLine(table, line);
  }
  int ItDelete(ItHandle table) override {
    auto entry = sap.Enter();
    return sap.ItDelete(table);
  }
  std::vector<std::string> TraceFileNames() const override { return sap.TraceFileNames(); }

  SimulatedSap sap{"."};
};

struct LinkedRfcLibraryLoader : RfcLibraryLoader {
  RfcClient* Get(Status*) override {
    if (library == nullptr)
      library = std::make_unique<ClassicRfcClient>(std::make_unique<LockedSimulatedSap>());
    return library.get();
  }
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
