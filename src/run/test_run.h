#ifndef BRINDLEMARK_RUN_TEST_RUN_H_
#define BRINDLEMARK_RUN_TEST_RUN_H_

// Support for tests: a Run over an in-memory disk, a fixed clock and a
// captured console. Included by tests only.

#include <functional>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/virtual_file_system.h"
#include "run/run.h"
#include "sap/rfc_library.h"

/// An RFC library with no SAP system behind it: every logon fails and
/// every other operation fails. For tests of Parts that never reach SAP.
struct NoRfcLibrary : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned,
                          RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override {
    return 1;
  }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override {
    return 1;
  }
  int RfcLastError(RfcErrorInfo*) override { return 1; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override {
    return nullptr;
  }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 1; }
};

/// Runs |body| and returns the exit code it ended the run with, or -1
/// when it returned normally.
inline int ExitCodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const RunEnded& end) {
    return end.exitCode;
  }
  return -1;
}

/// A run over an in-memory disk, the clock at 12:34:56 and a captured
/// console.
struct TestRun {
  VirtualFileSystem disk;
  FixedClock clock{"12:34:56"};
  CapturedConsole console;
  NoRfcLibrary rfc;
  Run run{disk, clock, console, rfc};
};

#endif  // BRINDLEMARK_RUN_TEST_RUN_H_
