#ifndef BRINDLEMARK_SAP_OUTCOME_H_
#define BRINDLEMARK_SAP_OUTCOME_H_

#include <string>
#include <string_view>

#include "sap/rfc_library.h"

/// How a step of the measurement ended: well, with an error for the result
/// document, or with a failure of the RFC library itself. The run driver
/// decides what each means for the output and the exit code.
class Outcome {
 public:
  static Outcome Ok() { return Outcome(Kind::kOk, 0, std::string()); }
  /// A function-module call that came back with the library's result
  /// |code| (1, 2, 3 or another); |exception| names the exception of 2 and 3.
  static Outcome CallFailed(int code, std::string exception) {
    return Outcome(Kind::kCallFailed, code, std::move(exception));
  }
  /// A step that failed with |message| for the error document.
  static Outcome Failed(std::string message) {
    return Outcome(Kind::kFailed, 0, std::move(message));
  }
  /// An operation of the library failed ("ItCreate STATISTIC"): the run
  /// ends with the RFC failure report naming |operation|.
  static Outcome LibraryFailed(std::string operation) {
    return Outcome(Kind::kLibraryFailed, 0, std::move(operation));
  }

  bool ok() const { return kind_ == Kind::kOk; }
  bool IsLibraryFailure() const { return kind_ == Kind::kLibraryFailed; }
  /// Whether a call came back with the library's result |code|.
  bool IsCallResult(int code) const { return kind_ == Kind::kCallFailed && code_ == code; }
  /// Whether a call raised the ABAP exception |name| (result 2).
  bool IsException(std::string_view name) const {
    return kind_ == Kind::kCallFailed && code_ == kRfcException && text_ == name;
  }
  /// The error line of a failed call or step (see CallFailureMessage).
  std::string Message() const;
  /// The failed operation of a library failure.
  const std::string& Operation() const { return text_; }

 private:
  enum class Kind { kOk, kCallFailed, kFailed, kLibraryFailed };
  Outcome(Kind kind, int code, std::string text)
      : kind_(kind), code_(code), text_(std::move(text)) {}
  Kind kind_;
  int code_;
  std::string text_;
};

/// The error line of a failed function-module call: result 1
/// "Error 1014: RFC-Failure raised !", 2 "Error 1012: Exception.: " and the
/// exception name, 3 "Error 1013: Sys-Exception raised !", any other
/// "Error 1015: Other Failure raised !".
std::string CallFailureMessage(int result, std::string_view exception);

/// The outcome of RfcReceive: Ok for result 0, otherwise the failed call
/// with the exception name the library handed back on 2 and 3.
Outcome ReceiveOutcome(int result, const char* exception);

/// The longest exception name kept of a failed call.
constexpr size_t kMaxExceptionName = 255;

/// The exception name the library handed back on result 2 or 3: up to its
/// terminator, cut after kMaxExceptionName characters; empty for null.
std::string ExceptionName(const char* name);

#endif  // BRINDLEMARK_SAP_OUTCOME_H_
