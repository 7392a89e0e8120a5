#include "run/run_endings.h"

#include <string>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "output/trace_file_check.h"
#include "platform/process.h"
#include "run/run.h"
#include "run/side_by_side.h"
#include "sap/rfc_failure_report.h"

namespace {

/// The error handler installed with RfcEnvironment. The library calls it
/// from its own C frames, so it never returns into them with an exception:
/// it prints the failure report and ends the process with exit code 1.
///
/// With measurements under way the handler is called on a measurement's
/// thread: it waits until the systems before that one are printed, and
/// for good when the run ends otherwise first.
void HandleLibraryError(void* context, const char* text) noexcept {
  Run& run = *static_cast<Run*>(context);
  if (run.sideBySide != nullptr) run.sideBySide->TakeLastWord();
  // The library may call the handler again while the report asks for its
  // last error or closes the connections; the outer report goes on.
  if (run.reportingLibraryError) return;
  run.reportingLibraryError = true;
  // What the measurement held back for the driver, as one after another.
  if (run.sideBySide != nullptr) run.console.Write(run.sideBySide->TakeHeldBack());
  ReportRfcFailure(run.console, *run.rfc, text != nullptr ? text : "");
  EndProcessAroundThreads(1);
}

}  // namespace

void Print(Run& run, std::string_view text) { run.console.Write(text); }

void PrintFinishedLine(Run& run) {
  Print(run, "\n* " + run.clock.TimeOfDay() + " SAP " + kProgramName + " now processed...\n");
}

/// The message of a step of the driver's own that the deadline cut off:
/// no system was waited for then.
std::string StepDeadlineMessage(const std::string& step, unsigned seconds) {
  return "Error 1018: " + step + " did not end within " + std::to_string(seconds) + " s !";
}

/// The ending, at the deadline, of a step before any document was
/// printed: the error document that names the step (exit code 2).
std::function<int()> ErrorDocumentAtDeadline(Console& console, std::string message) {
  return [&console, message] {
    ResultDocument document;
    document.WriteErrorDocument(message);
    console.Write(document.Text());
    return 2;
  };
}

/// The ending, at the deadline, of a step after the document was printed
/// whole: nothing more is printed.
std::function<int()> ExitAtDeadline(int exitCode) {
  return [exitCode] { return exitCode; };
}

/// Closes the open connection, if there is one, and forgets its handle.
/// The library may take its time or call its error handler here; at the
/// deadline the run ends with |atDeadline| (by default: the document is
/// printed whole, nothing more is).
void CloseConnection(Run& run, std::function<int()> atDeadline) {
  if (run.connection != 0) {
    if (run.sideBySide != nullptr) {
      SideBySide::OwnStep step(*run.sideBySide,
                               atDeadline ? std::move(atDeadline) : ExitAtDeadline(2));
      run.rfc->Close(run.connection);
    } else {
      run.rfc->Close(run.connection);
    }
  }
  run.connection = 0;
}

/// Prints the error document that carries |message| and gives exit code 2.
int ErrorExit(Run& run, std::string_view message) {
  run.document.WriteErrorDocument(message);
  Print(run, run.document.Text());
  CloseConnection(run);
  return 2;
}

/// The ending of an item run whose document head and earlier channels are
/// printed already: the error closes that document instead of starting a
/// second one, so the monitor gets one well-formed document either way.
int ErrorExitOfItemRun(Run& run, std::string_view message) {
  run.document.Clear();
  run.document.WriteErrorTail(message);
  Print(run, run.document.Text());
  CloseConnection(run);
  return 2;
}

/// The ending after a failed step with the system: the RFC failure report
/// (exit code 1) for a failure of the library itself; otherwise the step's
/// error with the trace file's remark as the error document (exit code 2).
/// |libraryError| is the library's last error, read on the thread whose
/// call failed; |remark| the trace file's remark, read after the failure.
int EndRunWith(Run& run, const Outcome& outcome, bool itemRun, const LibraryTexts& libraryError,
               const std::string& remark) {
  if (outcome.IsLibraryFailure()) {
    // The library may call its error handler while the report closes the
    // connections: the report goes on.
    run.reportingLibraryError = true;
    ReportRfcFailure(run.console, *run.rfc, outcome.Operation(), libraryError);
    run.connection = 0;  // every connection is closed
    return 1;
  }
  std::string message = outcome.Message() + remark;
  return itemRun ? ErrorExitOfItemRun(run, message) : ErrorExit(run, message);
}

/// Has |sides| cancel the calls of measurements left inside the library
/// before the process ends around them, where the library can.
void CancelCallsBeforeEnding(Run& run, SideBySide& sides) {
  sides.CancelBeforeEnding([&run] {
    if (run.rfc != nullptr) run.rfc->CancelRunningCalls();
  });
}

/// Loads the library when the first logon needs it. Returns the error
/// message when the library cannot be loaded.
std::string LoadLibrary(Run& run) {
  Status status;
  if (run.rfc == nullptr) run.rfc = run.loader.Get(&status);
  return run.rfc == nullptr ? status.text() : std::string();
}

/// Installs the error handler, once, before any measurement calls the
/// library: the library keeps one handler for the process.
void InstallErrorHandler(Run& run) { run.rfc->InstallErrorHandler(&HandleLibraryError, &run); }

/// The remark on a failed step, for the library loaded.
std::string RemarkOn(FileSystem& disk, const RfcClient& rfc, const Outcome& failed) {
  return FailureRemark(disk, rfc.TraceFileNames(), rfc.LogsErrorsInTraceFile(),
                       failed.Texts().Summary());
}

/// Reads the server clock and the system information.
Outcome QueryServer(RfcSession& session, ServerClock* clock, std::string* hostLabel) {
  Outcome outcome = QueryServerClock(session, clock);
  if (!outcome.ok()) return outcome;
  return QuerySystemInfo(session, hostLabel);
}
