#ifndef BRINDLEMARK_RUN_COMMAND_LINE_H_
#define BRINDLEMARK_RUN_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/workload_evaluation.h"
#include "sap/connection.h"

/// The options of a parameter text that the measurement looks at, read
/// once. Keywords are found anywhere in the text, whatever their case;
/// unknown text is ignored.
struct MeasureOptions {
  /// "CLIENT=", the per-client options and "DATA".
  WorkloadOptions workload;
  /// ",HOST=" and ",NO=": each takes what follows it up to the next blank
  /// or comma, letters as typed.
  LogonOverrides logon;
};

/// Reads the options of |parameters| (as typed).
MeasureOptions ReadMeasureOptions(std::string_view parameters);

/// The command line of one run.
struct CommandLine {
  /// The file to open: the profile name without a directory, with the
  /// default extension ".P00"; for an item run the listing
  /// "SAP Tessaron.Gbl" (profile name GLOBAL.P00) or "Tessaron.Prf"
  /// ("ITEM=").
  std::string profileName;
  /// The first parameter string as typed.
  std::string argument2;
  /// The parameter strings joined with one blank, as typed.
  std::string parameters;
  /// The first word of the parameters, upper-cased: the sensor's key in the
  /// global listing.
  std::string listingKey;
  bool itemMode = false;
  /// "ITEM=": at most 90 characters up to a blank or comma, ":" read as a
  /// blank.
  std::string itemName;
  /// Any of "#", "@", "$", "%": progress lines.
  bool progress = false;
  /// "@": no search for the sensor's files.
  bool noSearch = false;
  /// "TIMEOUT=": the seconds the whole run may take, 1 to 900.
  unsigned timeoutSeconds = kDefaultTimeoutSeconds;
  /// "PARALLEL=": how many systems of an item run are measured at once, 1
  /// to 64; 1 measures one after another.
  unsigned parallel = kDefaultParallel;
  MeasureOptions options;

  /// Under the monitor's default timeout of 60 seconds, with time to spare
  /// for printing what did arrive.
  static constexpr unsigned kDefaultTimeoutSeconds = 50;
  static constexpr unsigned kDefaultParallel = 8;
};

/// "TIMEOUT=" and "PARALLEL=" of a parameter text: the value is the
/// digits alone up to a blank, a comma or the end; a whole number outside
/// the range (1 to 900 seconds, 1 to 64 systems) is held to the nearer
/// limit, and anything else (none, a sign, a point, letters: "-1", "2.9",
/// "1e9", "0x10", "abc") is not taken.
struct RunLimits {
  std::optional<unsigned> timeoutSeconds;
  std::optional<unsigned> parallel;
};
RunLimits ReadRunLimits(std::string_view parameters);

/// Reads |arguments|: [0] is the program, [1] the profile name (present;
/// the driver has checked it), [2] and [3] the parameter strings (later
/// ones are ignored).
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

/// The parameters as a single-system run shows them on its
/// "State=Executing" line: |parameters| cut at its first "#" and its first
/// "@"; "(No Parameters)" when nothing is left or what is left is exactly
/// "(Parameters " or "(No ".
std::string ShownParametersOfSingleRun(std::string_view parameters);

/// The parameters as an item run shows them on its "State=Executing" line:
/// |parameters| (by then the listing's) with every ":" turned into a
/// blank, cut at its first " @".
std::string ShownParametersOfItemRun(std::string_view parameters);

#endif  // BRINDLEMARK_RUN_COMMAND_LINE_H_
