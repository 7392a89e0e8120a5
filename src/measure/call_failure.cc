#include "measure/call_failure.h"

#include <cstddef>
#include <cstring>

std::string CallFailureMessage(int result, std::string_view exception) {
  switch (result) {
    case 1:
      return "Error 1014: RFC-Failure raised !";
    case 2:
      return "Error 1012: Exception.: " + std::string(exception);
    case 3:
      return "Error 1013: Sys-Exception raised !";
    default:
      return "Error 1015: Other Failure raised !";
  }
}

std::string ExceptionName(const char* name) {
  if (name == nullptr) return std::string();
  return std::string(name, strnlen(name, kMaxExceptionName));
}
