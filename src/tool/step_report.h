#ifndef BRINDLEMARK_TOOL_STEP_REPORT_H_
#define BRINDLEMARK_TOOL_STEP_REPORT_H_

#include <string>
#include <string_view>

#include "base/mutex.h"

struct Console;

/// The lines of a set-up test, printed as they come, each "STEP: text",
/// and its verdict. The thread that runs the steps and the one that
/// watches the deadline both print through it, one line at a time.
class StepReport {
 public:
  explicit StepReport(Console& console) : console_(console) {}

  /// Begins the step |step| (e.g. "Logon"): the name its lines carry and
  /// that a verdict names.
  void Begin(std::string_view step);
  /// Prints one line of the current step.
  void Line(std::string_view text);
  /// Names the destination of the profile once it is read, for the
  /// sensor's error when a step does not answer.
  void SetDestination(std::string_view destination);
  /// Prints "OK - the sensor can measure SYSTEM" and returns exit code 0.
  int Passed(std::string_view system);
  /// Prints "FAILED - STEP: WHAT TO DO" for the current step and returns
  /// exit code 1.
  int Failed(std::string_view whatToDo);
  /// Ends the process because the current step has not answered within
  /// |seconds|: prints that, the error 1017 a run reports then (once the
  /// destination is named) and the verdict, then ends with exit code 1
  /// without waiting for the thread that is still inside the step. A
  /// verdict printed already stands, with its exit code.
  [[noreturn]] void EndWithoutAnswer(unsigned seconds);

 private:
  void Print(std::string_view text) REQUIRES(mutex_);

  Console& console_;
  Mutex mutex_;
  std::string step_ GUARDED_BY(mutex_);
  std::string destination_ GUARDED_BY(mutex_);
  int verdict_ GUARDED_BY(mutex_) = -1;  // the exit code once a verdict is printed
};

#endif  // BRINDLEMARK_TOOL_STEP_REPORT_H_
