#include "run/run_driver.h"

#include "run/run.h"

int ExecuteRun(Run& run, const std::vector<std::string>& arguments) {
  try {
    ErrorExit(run, "Error 1001: Parameter for Profile-Name is missing !");
  } catch (const RunEnded& end) {
    return end.exitCode;
  }
}
