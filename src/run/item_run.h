#ifndef BRINDLEMARK_RUN_ITEM_RUN_H_
#define BRINDLEMARK_RUN_ITEM_RUN_H_

#include <chrono>
#include <string>

class SideBySide;
struct CommandLine;
struct Run;

/// An item run over the listing at |listingPath|: the listing's systems
/// measured side by side, printed as one after another would print them.
/// Returns the exit code. |start| is the run's start, from which a
/// TIMEOUT= of the listing counts.
int ExecuteItemRun(Run& run, SideBySide& sides, const CommandLine& line,
                   const std::string& directory, std::chrono::steady_clock::time_point start,
                   const std::string& banner, const std::string& listingPath);

#endif  // BRINDLEMARK_RUN_ITEM_RUN_H_
