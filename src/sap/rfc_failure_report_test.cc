#include "sap/rfc_failure_report.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "measure/system_info.h"
#include "platform/virtual_file_system.h"
#include "sap/connection.h"
#include "sap/simulated_run_test_support.h"

namespace {

/// A library whose error information and error-handler behaviour the test
/// chooses.
struct ScriptedLibrary : SimulatedSap {
  ScriptedLibrary() : SimulatedSap("/nonexistent") {}
  void RfcEnvironment(const RfcEnvironmentRecord& e) override { environment = e; }
  int RfcLastError(RfcErrorInfo* error) override {
    ++lastErrorCalls;
    if (fillWithoutTerminators) {
      std::memset(error->key, 'K', sizeof error->key);
      std::memset(error->status, 'S', sizeof error->status);
      std::memset(error->message, 'M', sizeof error->message);
      std::memset(error->internalStatus, 'I', sizeof error->internalStatus);
    }
    // A library that reports its own trouble through the handler again.
    if (reenterHandler) environment.errorhandler(environment.context, "again");
    return 0;
  }
  void RfcClose(RfcHandle handle) override {
    closed.push_back(handle);
    if (throwOnClose) throw std::runtime_error("close failed");
  }

  RfcEnvironmentRecord environment{};
  bool fillWithoutTerminators = false;
  bool reenterHandler = false;
  bool throwOnClose = false;
  int lastErrorCalls = 0;
  std::vector<RfcHandle> closed;
};

struct ScriptedRun {
  ScriptedRun() : run(disk, clock, console, rfc) {}
  int Report(std::string_view operation) {
    try {
      ReportRfcFailure(run, operation);
    } catch (const RunEnded& ended) {
      return ended.exitCode;
    }
    return -1;
  }
  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  ScriptedLibrary rfc;
  ::Run run;
};

const char kEmptyBlock[] =
    "RFC error\n"
    "operation/code  : ItCreate STATISTIC\n"
    "key             : \n"
    "status          : \n"
    "message         : \n"
    "internal status : \n"
    "\n"
    "* Programm aborted...\n"
    "* Error at EoXput-File...\n";

}  // namespace

TEST(RfcFailureReportTest, EmptyErrorInformationGivesEmptyValues) {
  ScriptedRun t;
  t.run.connection = 7;
  EXPECT_EQ(t.Report("ItCreate STATISTIC"), 1);
  EXPECT_EQ(t.console.output, kEmptyBlock);
  EXPECT_EQ(t.rfc.closed, std::vector<RfcHandle>{0});
  EXPECT_EQ(t.run.connection, 0u);  // closed with all the others
}

TEST(RfcFailureReportTest, FieldsFilledToTheLastByteAreReadToTheirWidth) {
  ScriptedRun t;
  t.rfc.fillWithoutTerminators = true;
  EXPECT_EQ(t.Report(""), 1);
  EXPECT_EQ(t.console.output,
            "RFC error\n"
            "operation/code  : \n"
            "key             : " + std::string(33, 'K') + "\n"
            "status          : " + std::string(128, 'S') + "\n"
            "message         : " + std::string(256, 'M') + "\n"
            "internal status : " + std::string(128, 'I') + "\n"
            "\n* Programm aborted...\n* Error at EoXput-File...\n");
}

TEST(RfcFailureReportTest, TroubleInsideTheReportStillEndsWithCode1) {
  ScriptedRun t;
  InstallRfcEnvironment(t.run);
  t.rfc.reenterHandler = true;
  t.rfc.throwOnClose = true;
  EXPECT_EQ(t.Report("ItCreate STATISTIC"), 1);
  EXPECT_EQ(t.rfc.lastErrorCalls, 1);  // the inner report did not start over
  EXPECT_EQ(t.console.output, kEmptyBlock);
}

TEST(RfcFailureReportTest, LibraryErrorInformationIsPrinted) {
  SimulatedRun t(OneSystem(R"({"ItCreate": "STATISTIC",
      "last_error": {"key": "RFC_ERROR_SYSTEM_FAILURE", "status": "S1",
                     "message": "table space exhausted", "internal_status": "I9"}})"));
  ASSERT_NE(OpenConnection(t.run), 0u);
  int code = t.ExitCode([&] {
    if (t.sim.ItCreate("STATISTIC", 88, 0, 0) == nullptr)
      ReportRfcFailure(t.run, "ItCreate STATISTIC");
  });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(t.console.output,
            "RFC error\n"
            "operation/code  : ItCreate STATISTIC\n"
            "key             : RFC_ERROR_SYSTEM_FAILURE\n"
            "status          : S1\n"
            "message         : table space exhausted\n"
            "internal status : I9\n"
            "\n* Programm aborted...\n* Error at EoXput-File...\n");
  EXPECT_EQ(t.run.connection, 0u);
}

TEST(RfcFailureReportTest, ErrorReportedThroughTheHandlerEndsWithCode1) {
  SimulatedRun t(OneSystem(R"({"handler": {"function": "RFC_SYSTEM_INFO",
                                           "text": "connection reset by peer"}})"));
  InstallRfcEnvironment(t.run);
  ASSERT_NE(OpenConnection(t.run), 0u);
  EXPECT_EQ(t.ExitCode([&] { QuerySystemInfo(t.run); }), 1);
  EXPECT_EQ(t.console.output.rfind("RFC error\n"
                                   "operation/code  : connection reset by peer\n",
                                   0),
            0u)
      << t.console.output;
  EXPECT_EQ(t.run.connection, 0u);
}
