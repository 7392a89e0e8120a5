#include "sap/rfc_failure_report.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "run/test_run.h"

namespace {

/// A library whose error information and error-handler behaviour the test
/// chooses.
struct ScriptedLibrary : NoRfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord& e) override { environment = e; }
  int RfcLastError(RfcErrorInfo* error) override {
    ++lastErrorCalls;
    std::memset(error, 0, sizeof *error);
    if (fillWithoutTerminators) std::memset(error, 'X', sizeof *error);
    // A library that reports its own trouble through the handler again.
    if (reenterHandler) environment.errorhandler(environment.context, "again");
    return 0;
  }
  void RfcClose(RfcHandle handle) override {
    closed.push_back(handle);
    if (throwOnClose) throw std::runtime_error("close failed");
  }
  RfcEnvironmentRecord environment{};
  bool fillWithoutTerminators = false, reenterHandler = false, throwOnClose = false;
  int lastErrorCalls = 0;
  std::vector<RfcHandle> closed;
};

std::string Block(const std::string& operation, const std::string& key,
                  const std::string& status, const std::string& message,
                  const std::string& internal) {
  return "RFC error\noperation/code  : " + operation + "\nkey             : " + key +
         "\nstatus          : " + status + "\nmessage         : " + message +
         "\ninternal status : " + internal + "\n\n* Programm aborted...\n"
         "* Error at EoXput-File...\n";
}

TEST(RfcFailureReportTest, PrintsTheBlockClosesEverythingAndEndsWithCode1) {
  TestRun t;
  ScriptedLibrary rfc;
  ::Run run(t.disk, t.clock, t.console, rfc);
  run.connection = 7;
  EXPECT_EQ(ExitCodeOf([&] { ReportRfcFailure(run, "ItCreate STATISTIC"); }), 1);
  EXPECT_EQ(t.console.output, Block("ItCreate STATISTIC", "", "", "", ""));
  EXPECT_EQ(rfc.closed, std::vector<RfcHandle>{0});
  EXPECT_EQ(run.connection, 0u);

  // Fields filled to their last byte are read to their width only.
  t.console.output.clear();
  rfc.fillWithoutTerminators = true;
  EXPECT_EQ(ExitCodeOf([&] { ReportRfcFailure(run, ""); }), 1);
  EXPECT_EQ(t.console.output, Block("", std::string(33, 'X'), std::string(128, 'X'),
                                    std::string(256, 'X'), std::string(128, 'X')));

  // Trouble inside the report neither starts it over nor escapes it.
  t.console.output.clear();
  InstallRfcEnvironment(run);
  rfc.fillWithoutTerminators = false;
  rfc.reenterHandler = true;
  rfc.throwOnClose = true;
  rfc.lastErrorCalls = 0;
  EXPECT_EQ(ExitCodeOf([&] { ReportRfcFailure(run, "ItCreate STATISTIC"); }), 1);
  EXPECT_EQ(rfc.lastErrorCalls, 1);
  EXPECT_EQ(t.console.output, Block("ItCreate STATISTIC", "", "", "", ""));
}

}  // namespace
