#ifndef BRINDLEMARK_RUN_RUN_ENDINGS_H_
#define BRINDLEMARK_RUN_RUN_ENDINGS_H_

// How a run prints and ends: the error documents, the RFC failure report,
// the endings at the deadline of the driver's own steps, and the library's
// error handler. Who may print when (the last word) is SideBySide's.

#include <functional>
#include <string>
#include <string_view>

#include "base/mutex.h"
#include "platform/console.h"
#include "sap/outcome.h"
#include "sap/rfc_client.h"
#include "sap/rfc_session.h"

struct FileSystem;
class SideBySide;
struct Run;
struct ServerClock;

inline constexpr const char kProgramName[] = "Brindlemark";
inline constexpr const char kVersion[] = "Vers 4.3 / 29.08.22";

void Print(Run& run, std::string_view text);
void PrintFinishedLine(Run& run);

/// The message of a step of the driver's own that the deadline cut off:
/// no system was waited for then.
std::string StepDeadlineMessage(const std::string& step, unsigned seconds);
/// The ending, at the deadline, of a step before any document was
/// printed: the error document that names the step (exit code 2).
std::function<int()> ErrorDocumentAtDeadline(Console& console, std::string message);
/// The ending, at the deadline, of a step after the document was printed
/// whole: nothing more is printed.
std::function<int()> ExitAtDeadline(int exitCode);

/// The console of a measurement: keeps what is written, for the driver to
/// print in its place; the driver may take it while the measurement runs.
class HeldText : public Console {
 public:
  void Write(std::string_view text) override {
    MutexLock lock(mutex_);
    kept_ += text;
  }
  std::string Take() {
    MutexLock lock(mutex_);
    std::string text = std::move(kept_);
    kept_.clear();
    return text;
  }

 private:
  Mutex mutex_;
  std::string kept_ GUARDED_BY(mutex_);
};

/// A console for a second logon to a system, whose destination line the
/// run has already printed.
struct SilentConsole : Console {
  void Write(std::string_view) override {}
};

/// Closes the open connection, if there is one, and forgets its handle.
/// The library may take its time or call its error handler here; at the
/// deadline the run ends with |atDeadline| (by default: the document is
/// printed whole, nothing more is).
void CloseConnection(Run& run, std::function<int()> atDeadline = nullptr);
/// Prints the error document that carries |message| and gives exit code 2.
int ErrorExit(Run& run, std::string_view message);
/// The ending of an item run whose document head and earlier channels are
/// printed already: the error closes that document instead of starting a
/// second one, so the monitor gets one well-formed document either way.
int ErrorExitOfItemRun(Run& run, std::string_view message);
/// The ending after a failed step with the system: the RFC failure report
/// (exit code 1) for a failure of the library itself; otherwise the step's
/// error with the trace file's remark as the error document (exit code 2).
/// |libraryError| is the library's last error, read on the thread whose
/// call failed; |remark| the trace file's remark, read after the failure.
int EndRunWith(Run& run, const Outcome& outcome, bool itemRun, const LibraryTexts& libraryError,
               const std::string& remark);
/// Has |sides| cancel the calls of measurements left inside the library
/// before the process ends around them, where the library can.
void CancelCallsBeforeEnding(Run& run, SideBySide& sides);
/// Loads the library when the first logon needs it. Returns the error
/// message when the library cannot be loaded.
std::string LoadLibrary(Run& run);
/// Installs the error handler, once, before any measurement calls the
/// library: the library keeps one handler for the process.
void InstallErrorHandler(Run& run);
/// The remark on a failed step, for the library loaded.
std::string RemarkOn(FileSystem& disk, const RfcClient& rfc, const Outcome& failed);
/// Reads the server clock and the system information.
Outcome QueryServer(RfcSession& session, ServerClock* clock, std::string* hostLabel);

#endif  // BRINDLEMARK_RUN_RUN_ENDINGS_H_
