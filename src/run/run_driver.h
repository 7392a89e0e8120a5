#ifndef BRINDLEMARK_RUN_RUN_DRIVER_H_
#define BRINDLEMARK_RUN_RUN_DRIVER_H_

#include <string>
#include <vector>

struct Run;

/// The whole life of one sensor process: takes the command line (argument 0
/// is the program, 1 the profile name, 2 and 3 the parameter strings), runs
/// a single-system run or an item run, prints the result and returns the
/// exit code. Nothing is written to standard error.
int ExecuteRun(Run& run, const std::vector<std::string>& arguments);

#endif  // BRINDLEMARK_RUN_RUN_DRIVER_H_
