#ifndef BRINDLEMARK_SAPSIM_SIM_STATE_H_
#define BRINDLEMARK_SAPSIM_SIM_STATE_H_

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "sap/destination_file.h"
#include "sap/rfc_library.h"
#include "sapsim/description_cache.h"
#include "sapsim/function_modules.h"
#include "sapsim/internal_table.h"
#include "sapsim/logon_data.h"
#include "sapsim/sim_description.h"
#include "sapsim/sim_journal.h"
#include "sapsim/simulated_sap.h"
#include "sapsim/structure_registry.h"

/// An open connection and the call it waits to answer.
struct SimConnection {
  // The description the logon was made with: a later logon may load a new
  // one, but this connection keeps answering from its own.
  std::shared_ptr<const SimDescription> description;
  const SimulatedSystem* system = nullptr;
  // Why the system refuses the logon data, which an RfcOpen connection
  // sends with its first call; empty when it accepts them.
  std::string logonRefusal;

  bool pending = false;    // RfcCall done, RfcReceive not yet
  bool cancelled = false;  // by RfcCancel: it takes no further calls
  /// What a call that does not answer waits for: the cancel. Shared, so
  /// that it outlives the state for a thread that never comes back.
  struct CancelSignal {
    std::mutex mutex;
    std::condition_variable signal;
    bool given = false;
  };
  std::shared_ptr<CancelSignal> cancelSignal = std::make_shared<CancelSignal>();
  std::string function;  // of the pending call
  const FunctionModule* module = nullptr;
  bool invalid = false;   // the call does not fit the interface
  bool missing = false;   // the system has no such function module
  std::string startdate;  // SAPWL_ACCNT_GET_SYSTEM_USAGE's STARTDATE
  // The exporting values of the pending call by name, as sent.
  std::unordered_map<std::string, std::string> exporting;
};

/// Copies |text| into the zero-terminated field |out| of |size| bytes,
/// cutting it when it is longer.
void CopyText(char* out, std::size_t size, const std::string& text);

/// What the library keeps for each thread of its caller: the last error
/// and the system whose faults the housekeeping operations take are those
/// of the thread's own latest logon and call.
struct SimThreadState {
  RfcErrorInfo lastError{};
  std::string exception;  // the exception name handed out by RfcReceive
  // The system of the thread's latest logon that found one.
  std::shared_ptr<const SimDescription> faultDescription;
  const SimulatedSystem* faultSystem = nullptr;
};

/// Everything the simulated library keeps between calls.
struct SimulatedSap::State {
  /// Held by whoever works on the state (see SimulatedSap::Enter); let go
  /// while a system takes its time to answer.
  std::mutex mutex;
  std::thread::id holder;

  std::string directory;
  std::string destinationFile;  // set by UseDestinationFile
  std::string traceFile;        // in the directory
  DescriptionCache descriptions;
  SimJournal journal;
  RfcEnvironmentRecord environment{};

  std::unordered_map<RfcHandle, SimConnection> connections;
  RfcHandle nextHandle = 1;
  std::unordered_map<std::thread::id, SimThreadState> threads;

  StructureRegistry registry;
  std::unordered_map<RfcInternalTable*, std::unique_ptr<RfcInternalTable>> tables;

  /// The calling thread's part of the state.
  SimThreadState& Mine() { return threads[std::this_thread::get_id()]; }
  /// Runs |wait| with the state let go, when the calling thread holds it:
  /// other threads go on meanwhile.
  template <typename Wait>
  void LetGoWhile(Wait&& wait) {
    bool held = holder == std::this_thread::get_id();
    if (held) {
      holder = std::thread::id();
      mutex.unlock();
    }
    wait();
    if (held) {
      mutex.lock();
      holder = std::this_thread::get_id();
    }
  }
  /// A system's latency of |ms| milliseconds.
  void Delay(int ms);
  /// A hung system: the calling thread never comes back (it sleeps, it does
  /// not spin) and the state is let go, so the process can end around it.
  [[noreturn]] void Hang();
  /// A call on |handle| that does not answer: the calling thread sleeps,
  /// with the state let go, until the connection is cancelled (for ever
  /// when it never is).
  void AwaitCancel(RfcHandle handle);
  /// Marks |handle| as being in a call on this thread; a second thread on
  /// the same connection at the same time breaks the library's rule, and
  /// the process ends loudly.
  void Claim(RfcHandle handle);
  void Release(RfcHandle handle);
  std::unordered_map<RfcHandle, std::thread::id> busy;

  /// The destination file of RfcOpenEx: the one the caller named, else the
  /// one RFC_INI names, else "saprfc.ini" in the directory.
  std::string DestinationFilePath() const;
  /// |name| taken relative to the directory unless it is absolute.
  std::string PathOf(const std::string& name) const;
  /// The description of the latest reading, or null.
  const std::shared_ptr<const SimDescription>& Description() const {
    return descriptions.Current();
  }
  /// Reads the description at each logon (when it changed), and points
  /// the journal at the file it names.
  void ReadDescription();
  /// Reads the description once for calls made before any logon, so that
  /// they reach the journal too.
  void EnsureDescription();

  void SetError(const std::string& key, const std::string& status, const std::string& message,
                const std::string& internal);
  /// A fault of |system| fires: its trace lines go to the trace file and
  /// the failure becomes the last error.
  void Fire(const SimulatedSystem& system, const std::string& key, const std::string& message);
  /// The open connection |handle|, or null (with the last error set).
  SimConnection* Find(RfcHandle handle);
  /// Checks the logon data against |system| (null: no system answered) and
  /// opens a connection; 0 when the logon is refused. With
  /// |checkAtFirstCall| a connection to a system that answers is opened
  /// whatever the logon data, and its first call fails when they are
  /// refused.
  RfcHandle Logon(const SimulatedSystem* system, const std::string& partner, const char* client,
                  const char* user, const char* password, bool checkAtFirstCall = false);
  /// Sets the last error of a refused logon (firing the system's logon
  /// fault when it has one).
  void RefuseLogon(const SimulatedSystem& system, const std::string& refusal);

  /// Logs on to the system an RfcOpenEx destination leads to; 0 when the
  /// destination is unusable or the logon is refused.
  RfcHandle LogonTo(const Destination& destination, const ConnectValues& values);
  /// Sets the error of an unusable destination; returns 0.
  RfcHandle RefuseDestination(const std::string& message);

  /// How a parameter list fits the exporting or importing interface of
  /// |module|; nothing fits an unknown module.
  ListCheck CheckParameterList(const RfcParameter* list, const FunctionModule* module,
                               bool importing) const;
  /// How a table list fits the tables of |module|.
  ListCheck CheckTableList(const RfcTable* list, const FunctionModule* module) const;
};

#endif  // BRINDLEMARK_SAPSIM_SIM_STATE_H_
