#include "output/trace_file_check.h"

#include <gtest/gtest.h>

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

}  // namespace
