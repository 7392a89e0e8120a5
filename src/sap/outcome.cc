#include "sap/outcome.h"

#include <cstring>

std::string Outcome::Message() const {
  return kind_ == Kind::kCallFailed ? CallFailureMessage(code_, text_) : text_;
}

Outcome ReceiveOutcome(int result, const char* exception) {
  if (result == 0) return Outcome::Ok();
  bool named = result == kRfcException || result == kRfcSysException;
  return Outcome::CallFailed(result, named ? ExceptionName(exception) : std::string());
}

std::string CallFailureMessage(int result, std::string_view exception) {
  switch (result) {
    case kRfcFailure: return "Error 1014: RFC-Failure raised !";
    case kRfcException: return "Error 1012: Exception.: " + std::string(exception);
    case kRfcSysException: return "Error 1013: Sys-Exception raised !";
    default: return "Error 1015: Other Failure raised !";
  }
}

std::string ExceptionName(const char* name) {
  if (name == nullptr) return std::string();
  return std::string(name, strnlen(name, kMaxExceptionName));
}
