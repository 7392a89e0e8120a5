#include "tool/setup_check.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "measure/day_statistics.h"
#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/usage_history.h"
#include "measure/workload_source.h"
#include "output/error_lines.h"
#include "output/trace_file_check.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "run/command_line.h"
#include "run/sensor_directory.h"
#include "sap/connection.h"
#include "sap/destination_file.h"
#include "sap/rfc_library_loader.h"
#include "sap/rfc_session.h"
#include "sap/system_profile.h"
#include "tool/deadline.h"
#include "tool/failure_hints.h"
#include "tool/step_report.h"

namespace {

constexpr const char kPathFile[] = "C:\\PRTG_Path.Txt";

using Stopwatch = std::chrono::steady_clock;

/// The time since |start| for a person: "12 ms".
std::string Elapsed(Stopwatch::time_point start) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Stopwatch::now() - start);
  return std::to_string(ms.count()) + " ms";
}

/// What the steps of one test share.
struct SetupTest {
  SetupTest(SetupTestPlatform& platform, StepReport& report, const CommandLine& line)
      : platform(platform), report(report), line(line) {}

  SetupTestPlatform& platform;
  StepReport& report;
  const CommandLine& line;

  SystemProfile profile;
  ProfileLineTable lines;
  RfcClient* rfc = nullptr;
  /// The last text the library handed to its error handler.
  std::string handlerText;
  ConnectionId connection = 0;
  int r3SystemNumber = 0;
  ServerClock clock;
  std::string host;
  // The day's statistics.
  bool noData = false;
  unsigned rows = 0;
  std::vector<std::string> clients;
  std::uint32_t stepTotal = 0;
  WorkloadFetch fetch;
};

/// The error handler installed with RfcEnvironment: keeps the text for
/// the step's report and returns, so that the failed operation reports
/// itself. Nothing unwinds into the library's frames.
void RecordLibraryError(void* context, const char* text) noexcept {
  try {
    static_cast<SetupTest*>(context)->handlerText = text != nullptr ? text : "";
  } catch (...) {
  }
}

/// A client list for a person: "000, 100, 200"; "none" when empty.
std::string ClientList(const std::vector<std::string>& clients) {
  std::string list;
  for (const std::string& client : clients) list += (list.empty() ? "" : ", ") + client;
  return list.empty() ? "none" : list;
}

void AddOnce(std::vector<std::string>* list, const std::string& item) {
  for (const std::string& known : *list)
    if (known == item) return;
  list->push_back(item);
}

/// Prints the verdict of the failed current step; false, to end the steps.
bool Fail(SetupTest& t, const std::string& whatToDo) {
  t.report.Failed(whatToDo);
  return false;
}

// --- Profile ---------------------------------------------------------------

/// One key of the profile as read: the value, the password only as set or
/// missing, and what the sensor finds wrong with it.
std::string KeyLine(const SystemProfile& profile, const ProfileKeyEntry& entry,
                    ProfileFault fault) {
  const std::string& value = profile.*entry.field;
  std::string line = std::string(entry.key) + " ";
  if (entry.field == &SystemProfile::password) {
    if (fault == ProfileFault::kInvalidPassword || fault == ProfileFault::kWrongPassword)
      return line + "damaged";
    line += value.empty() ? "missing" : "set";
  } else {
    line += value.empty() ? "(missing)" : value;
  }
  if (!value.empty() && value.size() < entry.minimumLength)
    line += " (too short: the sensor needs at least " + std::to_string(entry.minimumLength) +
            " characters)";
  return line;
}

std::string ProfileFaultHint(ProfileFault fault) {
  switch (fault) {
    case ProfileFault::kInvalidPassword:
    case ProfileFault::kWrongPassword:
      return "the reading stops at the Password line, as the sensor's does; write the line again "
             "with brindlemark-profile scramble (or the whole profile with brindlemark-profile "
             "new), and edit profiles only with an editor that keeps their bytes";
    case ProfileFault::kMissingUser:
    case ProfileFault::kMissingPassword:
      return "add the missing line, or write the profile with brindlemark-profile new";
    default: return "complete the lines marked above as missing or too short";
  }
}

/// Where the sensor looked for a profile it did not find.
std::string WhereSearched(FileSystem& disk) {
  if (disk.CanOpen(kPathFile))
    return std::string("the path file ") + kPathFile + " (" + disk.HostPath(kPathFile) +
           ") exists, so the sensor looks only in the directory it names";
  return "looked in the working directory " + disk.HostPath(".") +
         " and in the monitor's standard directories on the current drive";
}

bool ReadProfile(SetupTest& t) {
  t.report.Begin("Profile");
  const std::string& name = t.line.profileName;
  const std::string missing = ProfileMissingMessage(name);
  if (t.line.noSearch) {
    t.report.Line("the parameters hold \"@\": the sensor then looks for no files");
    return Fail(t, missing + " - leave \"@\" out of the parameters");
  }
  FileSystem& disk = t.platform.disk;
  std::optional<std::string> directory = LocateSensorDirectory(disk, name);
  std::string contents;
  if (!directory) {
    t.report.Line(name + " not found: " + WhereSearched(disk));
    return Fail(t, missing +
                       " - create the profile in the sensor directory with "
                       "brindlemark-profile new, and run this test where the monitor "
                       "runs the sensor");
  }
  const std::string path = *directory + name;
  t.report.Line(name + " found: " + disk.HostPath(path));
  if (!disk.ReadFile(path, &contents))
    return Fail(t, missing + " - give the sensor's user read access");
  ProfileFault fault = ParseSystemProfile(contents, &t.profile, &t.lines, true);
  t.report.SetDestination(t.profile.destination);
  for (const ProfileKeyEntry& entry : kProfileKeys) t.report.Line(KeyLine(t.profile, entry, fault));
  if (fault == ProfileFault::kNone) return true;
  return Fail(t, ProfileFaultMessage(fault, name) + " - " + ProfileFaultHint(fault));
}

// --- Library ---------------------------------------------------------------

bool LoadLibrary(SetupTest& t) {
  t.report.Begin("Library");
  Status status;
  t.rfc = t.platform.loader.Get(&status);
  std::string chosen;
  for (const RfcLibraryAttempt& attempt : t.platform.loader.Attempts()) {
    t.report.Line(attempt.fileName + " (" + attempt.where + "): " + attempt.result);
    if (attempt.result == "loaded") chosen = attempt.fileName;
  }
  if (t.rfc == nullptr) {
    bool lacking = status.code() == Status::Code::kLibrary;
    return Fail(t, status.text() + (lacking ? " - the file is not SAP's RFC library or a version "
                                              "too old: replace it by a current one"
                                            : " - put SAP's RFC library of this program's kind "
                                              "(32 or 64 bit) beside the program, or where "
                                              "the system finds libraries (INSTALL.txt, 1.)"));
  }
  std::string kind = t.rfc->LibraryKind();
  std::string version = t.rfc->LibraryVersion();
  t.report.Line("using " + chosen + ", the " + kind + " RFC library, version " +
                (version.empty() ? "not told by the library" : version));
  t.rfc->InstallErrorHandler(&RecordLibraryError, &t);
  return true;
}

// --- Destination file ------------------------------------------------------

/// Whether the library reads the sensor's copy of the destination file.
std::string RfcIniLine(FileSystem& disk) {
  const char* value = std::getenv("RFC_INI");
  const std::string copy = disk.HostPath(kDestinationFileCopy);
  if (value == nullptr || *value == '\0')
    return "RFC_INI is not set: the library reads SapRfc.ini in the working directory, the "
           "sensor's copy " +
           copy;
  std::error_code error;
  std::string named = std::filesystem::absolute(value, error).lexically_normal().string();
  if (UpperCased(named) == UpperCased(copy)) return "RFC_INI points at the sensor's copy " + copy;
  return std::string("RFC_INI points at ") + value + ", not at the sensor's copy " + copy +
         ": the library reads that file instead";
}

/// Shows the destination file when the logon goes through one; returns
/// whether it does, and its entry for the destination in |found|.
bool ShowDestinationFile(SetupTest& t, std::optional<Destination>* found) {
  t.report.Begin("Destination file");
  const std::string& destination = t.profile.destination;
  const std::string file = "SapRfc." + destination;
  std::string text;
  // The sensor logs on through the file whenever it can open it.
  if (!t.platform.disk.CanOpen(file)) {
    t.report.Line("none (no " + file + " in the working directory " +
                  t.platform.disk.HostPath(".") + "): the logon uses the profile's data");
    return false;
  }
  t.report.Line(
      file + " is used: the sensor copies it to SapRfc.ini and logs on with DEST=" + destination);
  if (t.platform.disk.ReadFile(file, &text)) *found = FindDestination(text, destination);
  if (!*found) t.report.Line("it holds no entry DEST=" + destination + ": the logon will fail");
  for (const auto& [key, value] : *found ? (*found)->entries : Destination().entries) {
    bool secret = UpperCased(key).find("PASSW") != std::string::npos;
    t.report.Line("  " + key + "=" + (secret ? "(set)" : value));
  }
  return true;
}

// --- Logon -----------------------------------------------------------------

/// What the logon is made to: host or message server, client, user and
/// language.
std::string LogonTarget(const SetupTest& t, bool throughFile,
                        const std::optional<Destination>& destination) {
  const SystemProfile& p = t.profile;
  const LogonOverrides& overrides = t.line.options.logon;
  std::string target;
  std::string language = p.language;
  if (throughFile) {
    language = "D (always, through a destination file)";
    auto value = [&](const char* key, const char* other) {
      const std::string* found = destination->Find(key);
      if (found == nullptr && other != nullptr) found = destination->Find(other);
      return found != nullptr ? *found : std::string("(none)");
    };
    if (!destination)
      target = "destination " + p.destination;
    else if (destination->Find("MSHOST") != nullptr)
      target = "message server " + value("MSHOST", nullptr) + ", system id " +
               value("R3NAME", "SYSID") + ", group " + value("GROUP", nullptr);
    else
      target = "host " + value("ASHOST", nullptr) + ", system number " + value("SYSNR", nullptr);
  } else if (p.mode == "R/2") {
    target = "R/2 gateway " + p.gwhost + ", service " + p.gwservice;
  } else {
    target = "host " + (overrides.host ? *overrides.host + " (,HOST=)" : p.hostname) +
             ", system number " + (overrides.sysnr ? *overrides.sysnr + " (,NO=)" : p.sysnr) +
             ", gateway " + p.gwhost + " " + p.gwservice;
  }
  return target + ", client " + p.client + ", user " + p.user + ", language " + language;
}

/// Reports the logon the library refused, with its texts and the sensor's
/// error; false, to end the steps.
bool RefusedLogon(SetupTest& t, Stopwatch::time_point start, const LibraryTexts& error) {
  t.report.Line("refused after " + Elapsed(start));
  std::string record = ErrorRecordText(error);
  t.report.Line("the library says: " + (record.empty() ? std::string("nothing") : record));
  if (!t.handlerText.empty()) t.report.Line("the library's error handler: " + t.handlerText);
  t.report.Line("the sensor reports: " + LogonFailedMessage(t.profile.destination));
  return Fail(t, LogonHint(error));
}

bool LogOn(SetupTest& t, bool throughFile, const std::optional<Destination>& destination) {
  t.report.Begin("Logon");
  t.report.Line(LogonTarget(t, throughFile, destination));
  Stopwatch::time_point start = Stopwatch::now();
  t.handlerText.clear();
  Logon logon = OpenConnection(*t.rfc, t.platform.disk, t.platform.console, false, t.profile,
                               t.line.options.logon, &t.r3SystemNumber);
  t.connection = logon.handle;
  // The sensor names its copy in RFC_INI for the logon itself.
  if (throughFile) t.report.Line(RfcIniLine(t.platform.disk));
  if (logon.handle != 0) {
    // The classic library's RfcOpen only opens the connection: the system
    // checks the logon data with the first call.
    t.report.Line("OK in " + Elapsed(start));
    if (!throughFile && !t.rfc->ChecksLogonAtOpen())
      t.report.Line("the system checks the logon data with the first call (GET_CPU_ALL)");
    return true;
  }
  if (logon.refusal.code() == Status::Code::kTimedOut) {
    t.report.Line("refused after " + Elapsed(start));
    t.report.Line("the sensor reports: " + LogonFailedMessage(t.profile.destination) + " - " +
                  logon.refusal.text());
    return Fail(t,
                "another sensor of this directory held SapRfc.ini for 20 s: its "
                "logon hangs, or too many sensors share the directory");
  }
  return RefusedLogon(t, start, t.rfc->LastError());
}

// --- Function modules ------------------------------------------------------

/// The statistics call as a run makes it, from the source "WORKLOAD="
/// names (the collector after the accounting interface when it has no
/// data); a day without statistics is no failure. Keeps the row count,
/// the clients, the step total and what the collector said.
Outcome FetchStatistics(SetupTest& t, RfcSession& session) {
  session.logOnAgain = [&t] {
    Logon again = OpenConnection(*t.rfc, t.platform.disk, t.platform.console, false, t.profile,
                                 t.line.options.logon, &t.r3SystemNumber);
    return again.handle;
  };
  t.fetch = FetchWorkload(session, t.clock.date, t.line.options.workload.source,
                          [&](const WorkloadRows& rows) {
                            t.rows = static_cast<unsigned>(rows.size());
                            for (size_t row = 0; row < rows.size(); ++row) {
                              AddOnce(&t.clients, std::string(rows.Client(row)));
                              t.stepTotal += rows.Counters(row)[UsageCounters::kSteps];
                            }
                            return Outcome::Ok();
                          });
  t.connection = session.connection;
  t.noData = t.fetch.noData;
  return t.fetch.outcome;
}

/// Which source answered, and what the collector said when it was asked.
void ShowSource(SetupTest& t) {
  const WorkloadFetch& f = t.fetch;
  if (f.fromCollector) {
    t.report.Line("source: the workload collector (SWNC_COLLECTOR_GET_AGGREGATES, table " +
                  f.collectorTable + "), " + std::to_string(f.rows) + " rows");
    t.report.Line("mapping: " + f.collectorMapping);
    return;
  }
  // The accounting interface alone, as before release 7.00: the lines of
  // before say it all.
  if (!f.collectorAsked) return;
  if (t.line.options.workload.source != WorkloadSource::kCollector)
    t.report.Line(t.noData ? std::string("source: the accounting interface "
                                         "(SAPWL_ACCNT_GET_SYSTEM_USAGE) has no data for the day")
                           : "source: the accounting interface (SAPWL_ACCNT_GET_SYSTEM_USAGE), " +
                                 std::to_string(f.rows) + " rows");
  if (f.collectorNoData)
    t.report.Line("the workload collector has no data for the day either (NO_DATA_FOUND)");
  else if (f.collectorWithoutClient)
    t.report.Line(
        "the workload collector's tables USERWORKLOAD and USERTCODE carry no client on this "
        "system: it cannot give per-client numbers, and the sensor does not use it");
  else if (f.collectorOutcome.IsFunctionNotFound())
    t.report.Line("the system has no workload collector (SWNC_COLLECTOR_GET_AGGREGATES)");
  if (t.noData)
    t.report.Line(
        "neither source has data: the job SAP_COLLECTOR_FOR_PERFMONITOR must run hourly in "
        "client 000, and the system's time zone settings must be right (a known cause of "
        "missing ST03 data)");
}

/// The trace file the loaded library writes in the working directory.
std::string TraceFileOf(const SetupTest& t) {
  std::vector<std::string> names = t.rfc->TraceFileNames();
  return names.empty() ? "Dev_Rfc.Trc" : names.front();
}

/// What to do about a failed call of |module|.
std::string CallHint(const SetupTest& t, const char* module, const Outcome& outcome) {
  const std::string trace = TraceFileOf(t);
  std::string message = outcome.IsLibraryFailure() ? std::string() : outcome.Message();
  if (IsAuthorisationFailure(message + " " + t.handlerText, outcome.Texts()))
    return AuthorisationHint(module, t.rfc->ReadsDescriptions());
  if (outcome.IsLibraryFailure())
    return "the RFC library failed in its own work (a run ends here with its \"RFC error\" "
           "block): see its trace file " +
           trace + ", and use a current version of the library";
  if (outcome.code() == Status::Code::kException)
    return "the function module raised an exception: see the system log (transaction SM21) "
           "and the trace file " +
           trace;
  if (outcome.code() == Status::Code::kCommunication)
    return "a system failure in SAP (a short dump or an error message): see transactions ST22 "
           "and SM21";
  return "the connection or the library failed during the call: see the trace file " + trace +
         " and the system log (transaction SM21)";
}

/// Calls one function module through |call| and reports how it went.
bool CallModule(SetupTest& t, const char* module, const std::function<Outcome()>& call) {
  t.report.Begin(module);
  t.handlerText.clear();
  Stopwatch::time_point start = Stopwatch::now();
  Outcome outcome = call();
  if (outcome.ok()) {
    t.report.Line((t.rfc->ReadsDescriptions() ? "description and call OK in " : "OK in ") +
                  Elapsed(start));
    return true;
  }
  const LibraryTexts& error = outcome.Texts();
  if (outcome.IsLogonRefused()) {
    // The logon data went with this first call and were refused: the
    // sensor reports the refused logon.
    t.report.Begin("Logon");
    return RefusedLogon(t, start, error);
  }
  t.report.Line("failed after " + Elapsed(start));
  if (outcome.IsLibraryFailure())
    t.report.Line("the library's own operation " + outcome.Operation() + " failed");
  else
    t.report.Line("the sensor reports: " + outcome.Message() +
                  FailureRemark(t.platform.disk, t.rfc->TraceFileNames(),
                                t.rfc->LogsErrorsInTraceFile(), outcome.Texts().Summary()));
  std::string record = ErrorRecordText(error);
  if (!record.empty()) t.report.Line("the library's last error: " + record);
  if (!t.handlerText.empty()) t.report.Line("the library's error handler: " + t.handlerText);
  if (outcome.IsFunctionNotFound() && t.fetch.collectorAsked) {
    // S/4HANA without the accounting interface, and a collector that
    // cannot give per-client numbers (or is not there either).
    t.report.Line("the system has no " + outcome.ExceptionName() + " (S/4HANA)");
    return Fail(t, t.fetch.collectorWithoutClient
                       ? "the workload collector's tables USERWORKLOAD and USERTCODE carry no "
                         "client on this system: the sensor cannot report per client here"
                       : "the system has no workload collector "
                         "(SWNC_COLLECTOR_GET_AGGREGATES) either");
  }
  // A failure of the collector, asked after the accounting interface,
  // is the collector's to mend.
  if (t.fetch.collectorAsked && !t.fetch.collectorOutcome.ok()) {
    t.report.Line("the accounting interface had no data; the workload collector failed");
    module = kCollectorFunction;
  }
  return Fail(t, CallHint(t, module, outcome));
}

// --- Measurement -----------------------------------------------------------

/// What the profile's history holds, and what the next run makes of it.
void ShowHistory(SetupTest& t) {
  UsageHistory history(t.lines);
  std::string record(history.FindProfileLine(kDateRecordPrefix));
  if (record.empty()) {
    t.report.Line("the profile holds no history yet: the first run reports the day's totals");
    return;
  }
  std::vector<std::string> clients;
  for (const std::string& line : t.lines)
    if (line.rfind(kCurrentHistoryPrefix, 0) == 0 && line.rfind(kDateRecordPrefix, 0) != 0)
      AddOnce(&clients, std::string(From(line, kCurrentHistoryPrefix.size()).substr(0, 3)));
  std::string date(From(record, kDateRecordPrefix.size()).substr(0, 8));
  std::string time(From(record, kDateRecordPrefix.size() + 9).substr(0, 8));
  std::uint32_t former = FormerStepTotal(record);
  t.report.Line("the profile's history: last record " + date + " " + time + ", " +
                std::to_string(former) + " steps, clients " + ClientList(clients));
  if (t.noData) return;
  if (date != t.clock.date)
    t.report.Line("that record is of another day: the next run reports the day's totals");
  else if (t.stepTotal < former)
    t.report.Line(
        "today's totals are below the record's (statistics reorganised, or another "
        "server answered): the next run counts 0 and measures on from there");
  else
    t.report.Line("the next run reports what happened since " + time + ": " +
                  std::to_string(t.stepTotal - former) + " steps so far");
}

void ShowMeasurement(SetupTest& t) {
  t.report.Begin("Measurement");
  std::string host = t.host.substr(0, t.host.find_last_not_of(' ') + 1);
  t.report.Line("server clock " + t.clock.date + " " + t.clock.time + ", host " + host);
  ShowSource(t);
  if (t.noData) {
    t.report.Line("no statistics for " + t.clock.date +
                  " yet (NO_DATA_FOUND): the sensor reports \"no data\" until the system's "
                  "statistics collector has written some");
  } else {
    t.report.Line("today's statistics: " + std::to_string(t.rows) + " rows, " +
                  std::to_string(t.clients.size()) + " clients (" + ClientList(t.clients) + "), " +
                  std::to_string(t.stepTotal) + " steps");
    const std::string& filter = t.line.options.workload.clientFilter;
    bool known = false;
    for (const std::string& client : t.clients) known = known || client == filter;
    if (!filter.empty() && !known)
      t.report.Line("CLIENT=" + filter + " has no statistics today: the sensor reports 0 for it");
  }
  ShowHistory(t);
}

int Steps(SetupTest& t) {
  if (!ReadProfile(t) || !LoadLibrary(t)) return 1;
  std::optional<Destination> destination;
  bool throughFile = ShowDestinationFile(t, &destination);
  if (!LogOn(t, throughFile, destination)) return 1;
  t.host = t.profile.hostLabel;
  RfcSession session{*t.rfc, t.connection};
  bool ok =
      CallModule(t, "GET_CPU_ALL", [&] { return QueryServerClock(session, &t.clock); }) &&
      CallModule(t, "RFC_SYSTEM_INFO", [&] { return QuerySystemInfo(session, &t.host); }) &&
      CallModule(t, t.line.options.workload.source == WorkloadSource::kCollector
                        ? "SWNC_COLLECTOR_GET_AGGREGATES"
                        : "SAPWL_ACCNT_GET_SYSTEM_USAGE", [&] { return FetchStatistics(t, session); });
  t.rfc->Close(t.connection);
  t.connection = 0;
  if (!ok) return 1;
  ShowMeasurement(t);
  return t.report.Passed(t.profile.destination);
}

}  // namespace

int RunSetupTest(const std::vector<std::string>& args, SetupTestPlatform& platform,
                 std::string* err) {
  if (args.size() < 2) {
    *err +=
        "brindlemark-profile: test takes the profile name and the sensor's parameters, as the "
        "monitor gives them: brindlemark-profile test PROFILE [PARAMETERS]\n";
    return 2;
  }
  std::vector<std::string> arguments = {"brindlemark"};
  arguments.insert(arguments.end(), args.begin() + 1, args.end());
  const CommandLine line = ReadCommandLine(arguments);
  if (line.itemMode) {
    *err +=
        "brindlemark-profile: test checks the profile of one system; for an item run test "
        "each profile of the listing by its name (brindlemark-profile test PRD.P00)\n";
    return 2;
  }
  StepReport report(platform.console);
  SetupTest test(platform, report, line);
  // TIMEOUT= as the run reads it, so that the test ends where a run would.
  const unsigned seconds = line.timeoutSeconds;
  return RunWithDeadline([&] { return Steps(test); }, std::chrono::seconds(seconds),
                         [&] { report.EndWithoutAnswer(seconds); });
}
