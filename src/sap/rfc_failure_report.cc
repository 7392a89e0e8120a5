#include "sap/rfc_failure_report.h"

#include <string>

#include "platform/console.h"

namespace {

constexpr size_t kLabelWidth = 15;

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

void ReportRfcFailure(Console& console, RfcClient& rfc, std::string_view operation) {
  LibraryTexts info;
  Safely([&] { info = rfc.LastError(); });
  ReportRfcFailure(console, rfc, operation, info);
}

void ReportRfcFailure(Console& console, RfcClient& rfc, std::string_view operation,
                      const LibraryTexts& info) {
  Safely([&] { console.Write("RFC error\n"); });
  Safely([&] { PrintLabelLine(console, "operation/code", operation); });
  Safely([&] { PrintLabelLine(console, "key", info.key); });
  Safely([&] { PrintLabelLine(console, "status", info.status); });
  Safely([&] { PrintLabelLine(console, "message", info.message); });
  Safely([&] { PrintLabelLine(console, "internal status", info.internalStatus); });
  Safely([&] { console.Write("\n"); });

  // Handle 0 closes every connection.
  Safely([&] { rfc.CloseAll(); });

  Safely([&] { console.Write("* Programm aborted...\n"); });
  Safely([&] { console.Write("* Error at EoXput-File...\n"); });
}
