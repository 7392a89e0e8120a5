#ifndef BRINDLEMARK_SAPSIM_SIMULATED_SAP_H_
#define BRINDLEMARK_SAPSIM_SIMULATED_SAP_H_

#include <memory>
#include <mutex>
#include <string>

#include "sap/destination_file.h"
#include "sap/rfc_library.h"
#include "sapsim/logon_data.h"

struct SimulatedSystem;

/// A simulated SAP system standing in for the RFC library. It answers
/// logons and the function modules the sensor calls from the description
/// file "SapSim.json" in its directory (read at each logon), looks up
/// RfcOpenEx destinations in the file RFC_INI names or "saprfc.ini"
/// there, and writes its journal
/// and the trace file "Dev_Rfc.Trc" there. See docs/simulated-sap-system.md.
///
/// Several threads may call it, one connection per thread: callers that
/// do hold the lock of Enter() around each call (the stand-in libraries'
/// exported functions do). Latency and hangs let the lock go, so other
/// threads go on meanwhile; so does a call of the error handler.
class SimulatedSap : public RfcLibrary {
 public:
  /// The library's state between calls; its definition (sim_state.h) is
  /// shared by the simulated library's source files only.
  struct State;

  /// Works in |directory|; faults append their trace lines to |traceFile|
  /// there (the name the library of the stand-in writes).
  explicit SimulatedSap(std::string directory = ".", std::string traceFile = "Dev_Rfc.Trc");
  ~SimulatedSap() override;

  /// The lock on the simulated system, held while it is returned.
  class Entry {
   public:
    explicit Entry(State& state);
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

   private:
    State& state_;
  };
  Entry Enter() { return Entry(*state_); }

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  /// The file RfcOpenEx reads; without it, the file the environment
  /// variable RFC_INI names, else "saprfc.ini" in the directory, as the
  /// classic library does.
  void UseDestinationFile(const std::string& path) override;
  /// Logs on to the system |destination| leads to, as RfcOpenEx does once
  /// it has found the destination: the NetWeaver stand-in's logon, whose
  /// parameters name the same things. 0 when refused (RfcLastError says
  /// why).
  RfcHandle OpenDestination(const Destination& destination, const ConnectValues& values);
  int RfcInstallStructure(const char* name, const FieldDescriptor* fields, unsigned entries,
                          RfcType* handle) override;
  int RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override;
  int RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override;
  int RfcLastError(RfcErrorInfo* error) override;
  void RfcClose(RfcHandle handle) override;
  /// Cancels connection |handle| from a thread other than the one in a
  /// call on it, as the NetWeaver library's RfcCancel: a call that does
  /// not answer ("hang") returns failed, and the connection takes no
  /// further calls until it is closed. False when it is not open.
  bool Cancel(RfcHandle handle);
  /// Whether connection |handle| was cancelled.
  bool IsCancelled(RfcHandle handle) const;
  /// The system connection |handle| is open to, or null. It stays valid
  /// as long as the connection is open.
  const SimulatedSystem* SystemOf(RfcHandle handle) const;
  /// Journals a description lookup of the NetWeaver interface that the
  /// system answered with the exception |key| (the function module
  /// |function| is not there), and makes it the last error.
  void LookupFailed(const std::string& function, const std::string& key,
                    const std::string& message);
  ItHandle ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) override;
  unsigned ItFill(ItHandle table) override;
  void* ItGetLine(ItHandle table, unsigned line) override;
  int ItDelete(ItHandle table) override;

 private:
  std::unique_ptr<State> state_;
};

#endif  // BRINDLEMARK_SAPSIM_SIMULATED_SAP_H_
