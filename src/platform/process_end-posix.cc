#include <unistd.h>

#include <cstdio>

#include "platform/process.h"

void EndProcessAroundThreads(int exitCode) {
  std::fflush(stdout);
  _exit(exitCode);
}
