#ifndef BRINDLEMARK_PLATFORM_ENVIRONMENT_H_
#define BRINDLEMARK_PLATFORM_ENVIRONMENT_H_

#include <string>

/// Sets the variable |name| of the process's own environment to |value|,
/// for the libraries it loads: in the process's environment block and in
/// the C runtime's copy of it. Children and other processes are not
/// touched. False when it cannot be set.
bool SetEnvironmentValue(const std::string& name, const std::string& value);

#endif  // BRINDLEMARK_PLATFORM_ENVIRONMENT_H_
