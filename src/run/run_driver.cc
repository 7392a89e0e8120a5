#include "run/run_driver.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "measure/server_clock.h"
#include "measure/workload_evaluation.h"
#include "output/error_lines.h"
#include "output/trace_file_check.h"
#include "platform/text.h"
#include "run/command_line.h"
#include "run/item_run.h"
#include "run/run.h"
#include "run/run_endings.h"
#include "run/sensor_directory.h"
#include "run/side_by_side.h"
#include "sap/connection.h"
#include "sap/rfc_failure_report.h"
#include "sap/rfc_session.h"
#include "sap/system_profile.h"

namespace {

int SingleSystemRun(Run& run, SideBySide& sides, const CommandLine& line, const std::string& banner,
                    const std::string& profilePath);

}  // namespace

int ExecuteRun(Run& run, const std::vector<std::string>& arguments) {
  const auto start = std::chrono::steady_clock::now();
  const std::string banner = "* " + run.clock.TimeOfDay() + " SAP " + kProgramName + " " + kVersion;
  if (arguments.size() < 2)
    return ErrorExit(run, "Error 1001: Parameter for Profile-Name is missing !");
  CommandLine line = ReadCommandLine(arguments);

  // The deadline covers the whole process, the driver's own steps too.
  SideBySide sides(start + std::chrono::seconds(line.timeoutSeconds), run.startThread);
  run.sideBySide = &sides;
  CancelCallsBeforeEnding(run, sides);
  run.logonTurns.deadline = start + std::chrono::seconds(line.timeoutSeconds);

  // With "@" nothing is searched: there is no profile or listing to read.
  std::string directory;
  std::string path;
  if (!line.noSearch) {
    std::optional<std::string> found;
    {
      SideBySide::OwnStep step(
          sides, ErrorDocumentAtDeadline(
                     run.console, StepDeadlineMessage("Search for Profile " + line.profileName,
                                                      line.timeoutSeconds)));
      found = LocateSensorDirectory(run.disk, line.profileName);
    }
    if (!found) return ErrorExit(run, ProfileMissingMessage(line.profileName));
    directory = *found;
    path = directory + line.profileName;
  }
  int exitCode = line.itemMode ? ExecuteItemRun(run, sides, line, directory, start, banner, path)
                               : SingleSystemRun(run, sides, line, banner, path);
  // Nothing may be left inside the library when it is unloaded.
  exitCode = sides.Finish(exitCode);
  run.sideBySide = nullptr;  // the measurements are over
  return exitCode;
}

namespace {

/// "* <time> <profile>, <host>, <destination>, <sysnr>, <client>": the
/// first half of a system's state line.
std::string SystemStateLine(Run& run, const std::string& profileName) {
  const SystemProfile& p = run.systemProfile;
  return "* " + run.clock.TimeOfDay() + " " + profileName + ", " + p.hostLabel + ", " +
         p.destination + ", " + p.sysnr + ", " + p.client;
}

std::string LogonRefusedMessage(const Run& run) {
  return LogonFailedMessage(run.systemProfile.destination);
}

/// The measurement of a single-system run, from the logon on.
struct SingleMeasurement {
  Logon logon;
  /// The system refused the logon data with the first call.
  bool refusedAtFirstCall = false;
  /// The server queries' outcome, then the evaluation's.
  Outcome server = Outcome::Ok();
  WorkloadResult result;
  /// The library's last error after a failure of the library itself.
  LibraryTexts libraryError;
  /// The document the evaluation wrote.
  ResultDocument document;
};

/// Logs on to the system of the single-system run and measures it. The
/// line that names a destination file goes to |console|.
SingleMeasurement MeasureSingleSystem(Run& run, const CommandLine& line, Console& console,
                                      FileSystem& historyDisk, const std::string& profilePath,
                                      const ProfileLineTable& profileLines, bool byteOrderMark) {
  SingleMeasurement m;
  m.logon = OpenConnection(*run.rfc, run.disk, console, true, run.systemProfile, line.options.logon,
                           &run.r3SystemNumber, &run.logonTurns);
  if (m.logon.handle == 0) return m;
  RfcSession session{*run.rfc, m.logon.handle};
  session.logOnAgain = [&] {
    SilentConsole silent;
    return OpenConnection(*run.rfc, run.disk, silent, false, run.systemProfile, line.options.logon,
                          &run.r3SystemNumber, &run.logonTurns)
        .handle;
  };
  m.server = QueryServer(session, &run.serverClock, &run.systemProfile.hostLabel);
  m.refusedAtFirstCall = m.server.IsLogonRefused();
  if (m.server.ok())
    m.result = EvaluateWorkload(
        session, run.serverClock, line.options.workload, run.systemProfile.destination,
        HistoryFile{historyDisk, profilePath, profileLines, byteOrderMark}, m.document);
  m.logon.handle = session.connection;  // a second logon's, when one was made
  const Outcome& failed = m.server.ok() ? m.result.outcome : m.server;
  if (failed.IsLibraryFailure()) m.libraryError = failed.Texts();
  return m;
}

int SingleSystemRun(Run& run, SideBySide& sides, const CommandLine& line, const std::string& banner,
                    const std::string& profilePath) {
  // With "@" no directory was searched and no profile is open.
  if (line.noSearch) return ErrorExit(run, ProfileMissingMessage(line.profileName));
  auto atDeadline = [&run, &line](const std::string& step) {
    return ErrorDocumentAtDeadline(run.console, StepDeadlineMessage(step, line.timeoutSeconds));
  };
  ProfileLineTable profileLines;
  bool byteOrderMark = false;  // kept by a rewrite
  {
    std::string contents;
    bool read;
    {
      SideBySide::OwnStep step(sides, atDeadline("Reading of Profile " + line.profileName));
      read = run.disk.ReadFile(profilePath, &contents);
    }
    if (!read) return ErrorExit(run, ProfileMissingMessage(line.profileName));
    byteOrderMark = HasByteOrderMark(contents);
    ProfileFault fault = ParseSystemProfile(contents, &run.systemProfile, &profileLines, true);
    if (fault != ProfileFault::kNone)
      return ErrorExit(run, ProfileFaultMessage(fault, line.profileName));
  }

  std::string loadError;
  {
    SideBySide::OwnStep step(sides, atDeadline("Loading of the RFC library"));
    loadError = LoadLibrary(run);
  }
  if (!loadError.empty()) return ErrorExit(run, loadError);
  if (line.progress) {
    Print(run, banner + "\n");
    Print(run, SystemStateLine(run, line.profileName) + " State=Processing\n");
    Print(run, "* " + run.clock.TimeOfDay() + " " + kProgramName + " - " +
                   ShownParametersOfSingleRun(line.parameters) + " State=Executing\n");
  }

  // The measurement runs on a thread of its own, so that a system that
  // does not answer cannot hold the run past its deadline; once the
  // profile's rewrite has begun it is let finish.
  sides.SetParallel(1);
  RewriteAsLastWord historyDisk(run.disk, sides);
  HeldText destinationLine;
  SingleMeasurement m;
  InstallErrorHandler(run);
  const std::string& destination = run.systemProfile.destination;
  bool added = sides.Add([&] {
    sides.HoldBack([&destinationLine] { return destinationLine.Take(); });
    m = MeasureSingleSystem(run, line, destinationLine, historyDisk, profilePath, profileLines,
                            byteOrderMark);
  });
  if (!added || !sides.WaitFor(0)) {
    if (sides.TakeLastWordForDriver()) {
      // What the logon printed comes before the document.
      Print(run, destinationLine.Take());
      std::string message =
          added && sides.IsStarted(0)
              ? NoAnswerMessage(destination, line.timeoutSeconds)
              : StepDeadlineMessage("Logon to " + destination + " (no thread for it)",
                                    line.timeoutSeconds);
      return sides.Finish(ErrorExit(run, message));
    }
    sides.WaitWithoutDeadline(0);
  }

  run.connection = m.logon.handle;
  run.document = m.document;
  Print(run, destinationLine.Take());
  auto remark = [&run, &sides, &atDeadline](const Outcome& failed) {
    SideBySide::OwnStep step(sides, atDeadline("Reading of the trace file"));
    return RemarkOn(run.disk, *run.rfc, failed);
  };
  if (m.logon.handle == 0) {
    std::string message = LogonRefusedMessage(run);
    if (!m.logon.refusal.ok()) message += " - " + m.logon.refusal.text();
    return ErrorExit(run, message);
  }
  if (m.refusedAtFirstCall) return ErrorExit(run, LogonRefusedMessage(run));
  if (!m.server.ok()) return EndRunWith(run, m.server, false, m.libraryError, remark(m.server));
  const WorkloadResult& result = m.result;
  if (result.outcome.IsLibraryFailure())
    return EndRunWith(run, result.outcome, false, m.libraryError, remark(result.outcome));
  CloseConnection(run, atDeadline("Closing of the connection to " + destination));
  if (!result.outcome.ok())
    return EndRunWith(run, result.outcome, false, m.libraryError, remark(result.outcome));

  Print(run, result.dataRows);
  Print(run, run.document.Text());
  {
    SideBySide::OwnStep step(sides, ExitAtDeadline(0));
    run.disk.RemoveFile(kTraceFileName);  // a missing file is no error
    for (const std::string& name : run.rfc->TraceFileNames()) run.disk.RemoveFile(name);
  }
  if (line.progress) {
    PrintFinishedLine(run);
    return 0;
  }
  return result.noData ? 2 : 0;
}

}  // namespace
