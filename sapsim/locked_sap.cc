#include "sapsim/locked_sap.h"

#include <string>
#include <vector>

namespace {

class LockedSap : public RfcLibrary {
 public:
  /// Over |sim|, which outlives it.
  explicit LockedSap(SimulatedSap& sim) : sim_(sim) {}

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  void UseDestinationFile(const std::string& path) override;
  int RfcInstallStructure(const char* name, const FieldDescriptor* fields, unsigned entries,
                          RfcType* type) override;
  int RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override;
  int RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override;
  int RfcLastError(RfcErrorInfo* error) override;
  void RfcClose(RfcHandle handle) override;
  ItHandle ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) override;
  unsigned ItFill(ItHandle table) override;
  void* ItGetLine(ItHandle table, unsigned line) override;
  int ItDelete(ItHandle table) override;
  std::vector<std::string> TraceFileNames() const override { return sim_.TraceFileNames(); }

 private:
  SimulatedSap& sim_;
};

void LockedSap::RfcEnvironment(const RfcEnvironmentRecord& environment) {
  auto entry = sim_.Enter();
  sim_.RfcEnvironment(environment);
}

RfcHandle LockedSap::RfcOpen(const RfcOptions& options) {
  auto entry = sim_.Enter();
  return sim_.RfcOpen(options);
}

RfcHandle LockedSap::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  auto entry = sim_.Enter();
  return sim_.RfcOpenEx(connect, error);
}

void LockedSap::UseDestinationFile(const std::string& path) {
  auto entry = sim_.Enter();
  sim_.UseDestinationFile(path);
}

int LockedSap::RfcInstallStructure(const char* name, const FieldDescriptor* fields,
                                   unsigned entries, RfcType* type) {
  auto entry = sim_.Enter();
  return sim_.RfcInstallStructure(name, fields, entries, type);
}

int LockedSap::RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
                       RfcTable* tables) {
  auto entry = sim_.Enter();
  return sim_.RfcCall(handle, function, exporting, tables);
}

int LockedSap::RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                          char** exception) {
  auto entry = sim_.Enter();
  return sim_.RfcReceive(handle, importing, tables, exception);
}

int LockedSap::RfcLastError(RfcErrorInfo* error) {
  auto entry = sim_.Enter();
  return sim_.RfcLastError(error);
}

void LockedSap::RfcClose(RfcHandle handle) {
  auto entry = sim_.Enter();
  sim_.RfcClose(handle);
}

ItHandle LockedSap::ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) {
  auto entry = sim_.Enter();
  return sim_.ItCreate(name, leng, occu, memo);
}

unsigned LockedSap::ItFill(ItHandle table) {
  auto entry = sim_.Enter();
  return sim_.ItFill(table);
}

void* LockedSap::ItGetLine(ItHandle table, unsigned line) {
  auto entry = sim_.Enter();
  return sim_.ItGetLine(table, line);
}

int LockedSap::ItDelete(ItHandle table) {
  auto entry = sim_.Enter();
  return sim_.ItDelete(table);
}

}  // namespace

std::unique_ptr<RfcLibrary> LockedView(SimulatedSap& sim) {
  return std::make_unique<LockedSap>(sim);
}
