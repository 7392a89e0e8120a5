#include "sap/rfc_failure_report.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "sap/classic_rfc_client.h"
#include "testing/captured_console.h"
#include "testing/test_run.h"

namespace {

/// A library whose error information the test chooses.
struct ScriptedLibrary : RfcLibrary {
  int RfcLastError(RfcErrorInfo* error) override {
    std::memset(error, 0, sizeof *error);
    if (fillWithoutTerminators) std::memset(error, 'X', sizeof *error);
    return 0;
  }
  void RfcClose(RfcHandle handle) override {
    closed.push_back(handle);
    if (throwOnClose) throw std::runtime_error("close failed");
  }
  bool fillWithoutTerminators = false, throwOnClose = false;
  std::vector<RfcHandle> closed;
};

std::string Block(const std::string& operation, const std::string& key, const std::string& status,
                  const std::string& message, const std::string& internal) {
  return "RFC error\noperation/code  : " + operation + "\nkey             : " + key +
         "\nstatus          : " + status + "\nmessage         : " + message +
         "\ninternal status : " + internal +
         "\n\n* Programm aborted...\n"
         "* Error at EoXput-File...\n";
}

TEST(RfcFailureReportTest, PrintsTheBlockAndClosesEverything) {
  CapturedConsole console;
  ScriptedLibrary rfc;
  ClassicRfcClient client(rfc);
  ReportRfcFailure(console, client, "ItCreate STATISTIC");
  EXPECT_EQ(console.output, Block("ItCreate STATISTIC", "", "", "", ""));
  EXPECT_EQ(rfc.closed, std::vector<RfcHandle>{0});

  // Fields filled to their last byte are read to their width only.
  console.output.clear();
  rfc.fillWithoutTerminators = true;
  ReportRfcFailure(console, client, "");
  EXPECT_EQ(console.output, Block("", std::string(33, 'X'), std::string(128, 'X'),
                                  std::string(256, 'X'), std::string(128, 'X')));

  // Trouble inside the report does not escape it.
  console.output.clear();
  rfc.fillWithoutTerminators = false;
  rfc.throwOnClose = true;
  ReportRfcFailure(console, client, "ItCreate STATISTIC");
  EXPECT_EQ(console.output, Block("ItCreate STATISTIC", "", "", "", ""));
}

}  // namespace
