#include "sap/rfc_failure_report.h"

#include <cstring>
#include <string>

#include "platform/console.h"

namespace {

constexpr size_t kLabelWidth = 15;

/// A text field of the error information, up to its terminator but never
/// past its width: a library may fill a field to the last byte.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* end = std::memchr(field, '\0', N);
  return std::string_view(field, end != nullptr ? static_cast<const char*>(end) - field : N);
}

/// Runs one step of the report; whatever it throws is dropped, since
/// nothing may keep the report from reaching its end.
template <typename Step>
void Safely(Step&& step) {
  try {
    step();
  } catch (...) {
  }
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

RfcErrorInfo LastRfcError(RfcLibrary& rfc) {
  RfcErrorInfo info;
  std::memset(&info, 0, sizeof info);
  Safely([&] { rfc.RfcLastError(&info); });
  return info;
}

void ReportRfcFailure(Console& console, RfcLibrary& rfc, std::string_view operation) {
  ReportRfcFailure(console, rfc, operation, LastRfcError(rfc));
}

void ReportRfcFailure(Console& console, RfcLibrary& rfc, std::string_view operation,
                      const RfcErrorInfo& info) {
  Safely([&] { console.Write("RFC error\n"); });
  Safely([&] { PrintLabelLine(console, "operation/code", operation); });
  Safely([&] { PrintLabelLine(console, "key", FieldText(info.key)); });
  Safely([&] { PrintLabelLine(console, "status", FieldText(info.status)); });
  Safely([&] { PrintLabelLine(console, "message", FieldText(info.message)); });
  Safely([&] { PrintLabelLine(console, "internal status", FieldText(info.internalStatus)); });
  Safely([&] { console.Write("\n"); });

  // Handle 0 closes every connection.
  Safely([&] { rfc.RfcClose(0); });

  Safely([&] { console.Write("* Programm aborted...\n"); });
  Safely([&] { console.Write("* Error at EoXput-File...\n"); });
}
