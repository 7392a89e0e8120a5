#include "run/run_driver.h"

#include <string>

#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "output/trace_file_check.h"
#include "run/command_line.h"
#include "run/global_listing.h"
#include "run/run.h"
#include "run/sensor_directory.h"
#include "sap/connection.h"
#include "sap/rfc_failure_report.h"
#include "sap/system_profile.h"

namespace {

constexpr const char kProgramName[] = "Brindlemark";
constexpr const char kVersion[] = "Vers 4.3 / 29.08.22";

void Print(Run& run, std::string_view text) { run.console.Write(text); }

std::string ProfileMissingMessage(const Run& run) {
  return "Error 1002: Profile " + run.profileName + " is missing...";
}

/// "* <time> <profile>, <host>, <destination>, <sysnr>, <client>": the
/// first half of a system's state line.
std::string SystemStateLine(Run& run, const std::string& profileName) {
  const SystemProfile& p = run.systemProfile;
  return "* " + run.clock.TimeOfDay() + " " + profileName + ", " + p.hostLabel +
         ", " + p.destination + ", " + p.sysnr + ", " + p.client;
}

void PrintFinishedLine(Run& run) {
  Print(run, "\n* " + run.clock.TimeOfDay() + " SAP " + kProgramName +
                 " now processed...\n");
}

/// The error ending after a failed query: the trace file's hint is added
/// to what the failing query wrote, and that text becomes the error. In an
/// item run the document's head and the channels of earlier systems are
/// printed already, so the error closes that document instead of starting
/// a second one: the monitor gets one well-formed document either way.
[[noreturn]] void EndRunWithError(Run& run) {
  CheckTraceFile(run);
  std::string message = run.resultDocument.Text();
  if (run.itemMode) {
    run.resultDocument.Clear();
    run.resultDocument.WriteErrorTail(message);
  } else {
    run.resultDocument.WriteErrorDocument(message);
  }
  Print(run, run.resultDocument.Text());
  CloseConnection(run);
  throw RunEnded{2};
}

/// Reads the server clock and the system information; a failure of
/// either ends the run.
void QueryServer(Run& run) {
  run.runStatus = RunStatus::Err;
  QueryServerClock(run);
  if (run.runStatus == RunStatus::Err) EndRunWithError(run);
  run.runStatus = RunStatus::Err;
  QuerySystemInfo(run);
  if (run.runStatus == RunStatus::Err) EndRunWithError(run);
}

int SingleSystemRun(Run& run) {
  // With "@" no directory was searched and no profile is open.
  if (HasOption(run, "@")) ErrorExit(run, ProfileMissingMessage(run));
  run.rewritePath = run.profilePath;
  run.profileLineTable.clear();
  std::string contents;
  if (!run.disk.ReadFile(run.profilePath, &contents))
    ErrorExit(run, ProfileMissingMessage(run));
  ReadSystemProfile(run, contents, /*singleSystemRun=*/true);
  contents.clear();

  InstallRfcEnvironment(run);
  run.resultDocument.Clear();
  run.runStatus = RunStatus::Err;
  if (run.progressFlag) {
    Print(run, run.stateLine + "\n");
    Print(run, SystemStateLine(run, run.profileName) + " State=Processing\n");
    std::string time = run.clock.TimeOfDay();
    Print(run, "* " + time + " " + kProgramName + " - " +
                   ShownParametersOfSingleRun(run) + " State=Executing\n");
  }

  if (OpenConnection(run) == 0)
    ErrorExit(run, "Error 1011: RFC-Open for " + run.systemProfile.destination +
                       " failed !");
  QueryServer(run);
  run.runStatus = RunStatus::Err;
  int result = EvaluateWorkload(run);
  CloseConnection(run);

  if (run.runStatus == RunStatus::Err) EndRunWithError(run);
  Print(run, run.resultDocument.Text());
  run.disk.RemoveFile("Dev_Rfc.Trc");  // a missing file is no error
  if (run.progressFlag) {
    PrintFinishedLine(run);
    return 0;
  }
  return result;
}

/// Takes the next profile name from the front of the system list: the
/// characters up to the next "#" or the end of the list.
std::string TakeNextSystem(Run& run) {
  size_t mark = run.systemList.find('#');
  std::string name = run.systemList.substr(0, mark);
  run.systemList.erase(0, mark == std::string::npos ? std::string::npos : mark + 1);
  return name;
}

std::string ChannelNameOfSystem(const Run& run, const std::string& name) {
  switch (run.nameKind) {
    case '2':  // without the extension
      return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
    case '3':
      return run.systemProfile.hostname;
    case '4':
      return run.systemProfile.destination;
    default:
      return name;
  }
}

/// Measures the item on one system of the list; counts and reports it.
void ProcessSystem(Run& run) {
  run.itemReported = false;
  ++run.noSystems;
  std::string name = TakeNextSystem(run);
  run.profilePath = run.sensorDirectory + name;
  run.itemChannelName = name;
  std::string contents;
  if (!run.disk.ReadFile(run.profilePath, &contents)) return;  // skipped

  run.systemFaultFlag = false;
  ReadSystemProfile(run, contents, /*singleSystemRun=*/false);
  run.itemChannelName = ChannelNameOfSystem(run, name);
  if (run.progressFlag) run.stateLine = SystemStateLine(run, name);

  InstallRfcEnvironment(run);
  run.resultDocument.Clear();
  run.runStatus = RunStatus::Err;
  // A faulty profile is not logged on: its fields may still hold another
  // system's logon data, which must never be sent to this system's host.
  if (!run.systemFaultFlag) {
    if (OpenConnection(run) == 0) {
      run.systemFaultFlag = true;
    } else {
      QueryServer(run);
      run.runStatus = RunStatus::Err;
      EvaluateWorkload(run);
    }
  }
  CloseConnection(run);

  bool sound = !run.systemFaultFlag && run.runStatus == RunStatus::Ok;
  if (sound && run.itemReported)
    ++run.processed;
  else
    ++run.failed;
  const char* state = !sound ? "Rfc Failure" : !run.itemReported ? "Not Found" : "Processed";
  if (run.progressFlag) Print(run, "\n" + run.stateLine + " State=" + state + "\n");
}

int ItemRun(Run& run) {
  run.systemList.clear();
  run.nameKind = '1';
  run.noSystems = run.processed = run.failed = 0;
  ReadGlobalListing(run);

  // The listing's parameters take the place of the command line's.
  run.parameterText = run.parameterCopy;
  for (char& c : run.parameterText)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  TakeClientFilter(run);

  if (run.progressFlag) {
    Print(run, run.stateLine + "\n");
    std::string bannerTime = run.stateLine.substr(2, 8);
    Print(run, "* " + bannerTime + " " + ShownParametersOfItemRun(run) +
                   " State=Executing\n");
  }

  run.resultDocument.OpenDocument();
  Print(run, run.resultDocument.Text() + "\n");
  run.resultDocument.Clear();

  while (!run.systemList.empty()) ProcessSystem(run);

  run.resultDocument.Clear();
  run.resultDocument.OpenText();
  run.resultDocument.AppendText("(***) " + run.itemName + ": NoSystems=" +
                                std::to_string(run.noSystems) + ", Processed=" +
                                std::to_string(run.processed) + ", Failed=" +
                                std::to_string(run.failed) + " ");
  run.resultDocument.CloseText();
  run.resultDocument.CloseDocument();
  Print(run, run.resultDocument.Text() + "\n");

  CloseConnection(run);
  if (run.progressFlag) PrintFinishedLine(run);
  return 0;
}

int RunSensor(Run& run, const std::vector<std::string>& arguments) {
  run.stateLine =
      "* " + run.clock.TimeOfDay() + " SAP " + kProgramName + " " + kVersion;
  run.connection = 0;
  run.clientFilter.clear();
  if (arguments.size() < 2)
    ErrorExit(run, "Error 1001: Parameter for Profile-Name is missing !");
  ReadCommandLine(run, arguments);
  run.systemProfile = SystemProfile();
  if (!HasOption(run, "@")) LocateSensorDirectory(run);
  return run.itemMode ? ItemRun(run) : SingleSystemRun(run);
}

}  // namespace

int ExecuteRun(Run& run, const std::vector<std::string>& arguments) {
  try {
    return RunSensor(run, arguments);
  } catch (const RunEnded& end) {
    return end.exitCode;
  }
}
