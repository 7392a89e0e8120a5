#include "run/item_run.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/day_statistics.h"
#include "measure/server_clock.h"
#include "measure/system_info.h"
#include "measure/workload_evaluation.h"
#include "output/result_document.h"
#include "output/trace_file_check.h"
#include "run/command_line.h"
#include "run/global_listing.h"
#include "run/run.h"
#include "run/run_endings.h"
#include "run/side_by_side.h"
#include "sap/connection.h"
#include "sap/rfc_failure_report.h"
#include "sap/rfc_session.h"
#include "sap/system_profile.h"

namespace {

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

  bool NeedsLogon() const { return !skipped && !faulty; }
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
  /// error read right after it.
  std::optional<Outcome> ending;
  LibraryTexts libraryError;
  /// Whether the library reported any failure (a refused logon
  /// included): only then does it write its trace file.
  bool failed = false;
  /// The trace file's size when the measurement ended.
  std::optional<std::uint64_t> traceAtEnd;
};

/// Logs on to one system of an item run and measures the item. The
/// connection is closed, except after a failure of the library itself,
/// whose report closes every connection.
ItemMeasurement MeasureItemSystem(RfcClient& rfc, FileSystem& disk, LogonTurns& turns,
                                  HeldText& console, const MeasureOptions& options,
                                  const std::string& itemName, bool progress,
                                  ItemSystem& system) {
  ItemMeasurement m;
  Logon logon = OpenConnection(rfc, disk, console, progress, system.profile, options.logon,
                               &system.r3SystemNumber, &turns);
  m.destinationLine = console.Take();
  if (logon.handle == 0) {
    m.failed = true;
    return m;
  }
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
    m.failed = true;
    rfc.Close(session.connection);
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
    } else {
      m.failed = true;
      if (result.outcome.IsLibraryFailure()) outcome = result.outcome;
    }
  }
  if (!outcome.ok()) {
    m.failed = true;
    m.ending = outcome;
    if (outcome.IsLibraryFailure()) {
      m.libraryError = outcome.Texts();
      return m;
    }
  }
  rfc.Close(session.connection);
  return m;
}

/// The row types a measurement of an item run has the library carry.
std::vector<const RowType*> RowTypesOfMeasurement() {
  std::vector<const RowType*> types{&ServerClockRowType(), &SystemInfoRowType()};
  for (const RowType* type : DayStatistics::RowTypesOfFetch()) types.push_back(type);
  return types;
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
  /// The trace file's size when its measurement began to call the
  /// library; nothing inside while it has not.
  std::shared_ptr<SharedValue<std::optional<std::optional<std::uint64_t>>>> traceAtStart =
      std::make_shared<SharedValue<std::optional<std::optional<std::uint64_t>>>>(std::nullopt);
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

/// An item run: reads the listing, prints the document's head, then
/// takes the systems in listing order, each measured on a thread of its
/// own as soon as there is room, and prints each as soon as the systems
/// before it are printed; ends with the summary, or with the failure that
/// ends the run, or at the deadline with what did arrive.
class ItemRun {
 public:
  ItemRun(Run& run, SideBySide& sides, const CommandLine& line, const std::string& directory,
          std::chrono::steady_clock::time_point start)
      : run_(run), sides_(sides), line_(line), directory_(directory), start_(start) {}

  int Execute(const std::string& banner, const std::string& listingPath) {
    if (std::optional<int> end = ReadListing(listingPath)) return *end;
    PrintHead(banner);
    std::optional<int> end;
    while (!end && !timedOut_ && !systemList_.empty()) {
      timedOut_ = sides_.DeadlinePassed();
      if (!timedOut_) end = StartNextSystem();
    }
    if (!end && !timedOut_) end = PrintFinished(/*wait=*/true);
    if (end) {
      sides_.TakeLastWordForDriver();
      return sides_.Finish(*end);
    }
    if (timedOut_) ReportDeadline(/*driver=*/true);
    return WriteSummary();
  }

 private:
  /// Reads the listing; the exit code when that ends the run.
  std::optional<int> ReadListing(const std::string& listingPath) {
    std::string error;
    {
      SideBySide::OwnStep step(
          sides_, ErrorDocumentAtDeadline(
                      run_.console, StepDeadlineMessage("Reading of Listing " + line_.profileName,
                                                        line_.timeoutSeconds)));
      error = ReadGlobalListing(run_.disk, listingPath, line_.profileName, line_.listingKey,
                                line_.argument2, line_.itemName, &listing_);
    }
    if (!error.empty()) return ErrorExit(run_, error);
    // The listing's parameters take the place of the command line's.
    parameters_ = listing_.parameters ? *listing_.parameters : line_.parameters;
    options_ = ReadMeasureOptions(parameters_);
    // So do its TIMEOUT= and PARALLEL=, where it names them.
    parallel_ = line_.parallel;
    if (listing_.parameters) {
      RunLimits limits = ReadRunLimits(*listing_.parameters);
      if (limits.parallel) parallel_ = *limits.parallel;
      if (limits.timeoutSeconds) {
        Deadline deadline = start_ + std::chrono::seconds(*limits.timeoutSeconds);
        sides_.SetDeadline(deadline);
        run_.logonTurns.deadline = deadline;
      }
    }
    systemList_ = listing_.systemList;
    carried_ = run_.systemProfile;
    hostLabel_ = carried_.hostLabel;
    return std::nullopt;
  }

  void PrintHead(const std::string& banner) {
    if (line_.progress) {
      Print(run_, banner + "\n");
      std::string bannerTime = banner.substr(2, 8);
      Print(run_,
            "* " + bannerTime + " " + ShownParametersOfItemRun(parameters_) + " State=Executing\n");
    }
    run_.document.OpenDocument();
    Print(run_, run_.document.Text() + "\n");
    run_.document.Clear();
    sides_.SetParallel(parallel_);
  }

  /// The ending, at the deadline, of a step of the driver's own between
  /// the systems: the deadline's report and the summary, as if the run
  /// had waited there. Runs on the watch's thread while the driver is held
  /// inside that step, so it sees the run as the step left it.
  std::function<int()> ReportAtDeadline() {
    return [this] {
      ++counts_.failed;  // the system taken up in the step
      ReportDeadline(/*driver=*/false);
      return WriteSummary();
    };
  }

  /// The same ending for the library's load, which |system|, the first
  /// system that needs a logon, waits for: that system has not answered.
  std::function<int()> ReportAtDeadlineLoadingFor(const ItemSystem& system) {
    return [this, &system] {
      pending_.push_back({system, ItemMeasurement()});
      ReportDeadline(/*driver=*/false);
      return WriteSummary();
    };
  }

  /// Takes the next system of the list, reads its profile and starts its
  /// measurement. Returns the exit code when the run ends.
  std::optional<int> StartNextSystem() {
    std::string name = TakeNextSystem(systemList_);
    ++counts_.noSystems;
    ItemSystem system;
    {
      SideBySide::OwnStep step(sides_, ReportAtDeadline());
      system = ReadItemSystem(run_, listing_, options_, directory_, name, carried_, line_.progress);
    }
    std::function<void()> job;
    if (system.NeedsLogon() && run_.rfc == nullptr) {
      std::string loadError;
      {
        SideBySide::OwnStep step(sides_, ReportAtDeadlineLoadingFor(system));
        loadError = LoadLibrary(run_);
      }
      if (!loadError.empty()) {
        // The systems before needed no library: they are done.
        std::optional<int> end = PrintFinished(/*wait=*/false);
        return end ? end : ErrorExitOfItemRun(run_, loadError);
      }
      // Once, before any measurement calls the library.
      InstallErrorHandler(run_);
    }
    pending_.push_back({std::move(system), ItemMeasurement()});
    PendingSystem& p = pending_.back();
    if (p.system.NeedsLogon()) {
      job = [&run = run_, &sides = sides_, &p, &options = options_, &listing = listing_,
             progress = line_.progress] {
        // One after another, a row type is described to the library by
        // the first system that needs it, and only by that one: a
        // measurement that would describe one waits for those before it.
        if (!run.rfc->RowTypesDescribed(RowTypesOfMeasurement())) sides.WaitForThoseBefore();
        p.traceAtStart->Set(TraceFileSize(run.disk, run.rfc->TraceFileNames()));
        HeldText held;
        sides.HoldBack([&held] { return held.Take(); });
        p.measurement = MeasureItemSystem(*run.rfc, run.disk, run.logonTurns, held, options,
                                          listing.itemName, progress, p.system);
        if (p.measurement.failed)
          p.measurement.traceAtEnd = TraceFileSize(run.disk, run.rfc->TraceFileNames());
      };
      // What is done is printed before the next measurement starts: one
      // after another, a failure that ends the run ends it before the
      // next system is logged on to.
      if (!sides_.WaitForRoom()) {
        timedOut_ = true;
        return std::nullopt;
      }
    }
    std::optional<int> end = PrintFinished(/*wait=*/false);
    if (end) return end;
    if (!sides_.Add(std::move(job))) timedOut_ = true;
    return std::nullopt;
  }

  /// Prints the systems at the front that are done (waiting for them with
  /// |wait|, until the deadline). Returns the exit code when the run ends.
  std::optional<int> PrintFinished(bool wait) {
    while (!pending_.empty() && printed_ < sides_.Added()) {
      bool done = wait ? sides_.WaitFor(printed_) : sides_.IsDone(printed_);
      if (!done) {
        timedOut_ = wait;
        return std::nullopt;
      }
      std::optional<int> end = ReportSystem(pending_.front(), printed_);
      if (end) return end;
      pending_.pop_front();
      sides_.Printed(++printed_);
    }
    return std::nullopt;
  }

  /// Prints a measured system and counts it, in listing order; |index| is
  /// its number among the measurements. Returns the exit code when the
  /// run ends with this system.
  std::optional<int> ReportSystem(PendingSystem& p, std::size_t index) {
    const ItemSystem& system = p.system;
    const ItemMeasurement& m = p.measurement;
    if (system.skipped) return std::nullopt;
    std::string stateLine = ItemStateLine(system, hostLabel_);
    if (system.hostLabelRead) hostLabel_ = system.profile.hostLabel;
    Print(run_, m.destinationLine);
    if (m.ending) {
      run_.connection = 0;  // the measurement closed its connection, or the report does
      std::string remark;
      if (!m.ending->IsLibraryFailure()) {
        SideBySide::OwnStep step(sides_, ExitAtDeadline(2));
        remark = RemarkOfFailure(*m.ending, index);
      }
      return EndRunWith(run_, *m.ending, true, m.libraryError, remark);
    }
    if (m.hostLabel) hostLabel_ = *m.hostLabel;
    Print(run_, m.dataRows);
    Print(run_, m.channel);
    if (m.state == SystemState::kProcessed)
      ++counts_.processed;
    else
      ++counts_.failed;
    if (line_.progress) Print(run_, "\n" + stateLine + " State=" + StateWord(m.state) + "\n");
    return std::nullopt;
  }

  /// The trace file's remark on the failure of measurement |index|, which
  /// ends the run: every measurement before it is done. One after
  /// another, the file then holds what the library wrote up to that
  /// failure. What a later measurement may have written meanwhile is left
  /// out: the file's growth while it ran, for one that met a failure (the
  /// library writes its trace file only then) or is still running. A line
  /// of the failing system written in such a span is left out with it.
  /// A library that does not write its failures into its trace file gives
  /// the remark from the failure's own texts, which no other system's
  /// measurement touches.
  std::string RemarkOfFailure(const Outcome& failed, std::size_t index) {
    if (!run_.rfc->LogsErrorsInTraceFile()) return RemarkOn(run_.disk, *run_.rfc, failed);
    const std::vector<std::string> names = run_.rfc->TraceFileNames();
    // A measurement that has not begun yet writes after what is there now.
    const std::optional<std::uint64_t> now = TraceFileSize(run_.disk, names);
    std::vector<TraceFileSpan> leftOut;
    std::size_t later = index + 1;
    for (auto it = pending_.begin() + 1; it != pending_.end() && later < sides_.Added();
         ++it, ++later) {
      if (!it->system.NeedsLogon()) continue;
      std::optional<std::optional<std::uint64_t>> began = it->traceAtStart->Get();
      std::optional<std::uint64_t> begin = began ? *began : now;
      if (!sides_.IsDone(later)) {
        leftOut.push_back({begin, std::nullopt});
        continue;
      }
      const ItemMeasurement& m = it->measurement;
      if (m.failed && m.traceAtEnd != begin) leftOut.push_back({begin, m.traceAtEnd.value_or(0)});
    }
    return TraceFileRemarkWithout(run_.disk, names, leftOut);
  }

  /// A system that had not answered by the deadline: counted as failed.
  void ReportNoAnswer(const PendingSystem& p) {
    ++counts_.failed;
    if (line_.progress)
      Print(run_, "\n" + ItemStateLine(p.system, hostLabel_) + " State=No Answer\n");
  }

  /// The deadline: what did arrive is printed as one after another would
  /// have printed it. The first system without an answer and the next one
  /// that needs a logon (one after another, it waited for its turn) count
  /// as not answered; the systems between them that need no logon are
  /// printed; the rest count as names the run never came to.
  void ReportDeadline(bool driver) {
    if (driver && !sides_.TakeLastWordForDriver()) sides_.WaitWithoutDeadline(printed_);
    bool unanswered = false;
    bool cut = false;
    for (PendingSystem& p : pending_) {
      std::size_t index = printed_++;
      if (cut) {
        ++counts_.failed;
        continue;
      }
      if (p.system.skipped) continue;
      bool done = index < sides_.Added() && sides_.IsDone(index);
      if (!unanswered && !done) {
        unanswered = true;
        ReportNoAnswer(p);
        continue;
      }
      if (unanswered && p.system.NeedsLogon()) {
        ReportNoAnswer(p);
        cut = true;
        continue;
      }
      // A system that answered with a failure before the deadline's
      // report: the run goes on to its summary, so it only failed.
      if (p.measurement.ending) p.measurement = ItemMeasurement();
      ReportSystem(p, index);
    }
    // Names the run never came to.
    while (!systemList_.empty()) {
      TakeNextSystem(systemList_);
      ++counts_.noSystems;
      ++counts_.failed;
    }
  }

  int WriteSummary() {
    run_.document.Clear();
    run_.document.OpenText();
    run_.document.AppendText("(***) " + listing_.itemName +
                             ": NoSystems=" + std::to_string(counts_.noSystems) +
                             ", Processed=" + std::to_string(counts_.processed) +
                             ", Failed=" + std::to_string(counts_.failed) + " ");
    run_.document.CloseText();
    run_.document.CloseDocument();
    Print(run_, run_.document.Text() + "\n");
    if (line_.progress) PrintFinishedLine(run_);
    return sides_.Finish(0);
  }

  Run& run_;
  SideBySide& sides_;
  const CommandLine& line_;
  const std::string& directory_;
  const std::chrono::steady_clock::time_point start_;
  unsigned parallel_ = 1;
  GlobalListing listing_;
  std::string parameters_;
  MeasureOptions options_;
  std::string_view systemList_;
  ItemCounts counts_;
  SystemProfile carried_;
  std::string hostLabel_;
  std::deque<PendingSystem> pending_;  // read, not yet printed
  std::size_t printed_ = 0;
  bool timedOut_ = false;
};

}  // namespace

int ExecuteItemRun(Run& run, SideBySide& sides, const CommandLine& line,
                   const std::string& directory, std::chrono::steady_clock::time_point start,
                   const std::string& banner, const std::string& listingPath) {
  return ItemRun(run, sides, line, directory, start).Execute(banner, listingPath);
}
