#ifndef BRINDLEMARK_PLATFORM_CONSOLE_H_
#define BRINDLEMARK_PLATFORM_CONSOLE_H_

#include <memory>
#include <string>
#include <string_view>

/// Standard output, where the monitor reads the result document.
struct Console {
  virtual ~Console() = default;
  /// Writes the bytes unchanged (on Windows the runtime's text mode turns
  /// each line feed into carriage return and line feed).
  virtual void Write(std::string_view text) = 0;
};

/// The process's standard output.
std::unique_ptr<Console> CreateStandardOutput();

#endif  // BRINDLEMARK_PLATFORM_CONSOLE_H_
