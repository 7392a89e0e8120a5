#ifndef BRINDLEMARK_TOOL_SETUP_CHECK_H_
#define BRINDLEMARK_TOOL_SETUP_CHECK_H_

#include <string>
#include <vector>

class DynamicRfcLibraryLoader;
struct Console;
struct FileSystem;

/// What the set-up test works on: the sensor's own view of the disk and
/// its library loader, and the console it prints to.
struct SetupTestPlatform {
  FileSystem& disk;
  Console& console;
  DynamicRfcLibraryLoader& loader;
};

/// brindlemark-profile test PROFILE [PARAMETERS [PARAMETERS2]]: does what
/// a single-system run of the sensor with these arguments does, except
/// printing the document and keeping the history, and tells a person
/// what happened at each step: the profile (found where, each key, the
/// password only as set or missing), the library (each candidate tried,
/// the one chosen, its kind and version), the destination file, the
/// logon, each function module, and what the statistics and the profile's
/// history hold. Ends with the verdict "OK - the sensor can measure
/// SYSTEM" (exit code 0) or "FAILED - STEP: what to do" (exit code 1).
/// Nothing is written that a run would not write, and no profile at all.
/// When the steps take longer than TIMEOUT= seconds, read as a run reads
/// it (1 to 900, default 50), the step that does not answer is reported
/// and the process ends there.
/// |args| are the arguments after "test"; a wrong command line is written
/// to |err| with exit code 2.
int RunSetupTest(const std::vector<std::string>& args, SetupTestPlatform& platform,
                 std::string* err);

#endif  // BRINDLEMARK_TOOL_SETUP_CHECK_H_
