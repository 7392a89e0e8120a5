#include "sap/rfc_failure_report.h"

#include <cstring>
#include <string>

#include "platform/console.h"
#include "run/run.h"

namespace {

constexpr size_t kLabelWidth = 15;

/// A text field of the error information, up to its terminator but never
/// past its width: a library may fill a field to the last byte.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* end = std::memchr(field, '\0', N);
  return std::string_view(field, end != nullptr
                                     ? static_cast<const char*>(end) - field
                                     : N);
}

/// Runs one step of the report; whatever it throws is dropped, since
/// nothing may keep the report from ending the process with code 1.
template <typename Step>
void Safely(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}

/// The error handler installed with RfcEnvironment; |context| is the Run.
void HandleLibraryError(void* context, const char* text) {
  ReportRfcFailure(*static_cast<Run*>(context),
                   text != nullptr ? std::string_view(text) : std::string_view());
}

}  // namespace

void PrintLabelLine(Console& console, std::string_view label, std::string_view value) {
  std::string line(label);
  if (line.size() < kLabelWidth) line.append(kLabelWidth - line.size(), ' ');
  line += " : ";
  line += value;
  line += '\n';
  console.Write(line);
}

void ReportRfcFailure(Run& run, std::string_view operation) {
  // The library may call its error handler again while the report asks it
  // for its last error or closes the connections; the outer report ends
  // the run, the inner one only unwinds back to it.
  if (run.reportingRfcFailure) throw RunEnded{1};
  run.reportingRfcFailure = true;

  Console& console = run.console;
  Safely([&] { console.Write("RFC error\n"); });
  Safely([&] { PrintLabelLine(console, "operation/code", operation); });

  RfcErrorInfo info;
  std::memset(&info, 0, sizeof info);
  Safely([&] { run.rfc.RfcLastError(&info); });
  Safely([&] { PrintLabelLine(console, "key", FieldText(info.key)); });
  Safely([&] { PrintLabelLine(console, "status", FieldText(info.status)); });
  Safely([&] { PrintLabelLine(console, "message", FieldText(info.message)); });
  Safely([&] {
    PrintLabelLine(console, "internal status", FieldText(info.internalStatus));
  });
  Safely([&] { console.Write("\n"); });

  // Handle 0 closes every connection, the run's own among them.
  Safely([&] { run.rfc.RfcClose(0); });
  run.connection = 0;

  Safely([&] { console.Write("* Programm aborted...\n"); });
  Safely([&] { console.Write("* Error at EoXput-File...\n"); });
  run.reportingRfcFailure = false;
  throw RunEnded{1};
}

void InstallRfcEnvironment(Run& run) {
  RfcEnvironmentRecord environment{};
  environment.errorhandler = &HandleLibraryError;
  environment.context = &run;
  environment.allocate = nullptr;
  run.rfc.RfcEnvironment(environment);
}
