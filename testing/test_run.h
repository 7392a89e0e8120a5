#ifndef BRINDLEMARK_TESTING_TEST_RUN_H_
#define BRINDLEMARK_TESTING_TEST_RUN_H_

// A run over an in-memory disk, a fixed clock and a captured console.

#include <string>

#include "run/run.h"
#include "sap/rfc_client.h"
#include "testing/captured_console.h"
#include "testing/fixed_clock.h"
#include "testing/virtual_file_system.h"

/// A loader that hands out one library the test owns; with none it fails
/// as a probe without an RFC library does.
struct FixedRfcLibraryLoader : RfcLibraryLoader {
  explicit FixedRfcLibraryLoader(RfcClient* library) : library(library) {}
  RfcClient* Get(Status* status) override {
    ++loads;
    if (library == nullptr)
      *status = Status::NotFound("Error 1010: RFC-Library librfccm.so not found !");
    return library;
  }
  RfcClient* library;
  int loads = 0;
};

/// A run over an in-memory disk, the clock at 12:34:56, a captured console
/// and no RFC library.
struct TestRun {
  VirtualFileSystem disk;
  FixedClock clock{"12:34:56"};
  CapturedConsole console;
  FixedRfcLibraryLoader loader{nullptr};
  Run run{disk, clock, console, loader};
};

#endif  // BRINDLEMARK_TESTING_TEST_RUN_H_
