#include "run/run_driver.h"

#include <cstdint>
#include <optional>
#include <string>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "output/trace_file_check.h"
#include "platform/process.h"
#include "platform/text.h"
#include "run/command_line.h"
#include "run/global_listing.h"
#include "run/run.h"
#include "run/sensor_directory.h"
#include "sap/connection.h"
#include "sap/rfc_failure_report.h"
#include "sap/rfc_session.h"
#include "sap/system_profile.h"

namespace {

constexpr const char kProgramName[] = "Brindlemark";
constexpr const char kVersion[] = "Vers 4.3 / 29.08.22";

void Print(Run& run, std::string_view text) { run.console.Write(text); }

std::string ProfileMissingMessage(const std::string& profileName) {
  return "Error 1002: Profile " + profileName + " is missing...";
}

/// "* <time> <profile>, <host>, <destination>, <sysnr>, <client>": the
/// first half of a system's state line.
std::string SystemStateLine(Run& run, const std::string& profileName) {
  const SystemProfile& p = run.systemProfile;
  return "* " + run.clock.TimeOfDay() + " " + profileName + ", " + p.hostLabel + ", " +
         p.destination + ", " + p.sysnr + ", " + p.client;
}

void PrintFinishedLine(Run& run) {
  Print(run, "\n* " + run.clock.TimeOfDay() + " SAP " + kProgramName + " now processed...\n");
}

/// Closes the open connection, if there is one, and forgets its handle.
void CloseConnection(Run& run) {
  if (run.connection != 0) run.rfc->RfcClose(run.connection);
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
int EndRunWith(Run& run, const Outcome& outcome, bool itemRun) {
  if (outcome.IsLibraryFailure()) {
    ReportRfcFailure(run.console, *run.rfc, outcome.Operation());
    run.connection = 0;  // every connection is closed
    return 1;
  }
  std::string message = outcome.Message() + TraceFileRemark(run.disk, run.rfc->TraceFileNames());
  return itemRun ? ErrorExitOfItemRun(run, message) : ErrorExit(run, message);
}

/// The error handler installed with RfcEnvironment. The library calls it
/// from its own C frames, so it never returns into them with an exception:
/// it prints the failure report and ends the process with exit code 1.
void HandleLibraryError(void* context, const char* text) noexcept {
  Run& run = *static_cast<Run*>(context);
  // The library may call the handler again while the report asks for its
  // last error or closes the connections; the outer report goes on.
  if (run.reportingLibraryError) return;
  run.reportingLibraryError = true;
  ReportRfcFailure(run.console, *run.rfc, text != nullptr ? text : "");
  EndProcess(1);
}

/// Loads the library when the first logon needs it and installs the error
/// handler. Returns the error message when the library cannot be loaded.
std::string PrepareLibrary(Run& run) {
  std::string message;
  if (run.rfc == nullptr) run.rfc = run.loader.Get(&message);
  if (run.rfc == nullptr) return message;
  RfcEnvironmentRecord environment{};
  environment.errorhandler = &HandleLibraryError;
  environment.context = &run;
  environment.allocate = nullptr;
  run.rfc->RfcEnvironment(environment);
  return std::string();
}

/// Logs on to the current system. The line that names a destination file
/// is printed before the document of a single-system run; in an item run,
/// where it would stand inside the document, only with the progress lines.
Logon LogOn(Run& run, const MeasureOptions& options, bool showDestinationLine) {
  Logon logon = OpenConnection(*run.rfc, run.disk, run.console, showDestinationLine,
                               run.systemProfile, options.logon, &run.r3SystemNumber);
  run.connection = logon.handle;
  return logon;
}

/// Whether a failed first call of a connection was the system refusing the
/// logon data: the classic library's RfcOpen only opens the connection and
/// sends them with the first call, which then fails with the library's
/// logon error.
bool LogonRefusedAtFirstCall(Run& run, const Outcome& outcome) {
  if (!outcome.IsCallResult(kRfcFailure)) return false;
  RfcErrorInfo error{};
  run.rfc->RfcLastError(&error);
  error.key[sizeof error.key - 1] = '\0';
  return std::string_view(error.key) == "RFC_ERROR_LOGON_FAILURE";
}

std::string LogonRefusedMessage(const Run& run) {
  return "Error 1011: RFC-Open for " + run.systemProfile.destination + " failed !";
}

/// Reads the server clock and the system information.
Outcome QueryServer(Run& run, RfcSession& session) {
  Outcome outcome = QueryServerClock(session, &run.serverClock);
  if (!outcome.ok()) return outcome;
  return QuerySystemInfo(session, &run.systemProfile.hostLabel);
}

int SingleSystemRun(Run& run, const CommandLine& line, const std::string& banner,
                    const std::string& profilePath) {
  // With "@" no directory was searched and no profile is open.
  if (line.noSearch) return ErrorExit(run, ProfileMissingMessage(line.profileName));
  ProfileLineTable profileLines;
  bool byteOrderMark = false;  // kept by a rewrite
  {
    std::string contents;
    if (!run.disk.ReadFile(profilePath, &contents))
      return ErrorExit(run, ProfileMissingMessage(line.profileName));
    byteOrderMark = HasByteOrderMark(contents);
    ProfileFault fault = ParseSystemProfile(contents, &run.systemProfile, &profileLines, true);
    if (fault != ProfileFault::kNone)
      return ErrorExit(run, ProfileFaultMessage(fault, line.profileName));
  }

  std::string loadError = PrepareLibrary(run);
  if (!loadError.empty()) return ErrorExit(run, loadError);
  if (line.progress) {
    Print(run, banner + "\n");
    Print(run, SystemStateLine(run, line.profileName) + " State=Processing\n");
    Print(run, "* " + run.clock.TimeOfDay() + " " + kProgramName + " - " +
                   ShownParametersOfSingleRun(line.parameters) + " State=Executing\n");
  }

  Logon logon = LogOn(run, line.options, true);
  if (logon.handle == 0) {
    std::string message = LogonRefusedMessage(run);
    if (!logon.refusal.empty()) message += " - " + logon.refusal;
    return ErrorExit(run, message);
  }
  RfcSession session{*run.rfc, run.connection, run.structures};
  Outcome server = QueryServer(run, session);
  if (LogonRefusedAtFirstCall(run, server)) return ErrorExit(run, LogonRefusedMessage(run));
  if (!server.ok()) return EndRunWith(run, server, false);
  WorkloadResult result = EvaluateWorkload(
      session, run.serverClock, line.options.workload, run.systemProfile.destination,
      HistoryFile{run.disk, profilePath, profileLines, byteOrderMark}, run.document);
  if (result.outcome.IsLibraryFailure()) return EndRunWith(run, result.outcome, false);
  CloseConnection(run);
  if (!result.outcome.ok()) return EndRunWith(run, result.outcome, false);

  Print(run, result.dataRows);
  Print(run, run.document.Text());
  run.disk.RemoveFile(kTraceFileName);  // a missing file is no error
  for (const std::string& name : run.rfc->TraceFileNames()) run.disk.RemoveFile(name);
  if (line.progress) {
    PrintFinishedLine(run);
    return 0;
  }
  return result.noData ? 2 : 0;
}

/// The counts of an item run.
struct ItemCounts {
  std::uint32_t noSystems = 0;
  std::uint32_t processed = 0;
  std::uint32_t failed = 0;
};

/// Takes the next profile name from the front of the system list: the
/// characters up to the next "#" or the end of the list.
std::string TakeNextSystem(std::string& systemList) {
  size_t mark = systemList.find('#');
  std::string name = systemList.substr(0, mark);
  systemList.erase(0, mark == std::string::npos ? std::string::npos : mark + 1);
  return name;
}

std::string ChannelNameOfSystem(const Run& run, NameKind kind, const std::string& name) {
  switch (kind) {
    case NameKind::kAlias:  // without the extension
      return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
    case NameKind::kHost: return run.systemProfile.hostname;
    case NameKind::kDestination: return run.systemProfile.destination;
    default: return name;
  }
}

/// How the measurement of one system of an item run ended.
enum class SystemState { kProcessed, kNotFound, kRfcFailure };

/// Logs on to the current system and measures the item. Returns the exit
/// code when the run must end here.
std::optional<int> MeasureItem(Run& run, const CommandLine& line, const GlobalListing& listing,
                               const MeasureOptions& options, const std::string& channelName,
                               SystemState* state) {
  *state = SystemState::kRfcFailure;
  if (LogOn(run, options, line.progress).handle == 0) return std::nullopt;
  RfcSession session{*run.rfc, run.connection, run.structures};
  Outcome server = QueryServer(run, session);
  if (LogonRefusedAtFirstCall(run, server)) return std::nullopt;  // as a refused logon
  if (!server.ok()) return EndRunWith(run, server, true);
  WorkloadResult result =
      EvaluateItem(session, run.serverClock, options.workload, run.systemProfile.destination,
                   listing.itemName, channelName, run.document);
  if (result.outcome.IsLibraryFailure()) return EndRunWith(run, result.outcome, true);
  if (!result.outcome.ok()) return std::nullopt;
  Print(run, result.dataRows);
  if (!result.itemReported) {
    *state = SystemState::kNotFound;
    return std::nullopt;
  }
  Print(run, run.document.Text());
  run.document.Clear();
  *state = SystemState::kProcessed;
  return std::nullopt;
}

/// Measures the item on the system |name| of the list; counts and reports
/// it. Returns the exit code when the run must end here.
std::optional<int> ProcessSystem(Run& run, const CommandLine& line, const GlobalListing& listing,
                                 const MeasureOptions& options, const std::string& directory,
                                 const std::string& name, ItemCounts* counts) {
  ++counts->noSystems;
  std::string contents;
  if (!run.disk.ReadFile(directory + name, &contents)) return std::nullopt;  // skipped

  // Keys that a profile lacks keep the previous system's values, but the
  // user and password never do: logon data must not go to another host. A
  // profile without them is faulty, and a faulty profile is not logged on.
  run.systemProfile.user.clear();
  run.systemProfile.password.clear();
  bool faulty =
      ParseSystemProfile(contents, &run.systemProfile, nullptr, false) != ProfileFault::kNone;
  contents.clear();
  std::string channelName = ChannelNameOfSystem(run, listing.nameKind, name);
  std::string stateLine = line.progress ? SystemStateLine(run, name) : std::string();

  run.document.Clear();
  SystemState state = SystemState::kRfcFailure;
  if (!faulty) {
    std::string loadError = PrepareLibrary(run);
    if (!loadError.empty()) return ErrorExitOfItemRun(run, loadError);
    std::optional<int> end = MeasureItem(run, line, listing, options, channelName, &state);
    if (end) return end;
  }
  CloseConnection(run);

  if (state == SystemState::kProcessed)
    ++counts->processed;
  else
    ++counts->failed;
  const char* stateText = state == SystemState::kProcessed  ? "Processed"
                          : state == SystemState::kNotFound ? "Not Found"
                                                            : "Rfc Failure";
  if (line.progress) Print(run, "\n" + stateLine + " State=" + stateText + "\n");
  return std::nullopt;
}

int ItemRun(Run& run, const CommandLine& line, const std::string& banner,
            const std::string& directory, const std::string& listingPath) {
  GlobalListing listing;
  std::string error = ReadGlobalListing(run.disk, listingPath, line.profileName, line.listingKey,
                                        line.argument2, line.itemName, &listing);
  if (!error.empty()) return ErrorExit(run, error);

  // The listing's parameters take the place of the command line's.
  const std::string& parameters = listing.parameters ? *listing.parameters : line.parameters;
  MeasureOptions options = ReadMeasureOptions(parameters);

  if (line.progress) {
    Print(run, banner + "\n");
    std::string bannerTime = banner.substr(2, 8);
    Print(run,
          "* " + bannerTime + " " + ShownParametersOfItemRun(parameters) + " State=Executing\n");
  }

  run.document.OpenDocument();
  Print(run, run.document.Text() + "\n");
  run.document.Clear();

  ItemCounts counts;
  std::string systemList = listing.systemList;
  while (!systemList.empty()) {
    std::string name = TakeNextSystem(systemList);
    std::optional<int> end = ProcessSystem(run, line, listing, options, directory, name, &counts);
    if (end) return *end;
  }

  run.document.Clear();
  run.document.OpenText();
  run.document.AppendText("(***) " + listing.itemName +
                          ": NoSystems=" + std::to_string(counts.noSystems) +
                          ", Processed=" + std::to_string(counts.processed) +
                          ", Failed=" + std::to_string(counts.failed) + " ");
  run.document.CloseText();
  run.document.CloseDocument();
  Print(run, run.document.Text() + "\n");

  CloseConnection(run);
  if (line.progress) PrintFinishedLine(run);
  return 0;
}

}  // namespace

int ExecuteRun(Run& run, const std::vector<std::string>& arguments) {
  const std::string banner = "* " + run.clock.TimeOfDay() + " SAP " + kProgramName + " " + kVersion;
  if (arguments.size() < 2)
    return ErrorExit(run, "Error 1001: Parameter for Profile-Name is missing !");
  CommandLine line = ReadCommandLine(arguments);

  // With "@" nothing is searched: there is no profile or listing to read.
  std::string directory;
  std::string path;
  if (!line.noSearch) {
    std::optional<std::string> found = LocateSensorDirectory(run.disk, line.profileName);
    if (!found) return ErrorExit(run, ProfileMissingMessage(line.profileName));
    directory = *found;
    path = directory + line.profileName;
  }
  return line.itemMode ? ItemRun(run, line, banner, directory, path)
                       : SingleSystemRun(run, line, banner, path);
}
