#ifndef BRINDLEMARK_RUN_RUN_H_
#define BRINDLEMARK_RUN_RUN_H_

#include <string>

#include "measure/server_clock.h"
#include "output/result_document.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "run/thread_starter.h"
#include "sap/connection.h"
#include "sap/rfc_client.h"
#include "sap/system_profile.h"

class SideBySide;

/// The platform one run of the sensor works on, and what lives for the
/// whole process: the RFC library, once loaded, with its connection, the
/// server clock and the logon data that carry over from one system of an
/// item run to the next.
struct Run {
  Run(FileSystem& disk, Clock& clock, Console& console, RfcLibraryLoader& loader)
      : disk(disk), clock(clock), console(console), loader(loader) {}

  FileSystem& disk;
  Clock& clock;
  Console& console;
  RfcLibraryLoader& loader;

  /// The library, loaded when the first logon needs it.
  RfcClient* rfc = nullptr;
  ConnectionId connection = 0;
  /// The system number of an R/3 logon; kept when a profile has none.
  int r3SystemNumber = 0;
  ServerClock serverClock;
  /// The logon data of the current system. In an item run a key that a
  /// profile lacks keeps the value of the system read before it.
  SystemProfile systemProfile;
  /// Set while the library's error handler reports, so that the library
  /// calling the handler again from inside the report cannot recurse.
  bool reportingLibraryError = false;
  /// The measurements under way, whose threads the error handler may be
  /// called on; null before they start.
  SideBySide* sideBySide = nullptr;
  /// Destination-file logons of the measurements take turns.
  LogonTurns logonTurns;
  /// Where the threads of the measurements and of the deadline's watch
  /// come from.
  ThreadStarter startThread = StartThread;

  ResultDocument document;
};

#endif  // BRINDLEMARK_RUN_RUN_H_
