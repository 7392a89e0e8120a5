#ifndef BRINDLEMARK_MEASURE_CALL_FAILURE_H_
#define BRINDLEMARK_MEASURE_CALL_FAILURE_H_

#include <string>
#include <string_view>

/// The error line of a failed function-module call: result 1
/// "Error 1014: RFC-Failure raised !", 2 "Error 1012: Exception.: " and the
/// exception name, 3 "Error 1013: Sys-Exception raised !", any other
/// "Error 1015: Other Failure raised !".
std::string CallFailureMessage(int result, std::string_view exception);

/// The longest exception name kept of a failed call.
constexpr size_t kMaxExceptionName = 255;

/// The exception name the library handed back on result 2 or 3: up to its
/// terminator, cut after kMaxExceptionName characters; empty for null.
std::string ExceptionName(const char* name);

#endif  // BRINDLEMARK_MEASURE_CALL_FAILURE_H_
