#include "output/trace_file_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "testing/virtual_file_system.h"

namespace {

TEST(TraceFileCheckTest, LastErrorLineOfTheTraceFile) {
  const std::string text87(87, 'a');
  const char kNone[] = " - Please Check Trace-File !";
  struct Case {
    std::string trace;
    std::string suffix;
  } cases[] = {
      // The six characters after "ERROR " are skipped.
      {"ERROR       partner not reached\r\n", " - partner not reached"},
      // The last matching line decides.
      {"ERROR abcdefLogon failed\nT:1234 ======> Connection refused\ntrailing\n",
       " - Connection refused"},
      {"T:1234 ======> Connection refused\nERROR abcdefLogon failed", " - Logon failed"},
      // A "**** ERROR " line clears the text before it.
      {"0123456======> partner not reached\n**** ERROR file opened\nmore\n", kNone},
      {"**** ERROR x\nERROR       again\n", " - again"},
      // Short matching lines give no text.
      {"ERROR \n", kNone},
      {"ERROR abc\n", kNone},
      {"ERROR abcdef\r\n", kNone},
      {"1234567======> ", kNone},
      {"1234567======>\n", kNone},
      // Up to 99 characters of a line are examined; the rest is no line of its own.
      {"ERROR 123456" + text87 + "bcd\n", " - " + text87},
      {"1234567======> " + std::string(200, 'c') + "\n", " - " + std::string(84, 'c')},
      {"ERROR 123456" + text87 + "ERROR 123456tail\n", " - " + text87},
      {"T:1234 ======> first\n" + std::string(99, 'x') + "**** ERROR \n", " - first"},
  };
  for (const Case& c : cases) {
    VirtualFileSystem disk;
    disk.Create(kTraceFileName, c.trace);
    EXPECT_EQ(TraceFileRemark(disk), c.suffix) << c.trace;
    EXPECT_EQ(disk.files[kTraceFileName], c.trace);  // read, never changed
  }
}

TEST(TraceFileCheckTest, TheLoadedLibrarysOwnFileComesFirst) {
  VirtualFileSystem disk;
  disk.Create(kTraceFileName, "ERROR abcdefold run\n");
  EXPECT_EQ(TraceFileRemark(disk, {"dev_rfc"}), " - old run");  // only the specified file
  disk.Create("dev_rfc", "ERROR abcdefthis run\n");
  EXPECT_EQ(TraceFileRemark(disk, {"dev_rfc"}), " - this run");
  disk.files.clear();
  EXPECT_EQ(TraceFileRemark(disk, {"dev_rfc"}), " - Look for Trace-File");
}

// What later systems may have written is left out: the lines of the spans
// given, whether a span is closed or still open, in any order; with
// nothing left and no file before the first span, the file counts as
// missing.
TEST(TraceFileCheckTest, SpansOfLaterSystemsAreLeftOut) {
  const std::string first = "ERROR abcdefof the failing system\n";
  const std::string later = "ERROR abcdefof a later system\n";
  const std::string earlier = "ERROR abcdefof an earlier system\n";
  auto size = [](const std::string& text) { return std::optional<std::uint64_t>(text.size()); };
  struct Case {
    std::string trace;
    std::vector<TraceFileSpan> leftOut;
    std::string remark;
  } cases[] = {
      {first + later, {{size(first), size(first + later)}}, " - of the failing system"},
      {later + first, {{std::nullopt, size(later)}}, " - of the failing system"},
      {later, {{std::nullopt, size(later)}}, " - Look for Trace-File"},
      {later, {{std::nullopt, std::nullopt}}, " - Look for Trace-File"},
      {earlier + later + first, {{size(earlier), std::nullopt}}, " - of an earlier system"},
      {earlier + later, {{size(earlier), size(earlier + later)}}, " - of an earlier system"},
      {"\n" + later, {{size("\n"), std::nullopt}}, " - Please Check Trace-File !"},
      {later + first + later,
       {{size(later + first), std::nullopt}, {std::nullopt, size(later)}},
       " - of the failing system"},
      {first + later, {}, " - of a later system"},
  };
  for (const Case& c : cases) {
    VirtualFileSystem disk;
    disk.Create(kTraceFileName, c.trace);
    EXPECT_EQ(TraceFileRemarkWithout(disk, {}, c.leftOut), c.remark) << c.trace;
    EXPECT_EQ(TraceFileSize(disk), c.trace.size());
  }
  VirtualFileSystem empty;
  EXPECT_EQ(TraceFileSize(empty), std::nullopt);
}

}  // namespace
