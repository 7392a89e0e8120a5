#include "tool/step_report.h"

#include "output/error_lines.h"
#include "platform/console.h"
#include "platform/process.h"

void StepReport::Begin(std::string_view step) {
  MutexLock lock(mutex_);
  step_ = step;
}

void StepReport::Line(std::string_view text) {
  MutexLock lock(mutex_);
  Print(step_ + ": " + std::string(text) + "\n");
}

void StepReport::SetDestination(std::string_view destination) {
  MutexLock lock(mutex_);
  destination_ = destination;
}

int StepReport::Passed(std::string_view system) {
  MutexLock lock(mutex_);
  Print("OK - the sensor can measure " + std::string(system) + "\n");
  verdict_ = 0;
  return verdict_;
}

int StepReport::Failed(std::string_view whatToDo) {
  MutexLock lock(mutex_);
  Print("FAILED - " + step_ + ": " + std::string(whatToDo) + "\n");
  verdict_ = 1;
  return verdict_;
}

void StepReport::EndWithoutAnswer(unsigned seconds) {
  // The lock is never given back: the process ends while holding it, so
  // the step's thread cannot print after the verdict.
  mutex_.Lock();
  if (verdict_ < 0) {
    std::string limit = std::to_string(seconds) + " s";
    Print(step_ + ": no answer within " + limit + "\n");
    if (!destination_.empty())
      Print(step_ + ": the sensor reports: " + NoAnswerMessage(destination_, seconds) + "\n");
    Print("FAILED - " + step_ + ": no answer within " + limit +
          " (TIMEOUT=); the host, the gateway or the network does not answer, or the system is"
          " overloaded: check them, or give a larger TIMEOUT= a few seconds under the"
          " monitor's timeout\n");
    verdict_ = 1;
  }
  EndProcessAroundThreads(verdict_);
}

void StepReport::Print(std::string_view text) { console_.Write(text); }
