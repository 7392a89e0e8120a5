#include "platform/environment.h"

#include <cstdlib>

#include "platform/windows_headers-win32.h"

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  // _putenv sets the C runtime's copy (what getenv reads) and the
  // process's block (what GetEnvironmentVariable and the C runtime of a
  // library loaded later read).
  std::string entry = name + "=" + value;
  bool runtime = _putenv(entry.c_str()) == 0;
  return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0 && runtime;
}
