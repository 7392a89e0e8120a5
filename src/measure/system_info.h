#ifndef BRINDLEMARK_MEASURE_SYSTEM_INFO_H_
#define BRINDLEMARK_MEASURE_SYSTEM_INFO_H_

struct Run;

/// Asks the connected system (run.connection) for its system information
/// (RFC_SYSTEM_INFO), which proves that the logon can run function modules.
/// On success sets run.runStatus to Ok and the profile's hostLabel to the
/// system's host name (RFCHOST, 8 characters with their blanks); a failed
/// call appends its error line to the result document and leaves both as
/// they were. Returns the library's result code.
int QuerySystemInfo(Run& run);

#endif  // BRINDLEMARK_MEASURE_SYSTEM_INFO_H_
