#ifndef BRINDLEMARK_SAPSIM_LOCKED_SAP_H_
#define BRINDLEMARK_SAPSIM_LOCKED_SAP_H_

#include <string>
#include <vector>

#include "sap/rfc_library.h"
#include "sapsim/simulated_sap.h"

/// The simulated system as the stand-in libraries call it: each call holds
/// the system's lock, so that threads may share it, one connection per
/// thread (a system that takes its time lets the lock go).
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

#endif  // BRINDLEMARK_SAPSIM_LOCKED_SAP_H_
