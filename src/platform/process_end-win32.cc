#include <cstdio>
#include <cstdlib>

#include "platform/process.h"
#include "platform/windows_headers-win32.h"

void EndProcessAroundThreads(int exitCode) {
  std::fflush(stdout);
  // Unlike ExitProcess, no DLL is told that the process detaches: a
  // library's detach code could wait for a thread that hangs inside it.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
  std::_Exit(exitCode);  // not reached
}
