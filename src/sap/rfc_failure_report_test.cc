#include "sap/rfc_failure_report.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "measure/system_info.h"
#include "run/test_run.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

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

TEST(RfcFailureReportTest, ThroughTheSimulatedSystem) {
  // The library's own error information.
  SimulatedRun t(OneSystem(R"({"ItCreate": "STATISTIC",
      "last_error": {"key": "RFC_ERROR_SYSTEM_FAILURE", "status": "S1",
                     "message": "table space exhausted", "internal_status": "I9"}})"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  EXPECT_EQ(ExitCodeOf([&] {
    if (t.sim.ItCreate("STATISTIC", 88, 0, 0) == nullptr)
      ReportRfcFailure(t.run, "ItCreate STATISTIC");
  }), 1);
  EXPECT_EQ(t.console.output, Block("ItCreate STATISTIC", "RFC_ERROR_SYSTEM_FAILURE", "S1",
                                    "table space exhausted", "I9"));
  EXPECT_EQ(t.run.connection, 0u);

  // An error the library reports through the handler.
  SimulatedRun h(OneSystem(R"({"handler": {"function": "RFC_SYSTEM_INFO",
                                           "text": "connection reset by peer"}})"));
  InstallRfcEnvironment(h.run);
  ASSERT_NE(OpenConnection(h.run), 0u);
  EXPECT_EQ(ExitCodeOf([&] { QuerySystemInfo(h.run); }), 1);
  EXPECT_EQ(h.console.output.rfind("RFC error\noperation/code  : connection reset by peer\n", 0),
            0u)
      << h.console.output;
  EXPECT_EQ(h.run.connection, 0u);
}

}  // namespace
