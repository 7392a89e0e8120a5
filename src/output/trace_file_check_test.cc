#include "output/trace_file_check.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "run/run.h"

namespace {

/// An RFC library that is never called.
struct NoRfc : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 1; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 1; }
  int RfcLastError(RfcErrorInfo*) override { return 0; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override { return nullptr; }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 0; }
};

struct TraceFileCheckTest : testing::Test {
  /// The suffix CheckTraceFile appends for a trace file holding |trace|.
  std::string SuffixFor(const std::string& trace) {
    disk.Create("Dev_Rfc.Trc", trace);
    run.resultDocument.Clear();
    CheckTraceFile(run);
    EXPECT_EQ(disk.files["Dev_Rfc.Trc"], trace);  // read, never changed
    return run.resultDocument.Text();
  }

  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  NoRfc rfc;
  ::Run run{disk, clock, console, rfc};
};

TEST_F(TraceFileCheckTest, MissingTraceFile) {
  run.resultDocument.Append("Error 1014: RFC-Failure raised !");
  CheckTraceFile(run);
  EXPECT_EQ(run.resultDocument.Text(),
            "Error 1014: RFC-Failure raised ! - Look for Trace-File");
  EXPECT_FALSE(disk.Exists("Dev_Rfc.Trc"));
}

TEST_F(TraceFileCheckTest, NoErrorText) {
  EXPECT_EQ(SuffixFor(""), " - Please Check Trace-File !");
  EXPECT_EQ(SuffixFor("just a trace\nnothing\n"), " - Please Check Trace-File !");
  // A "**** ERROR " line after the last match clears its text.
  EXPECT_EQ(SuffixFor("0123456======> partner not reached\n"
                      "**** ERROR file opened at 20220829\n"
                      "more lines\n"),
            " - Please Check Trace-File !");
}

TEST_F(TraceFileCheckTest, LastMatchingLineDecides) {
  // The six characters after "ERROR " are skipped.
  EXPECT_EQ(SuffixFor("ERROR       partner not reached\r\n"), " - partner not reached");
  EXPECT_EQ(SuffixFor("ERROR abcdefLogon failed\n"
                      "T:1234 ======> Connection refused\n"
                      "trailing line\n"),
            " - Connection refused");
  EXPECT_EQ(SuffixFor("T:1234 ======> Connection refused\n"
                      "ERROR abcdefLogon failed"),
            " - Logon failed");
  // "**** ERROR " also begins with no "ERROR ", and clears before the
  // next match sets a text again.
  EXPECT_EQ(SuffixFor("**** ERROR x\nERROR       again\n"), " - again");
}

TEST_F(TraceFileCheckTest, ShortMatchingLinesGiveNoText) {
  EXPECT_EQ(SuffixFor("ERROR \n"), " - Please Check Trace-File !");
  EXPECT_EQ(SuffixFor("ERROR abc\n"), " - Please Check Trace-File !");
  EXPECT_EQ(SuffixFor("ERROR abcdef\r\n"), " - Please Check Trace-File !");
  EXPECT_EQ(SuffixFor("1234567======> "), " - Please Check Trace-File !");
  EXPECT_EQ(SuffixFor("1234567======>\n"), " - Please Check Trace-File !");
}

TEST_F(TraceFileCheckTest, LongLinesGiveTheirFirstCharactersOnly) {
  // Up to 99 characters a line are examined: an error text of 87.
  std::string text87(87, 'a');
  EXPECT_EQ(SuffixFor("ERROR 123456" + text87 + "\n"), " - " + text87);
  EXPECT_EQ(SuffixFor("ERROR 123456" + text87 + "bcd\n"), " - " + text87);
  EXPECT_EQ(SuffixFor("1234567======> " + std::string(200, 'c') + "\n"),
            " - " + std::string(84, 'c'));
  // The rest of a long line is no line of its own.
  EXPECT_EQ(SuffixFor("ERROR 123456" + text87 + "ERROR 123456tail\n"),
            " - " + text87);
  EXPECT_EQ(SuffixFor("T:1234 ======> first\n" + std::string(99, 'x') +
                      "**** ERROR \n"),
            " - first");
}

}  // namespace
