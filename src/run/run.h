#ifndef BRINDLEMARK_RUN_RUN_H_
#define BRINDLEMARK_RUN_RUN_H_

#include <cstdint>
#include <string>

#include "output/result_document.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "sap/rfc_library.h"
#include "sap/system_profile.h"

/// Status of the system being processed: set to Err before each query,
/// to Ok by a query that succeeds.
enum class RunStatus { Ok, Err };

/// All state of one run of the sensor, and the platform it runs on. Every
/// Part of the sensor works on this one object; nothing is global.
struct Run {
  Run(FileSystem& disk, Clock& clock, Console& console, RfcLibrary& rfc)
      : disk(disk), clock(clock), console(console), rfc(rfc) {}

  // The platform.
  FileSystem& disk;
  Clock& clock;
  Console& console;
  RfcLibrary& rfc;

  // Output.
  ResultDocument resultDocument;
  RunStatus runStatus = RunStatus::Err;
  std::string stateLine;  // the banner, then the state line of a system

  // Command line and options.
  std::string profileName;
  std::string parameterText;  // upper-cased
  std::string parameterCopy;  // letters as typed
  std::string argument2;      // the first parameter string as typed
  std::string clientFilter;   // at most 3 characters
  std::string itemName;       // at most 90 characters
  bool itemMode = false;
  bool progressFlag = false;

  // Files of the sensor.
  std::string sensorDirectory;
  std::string profilePath;
  std::string rewritePath;

  // The system being processed.
  SystemProfile systemProfile;
  ProfileLineTable profileLineTable;
  bool systemFaultFlag = false;  // the profile is faulty or the logon failed
  RfcHandle connection = 0;
  int r3SystemNumber = 0;  // kept from system to system when sysnr is empty
  std::string serverDate = "20000101";
  std::string serverTime = "16:20:21";

  // Structures described to the RFC library, each installed once.
  RfcType cpuAllTypeHandle = 0;
  RfcType rfcsiTypeHandle = 0;
  RfcType sapwlacctsTypeHandle = 0;
  RfcType usraccntvTypeHandle = 0;
  // Set while the RFC failure report runs, so that the library calling the
  // error handler again from inside the report cannot recurse without end.
  bool reportingRfcFailure = false;

  // Item run.
  std::string systemList;
  char nameKind = '1';
  std::string itemChannelName;
  bool itemReported = false;
  std::uint32_t noSystems = 0;
  std::uint32_t processed = 0;
  std::uint32_t failed = 0;
};

/// Thrown to end the process; the entry point turns it into the exit code.
/// Whatever the run had to print is printed before it is thrown.
struct RunEnded {
  int exitCode;
};

/// Error exit: replaces the document by an error document carrying
/// |message|, prints it, closes the open connection and ends the run with
/// exit code 2.
[[noreturn]] void ErrorExit(Run& run, std::string_view message);

/// Closes the open connection, if there is one, and forgets its handle.
void CloseConnection(Run& run);

#endif  // BRINDLEMARK_RUN_RUN_H_
