// One whole single-system run in the process: a profile made from the
// input, and an RFC client whose every answer comes from the input. The
// run ends with a known exit code, its document is well-formed and the
// profile keeps every line that is not usage history.

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_rfc_client.h"
#include "kept_threads.h"
#include "measure/usage_history.h"
#include "platform/file_system.h"
#include "run/run.h"
#include "run/run_driver.h"
#include "sap/stored_password.h"
#include "testing/captured_console.h"
#include "testing/fixed_clock.h"
#include "testing/test_run.h"
#include "testing/virtual_file_system.h"
#include "xml_check.h"

namespace {

/// The lines of |contents| that are not history lines, in order, without
/// carriage returns at their ends (the rewrite ends lines with a line feed
/// alone).
std::vector<std::string> OtherLines(std::string_view contents) {
  std::vector<std::string> other;
  for (std::string_view line : SplitLines(contents)) {
    if (IsHistoryLine(line)) continue;
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    other.emplace_back(line);
  }
  return other;
}

/// The key lines of a complete profile, the password stored as the
/// profile tool stores it.
std::string KeyLines(unsigned char choice) {
  std::string stored;
  FUZZ_CHECK(ScramblePassword("secret", choice % 10, &stored) == ScrambleResult::kOk);
  std::string lines =
      "Extcompany.: SAP\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
      "Password...: " +
      stored + "\n";
  lines += "Language...: E\n";
  lines += (choice & 0x10) ? "Mode.......: R/2\n" : "Mode.......: R/3\n";
  lines += "Hostname...: prdci01\nSysnr......: 00\nGwhost.....: prdci01\nGwservice..: sapgw00\n";
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  unsigned char choice = input.Byte();
  std::string profile(input.Text());
  if (choice & 1) profile += KeyLines(choice);
  // The history lines are longer than one piece of text.
  for (unsigned pieces = input.Byte() % 8; pieces > 0; --pieces) profile += input.Text();
  std::vector<std::string> arguments = {"brindlemark", (choice & 2) ? "PRD" : "PRD.P00"};
  if (choice & 4) arguments.emplace_back(input.Text());
  if (choice & 8) arguments.emplace_back(input.Text());

  VirtualFileSystem disk;
  const std::string path = "PRD.P00";
  disk.Create(path, profile);
  if (choice & 0x20) disk.Create("Dev_Rfc.Trc", "ERROR rc=17 left over from an earlier failure\n");
  if (choice & 0x40) disk.failingWrites.insert(path);
  // A destination file of the profile's destination: a logon through the
  // library's configuration file.
  if (choice & 0x80) disk.Create("SapRfc.PRD", "DEST=PRD\nTYPE=A\nASHOST=prdci01\nSYSNR=00\n");
  FixedClock clock("12:34:56");
  CapturedConsole console;
  std::unique_ptr<RfcClient> client = CreateFuzzRfcClient(input);
  FixedRfcLibraryLoader loader(client.get());
  int exitCode;
  {
    // Threads made anew for every input would cost more than the run;
    // the kept threads outlive the process's static objects.
    static KeptThreads& threads = *new KeptThreads;
    Run run(disk, clock, console, loader);
    run.startThread = [](std::function<void()> work) { return threads.Start(std::move(work)); };
    exitCode = ExecuteRun(run, arguments);
  }
  FUZZ_CHECK(exitCode == 0 || exitCode == 1 || exitCode == 2);

  // The document, without the progress lines ("* ") printed after it. The
  // progress lines and data rows before it may show "<Prtg>" as typed or
  // served; in the document every "<" of a text is escaped, so the last
  // one at a line's start opens it.
  // A failure of the library ends the run with its report instead (exit
  // code 1), whose texts come from the library as they are.
  const std::string& output = console.output;
  const std::string_view kReportEnd = "* Error at EoXput-File...\n";
  if (exitCode == 1) {
    FUZZ_CHECK(output.size() >= kReportEnd.size() &&
               output.compare(output.size() - kReportEnd.size(), kReportEnd.size(), kReportEnd) ==
                   0);
  } else {
    size_t document = output.rfind("<Prtg>");
    FUZZ_CHECK(document != std::string::npos && (document == 0 || output[document - 1] == '\n'));
    std::vector<std::string_view> lines = SplitLines(std::string_view(output).substr(document));
    while (!lines.empty() && (lines.back().empty() || lines.back().substr(0, 2) == "* "))
      lines.pop_back();
    std::string text;
    for (std::string_view line : lines) {
      text.append(line);
      text += '\n';
    }
    std::string why;
    if (!IsWellFormedXml(text, &why)) {
      std::fprintf(stderr, "malformed document (%s):\n%s\n", why.c_str(), output.c_str());
      std::abort();
    }
  }

  // The profile is still there and keeps its other lines in order.
  FUZZ_CHECK(disk.Exists(path));
  FUZZ_CHECK(OtherLines(disk.files[path]) == OtherLines(profile));
  return 0;
}
