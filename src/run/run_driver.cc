#include "run/run_driver.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "output/error_lines.h"
#include "output/trace_file_check.h"
#include "platform/process.h"
#include "platform/text.h"
#include "run/command_line.h"
#include "run/global_listing.h"
#include "run/run.h"
#include "run/sensor_directory.h"
#include "run/side_by_side.h"
#include "sap/connection.h"
#include "sap/rfc_failure_report.h"
#include "sap/rfc_session.h"
#include "sap/system_profile.h"

namespace {

constexpr const char kProgramName[] = "Brindlemark";
constexpr const char kVersion[] = "Vers 4.3 / 29.08.22";

void Print(Run& run, std::string_view text) { run.console.Write(text); }

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
  if (run.connection != 0) run.rfc->Close(run.connection);
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
    ReportRfcFailure(run.console, *run.rfc, outcome.Operation(), libraryError);
    run.connection = 0;  // every connection is closed
    return 1;
  }
  std::string message = outcome.Message() + remark;
  return itemRun ? ErrorExitOfItemRun(run, message) : ErrorExit(run, message);
}

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
  ReportRfcFailure(run.console, *run.rfc, text != nullptr ? text : "");
  EndProcessAroundThreads(1);
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

std::string LogonRefusedMessage(const Run& run) {
  return LogonFailedMessage(run.systemProfile.destination);
}

/// The remark on a failed step, for the library loaded.
std::string RemarkOn(FileSystem& disk, const RfcClient& rfc, const Outcome& failed) {
  return FailureRemark(disk, rfc.TraceFileNames(), rfc.LogsErrorsInTraceFile(),
                       failed.Texts().Summary());
}

/// A console for a second logon, whose destination line the run has
/// already printed.
struct SilentConsole : Console {
  void Write(std::string_view) override {}
};

/// Reads the server clock and the system information.
Outcome QueryServer(RfcSession& session, ServerClock* clock, std::string* hostLabel) {
  Outcome outcome = QueryServerClock(session, clock);
  if (!outcome.ok()) return outcome;
  return QuerySystemInfo(session, hostLabel);
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
/// line that names a destination file is printed before the document.
SingleMeasurement MeasureSingleSystem(Run& run, const CommandLine& line, FileSystem& historyDisk,
                                      const std::string& profilePath,
                                      const ProfileLineTable& profileLines, bool byteOrderMark) {
  SingleMeasurement m;
  m.logon = OpenConnection(*run.rfc, run.disk, run.console, true, run.systemProfile,
                           line.options.logon, &run.r3SystemNumber, &run.logonTurns);
  if (m.logon.handle == 0) return m;
  RfcSession session{*run.rfc, m.logon.handle};
  session.logOnAgain = [&] {
    SilentConsole silent;
    return OpenConnection(*run.rfc, run.disk, silent, false, run.systemProfile,
                          line.options.logon, &run.r3SystemNumber, &run.logonTurns)
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

int SingleSystemRun(Run& run, const CommandLine& line, const std::string& banner,
                    const std::string& profilePath, Deadline deadline) {
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

  std::string loadError = LoadLibrary(run);
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
  SideBySide sides(1, deadline);
  run.sideBySide = &sides;
  CancelCallsBeforeEnding(run, sides);
  run.logonTurns.deadline = deadline;
  RewriteAsLastWord historyDisk(run.disk, sides);
  SingleMeasurement m;
  InstallErrorHandler(run);
  sides.Add([&] {
    m = MeasureSingleSystem(run, line, historyDisk, profilePath, profileLines, byteOrderMark);
  });
  if (!sides.WaitFor(0)) {
    if (sides.TakeLastWordForDriver())
      return sides.Finish(
          ErrorExit(run, NoAnswerMessage(run.systemProfile.destination, line.timeoutSeconds)));
    sides.WaitWithoutDeadline(0);
  }

  run.connection = m.logon.handle;
  run.document = m.document;
  if (m.logon.handle == 0) {
    std::string message = LogonRefusedMessage(run);
    if (!m.logon.refusal.ok()) message += " - " + m.logon.refusal.text();
    return ErrorExit(run, message);
  }
  if (m.refusedAtFirstCall) return ErrorExit(run, LogonRefusedMessage(run));
  if (!m.server.ok())
    return EndRunWith(run, m.server, false, m.libraryError, RemarkOn(run.disk, *run.rfc, m.server));
  const WorkloadResult& result = m.result;
  if (result.outcome.IsLibraryFailure())
    return EndRunWith(run, result.outcome, false, m.libraryError,
                      RemarkOn(run.disk, *run.rfc, result.outcome));
  CloseConnection(run);
  if (!result.outcome.ok())
    return EndRunWith(run, result.outcome, false, m.libraryError,
                      RemarkOn(run.disk, *run.rfc, result.outcome));

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

/// Takes the next profile name from the front of |systemList| and moves
/// the list past it: the characters up to the next "#" or the end of the
/// list. The list is walked once, however long it is.
std::string TakeNextSystem(std::string_view& systemList) {
  size_t mark = systemList.find('#');
  std::string name(systemList.substr(0, mark));
  systemList.remove_prefix(mark == std::string_view::npos ? systemList.size() : mark + 1);
  return name;
}

std::string ChannelNameOfSystem(const SystemProfile& profile, NameKind kind,
                                const std::string& name) {
  switch (kind) {
    case NameKind::kAlias:  // without the extension
      return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
    case NameKind::kHost: return profile.hostname;
    case NameKind::kDestination: return profile.destination;
    default: return name;
  }
}

/// How the measurement of one system of an item run ended.
enum class SystemState { kProcessed, kNotFound, kRfcFailure };

/// One system of an item run as the listing and its profile give it, the
/// keys carried over from the systems before it resolved.
struct ItemSystem {
  std::string name;
  bool skipped = false;  // its profile cannot be read
  bool faulty = false;   // its profile is incomplete: no logon
  SystemProfile profile;
  int r3SystemNumber = 0;
  /// Whether the profile named the host label; otherwise the label of the
  /// system before stands, as that system's measurement left it.
  bool hostLabelRead = false;
  std::string channelName;
  std::string stateTime;  // when the system was taken up
};

/// What measuring one system of an item run found, to be printed in
/// listing order.
struct ItemMeasurement {
  SystemState state = SystemState::kRfcFailure;
  std::string destinationLine;  // "* SapRfc.Ini..." with progress lines
  std::string dataRows;
  std::string channel;
  /// RFCHOST, when the system information was read.
  std::optional<std::string> hostLabel;
  /// A failure after the logon, which ends the run; the library's last
  /// error and the trace file's remark read right after it.
  std::optional<Outcome> ending;
  LibraryTexts libraryError;
  std::string remark;
};

/// The console of one measurement: keeps what is written, to be printed
/// in listing order.
struct KeptText : Console {
  void Write(std::string_view text) override { kept += text; }
  std::string kept;
};

/// Logs on to one system of an item run and measures the item. The
/// connection is closed, except after a failure of the library itself,
/// whose report closes every connection.
ItemMeasurement MeasureItemSystem(RfcClient& rfc, FileSystem& disk, LogonTurns& turns,
                                  const MeasureOptions& options, const std::string& itemName,
                                  bool progress, ItemSystem& system) {
  ItemMeasurement m;
  KeptText console;
  Logon logon = OpenConnection(rfc, disk, console, progress, system.profile, options.logon,
                               &system.r3SystemNumber, &turns);
  m.destinationLine = console.kept;
  if (logon.handle == 0) return m;
  RfcSession session{rfc, logon.handle};
  session.logOnAgain = [&] {
    SilentConsole silent;
    return OpenConnection(rfc, disk, silent, false, system.profile, options.logon,
                          &system.r3SystemNumber, &turns)
        .handle;
  };
  ServerClock clock;
  std::string hostLabel = system.profile.hostLabel;
  Outcome outcome = QueryServer(session, &clock, &hostLabel);
  if (outcome.IsLogonRefused()) {  // as a refused logon
    rfc.Close(logon.handle);
    return m;
  }
  if (outcome.ok()) {
    m.hostLabel = hostLabel;
    ResultDocument document;
    WorkloadResult result =
        EvaluateItem(session, clock, options.workload, system.profile.destination, itemName,
                     system.channelName, document);
    if (result.outcome.ok()) {
      m.dataRows = result.dataRows;
      m.state = result.itemReported ? SystemState::kProcessed : SystemState::kNotFound;
      if (result.itemReported) m.channel = document.Text();
    } else if (result.outcome.IsLibraryFailure()) {
      outcome = result.outcome;
    }
  }
  if (!outcome.ok()) {
    m.ending = outcome;
    if (outcome.IsLibraryFailure()) {
      m.libraryError = outcome.Texts();
      return m;
    }
    m.remark = RemarkOn(disk, rfc, outcome);
  }
  rfc.Close(session.connection);
  return m;
}

/// Reads the profile of the system |name| of the list, on top of the
/// logon data of the systems before it (|carried|).
ItemSystem ReadItemSystem(Run& run, const GlobalListing& listing, const MeasureOptions& options,
                          const std::string& directory, const std::string& name,
                          SystemProfile& carried, bool progress) {
  ItemSystem system;
  system.name = name;
  std::string contents;
  if (!run.disk.ReadFile(directory + name, &contents)) {
    system.skipped = true;
    return system;
  }
  // Keys that a profile lacks keep the previous system's values, but the
  // user and password never do: logon data must not go to another host. A
  // profile without them is faulty, and a faulty profile is not logged on.
  carried.user.clear();
  carried.password.clear();
  std::string label = carried.hostLabel;
  carried.hostLabel.clear();
  system.faulty = ParseSystemProfile(contents, &carried, nullptr, false) != ProfileFault::kNone;
  system.hostLabelRead = !carried.hostLabel.empty();
  if (!system.hostLabelRead) carried.hostLabel = label;
  // The system number a logon leaves for the next, as OpenConnection
  // takes it.
  const std::string& sysnr = options.logon.sysnr ? *options.logon.sysnr : carried.sysnr;
  if (!system.faulty && !sysnr.empty()) run.r3SystemNumber = SystemNumberValue(sysnr);
  system.r3SystemNumber = run.r3SystemNumber;
  system.profile = carried;
  system.channelName = ChannelNameOfSystem(carried, listing.nameKind, name);
  if (progress) system.stateTime = run.clock.TimeOfDay();
  return system;
}

/// A system of an item run on its way: read, being measured, not yet
/// printed.
struct PendingSystem {
  ItemSystem system;
  ItemMeasurement measurement;
};

const char* StateWord(SystemState state) {
  return state == SystemState::kProcessed  ? "Processed"
         : state == SystemState::kNotFound ? "Not Found"
                                           : "Rfc Failure";
}

/// The state line of a system of an item run, without its state word;
/// |hostLabel| is the label the system before left.
std::string ItemStateLine(const ItemSystem& system, const std::string& hostLabel) {
  const SystemProfile& p = system.profile;
  return "* " + system.stateTime + " " + system.name + ", " +
         (system.hostLabelRead ? p.hostLabel : hostLabel) + ", " + p.destination + ", " + p.sysnr +
         ", " + p.client;
}

/// Prints a measured system and counts it, in listing order. |hostLabel|
/// is the host label the system before left. Returns the exit code when
/// the run ends with this system.
std::optional<int> ReportItemSystem(Run& run, const CommandLine& line, PendingSystem& p,
                                    ItemCounts* counts, std::string* hostLabel) {
  const ItemSystem& system = p.system;
  const ItemMeasurement& m = p.measurement;
  if (system.skipped) return std::nullopt;
  std::string stateLine = ItemStateLine(system, *hostLabel);
  if (system.hostLabelRead) *hostLabel = system.profile.hostLabel;
  Print(run, m.destinationLine);
  if (m.ending) {
    run.connection = 0;  // the measurement closed its connection, or the report does
    return EndRunWith(run, *m.ending, true, m.libraryError, m.remark);
  }
  if (m.hostLabel) *hostLabel = *m.hostLabel;
  Print(run, m.dataRows);
  Print(run, m.channel);
  if (m.state == SystemState::kProcessed)
    ++counts->processed;
  else
    ++counts->failed;
  if (line.progress) Print(run, "\n" + stateLine + " State=" + StateWord(m.state) + "\n");
  return std::nullopt;
}

/// A system that had not answered by the deadline: counted as failed.
void ReportNoAnswer(Run& run, const CommandLine& line, const PendingSystem& p, ItemCounts* counts,
                    const std::string& hostLabel) {
  ++counts->failed;
  if (line.progress) Print(run, "\n" + ItemStateLine(p.system, hostLabel) + " State=No Answer\n");
}

int ItemRun(Run& run, const CommandLine& line, const std::string& banner,
            const std::string& directory, const std::string& listingPath, Deadline deadline) {
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

  // The systems are read in listing order and measured side by side;
  // each is printed as soon as the systems before it are.
  SideBySide sides(line.parallel, deadline);
  run.sideBySide = &sides;
  CancelCallsBeforeEnding(run, sides);
  run.logonTurns.deadline = deadline;
  ItemCounts counts;
  SystemProfile carried = run.systemProfile;
  std::string hostLabel = carried.hostLabel;
  std::deque<PendingSystem> pending;  // read, not yet printed
  size_t printed = 0;
  bool timedOut = false;

  // Prints the systems at the front that are done (waiting for them with
  // |wait|, until the deadline). Returns the exit code when the run ends.
  auto printDone = [&](bool wait) -> std::optional<int> {
    while (!pending.empty() && printed < sides.Added()) {
      bool done = wait ? sides.WaitFor(printed) : sides.IsDone(printed);
      if (!done) {
        timedOut = wait;
        return std::nullopt;
      }
      std::optional<int> end = ReportItemSystem(run, line, pending.front(), &counts, &hostLabel);
      if (end) return end;
      pending.pop_front();
      sides.Printed(++printed);
    }
    return std::nullopt;
  };

  std::optional<int> end;
  std::string_view systemList = listing.systemList;
  while (!end && !timedOut && !systemList.empty()) {
    std::string name = TakeNextSystem(systemList);
    ++counts.noSystems;
    pending.push_back(
        {ReadItemSystem(run, listing, options, directory, name, carried, line.progress),
         ItemMeasurement()});
    PendingSystem& p = pending.back();
    std::function<void()> job;
    if (!p.system.skipped && !p.system.faulty) {
      if (run.rfc == nullptr) {
        std::string loadError = LoadLibrary(run);
        if (!loadError.empty()) {
          // The systems before needed no library: they are done.
          pending.pop_back();
          end = printDone(false);
          if (!end) end = ErrorExitOfItemRun(run, loadError);
          break;
        }
        // Once, before any measurement calls the library.
        InstallErrorHandler(run);
      }
      job = [&run, &p, &options, &listing, progress = line.progress] {
        p.measurement = MeasureItemSystem(*run.rfc, run.disk, run.logonTurns, options,
                                          listing.itemName, progress, p.system);
      };
    }
    // What is done is printed before the next measurement starts: one
    // after another, a failure that ends the run ends it before the next
    // system is logged on to.
    if (job && !sides.WaitForRoom()) {
      timedOut = true;
      break;
    }
    end = printDone(false);
    if (!end && !sides.Add(std::move(job))) timedOut = true;
  }
  if (!end && !timedOut) end = printDone(true);
  if (end) {
    sides.TakeLastWordForDriver();
    return sides.Finish(*end);
  }

  if (timedOut) {
    // The deadline: what did arrive is printed, the rest counts as failed.
    if (!sides.TakeLastWordForDriver()) sides.WaitWithoutDeadline(printed);
    for (PendingSystem& p : pending) {
      size_t index = printed++;
      if (p.system.skipped) continue;
      if (index >= sides.Added() || !sides.IsDone(index)) {
        ReportNoAnswer(run, line, p, &counts, hostLabel);
        continue;
      }
      // A system that answered with a failure after one that did not
      // answer: the run goes on to its summary, so it only failed.
      if (p.measurement.ending) p.measurement = ItemMeasurement();
      ReportItemSystem(run, line, p, &counts, &hostLabel);
    }
    // Names the run never came to.
    while (!systemList.empty()) {
      TakeNextSystem(systemList);
      ++counts.noSystems;
      ++counts.failed;
    }
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
  return sides.Finish(0);
}

}  // namespace

int ExecuteRun(Run& run, const std::vector<std::string>& arguments) {
  const auto start = std::chrono::steady_clock::now();
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
  Deadline deadline = start + std::chrono::seconds(line.timeoutSeconds);
  int exitCode = line.itemMode ? ItemRun(run, line, banner, directory, path, deadline)
                               : SingleSystemRun(run, line, banner, path, deadline);
  run.sideBySide = nullptr;  // the measurements are over
  return exitCode;
}
