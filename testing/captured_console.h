#ifndef BRINDLEMARK_TESTING_CAPTURED_CONSOLE_H_
#define BRINDLEMARK_TESTING_CAPTURED_CONSOLE_H_

#include <string>
#include <string_view>

#include "platform/console.h"

/// A console that collects everything written.
struct CapturedConsole : Console {
  void Write(std::string_view text) override { output.append(text); }
  std::string output;
};

#endif  // BRINDLEMARK_TESTING_CAPTURED_CONSOLE_H_
