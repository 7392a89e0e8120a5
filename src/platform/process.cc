#include "platform/process.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "platform/windows_headers-win32.h"
#endif

void EndProcess(int exitCode) {
  std::fflush(stdout);
  std::exit(exitCode);
}

void AbandonProcess(int exitCode) {
  std::fflush(stdout);
#ifdef _WIN32
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitCode));
#endif
  std::_Exit(exitCode);
}
