#ifndef BRINDLEMARK_SAP_OUTCOME_H_
#define BRINDLEMARK_SAP_OUTCOME_H_

#include <string>
#include <string_view>

#include "base/status.h"

/// The library's own texts about a failure, as its error record holds
/// them: key ("RFC_ERROR_LOGON_FAILURE"), status, message and internal
/// status. Empty where the library says nothing.
struct LibraryTexts {
  std::string key;
  std::string status;
  std::string message;
  std::string internalStatus;

  bool empty() const {
    return key.empty() && status.empty() && message.empty() && internalStatus.empty();
  }
  /// The text that says most: the message, else the key.
  const std::string& Summary() const { return message.empty() ? key : message; }
};

/// How a step with the system ended: well; with a failed call of a
/// function module (an ABAP exception by name, a system failure, a
/// refused logon, a function module the system does not have, another
/// failure); with a failed step of the sensor's own (a message for the
/// document); or with a failure of the RFC library itself. Each carries
/// the library's texts. The run driver decides what each means for the
/// output and the exit code.
class Outcome {
 public:
  static Outcome Ok() { return Outcome(); }
  /// The function module raised the ABAP exception |name|.
  static Outcome Exception(std::string name, LibraryTexts texts = {}) {
    return Outcome(Status::Code::kException, Line::kException, std::move(name), std::move(texts));
  }
  /// The system failed in the call (a short dump, an error message) or
  /// the connection was lost; |name| is the library's name for it.
  static Outcome SystemFailure(std::string name, LibraryTexts texts = {}) {
    return Outcome(Status::Code::kCommunication, Line::kSystemFailure, std::move(name),
                   std::move(texts));
  }
  /// The call failed without a system's answer.
  static Outcome CallFailed(LibraryTexts texts = {}) {
    return Outcome(Status::Code::kCallFailed, Line::kCallFailed, std::string(), std::move(texts));
  }
  /// The library gave a result it does not document.
  static Outcome OtherFailure(LibraryTexts texts = {}) {
    return Outcome(Status::Code::kCallFailed, Line::kOther, std::string(), std::move(texts));
  }
  /// The system refused the logon data, which went with the call.
  static Outcome LogonRefused(LibraryTexts texts = {}) {
    return Outcome(Status::Code::kRefused, Line::kCallFailed, std::string(), std::move(texts));
  }
  /// The system has no function module |function|.
  static Outcome FunctionNotFound(std::string function, LibraryTexts texts = {}) {
    return Outcome(Status::Code::kNotFound, Line::kCallFailed, std::move(function),
                   std::move(texts));
  }
  /// The system has no function module |function| and the library
  /// reports it as a system failure (the classic library: the called
  /// system ends the call with a runtime error and closes the connection).
  static Outcome FunctionNotFoundAsSystemFailure(std::string function, LibraryTexts texts = {}) {
    return Outcome(Status::Code::kNotFound, Line::kSystemFailure, std::move(function),
                   std::move(texts));
  }
  /// A step that failed with |message| for the error document.
  static Outcome Failed(std::string message) {
    return Outcome(Status::Code::kCallFailed, Line::kMessage, std::move(message), {});
  }
  /// An operation of the library failed ("ItCreate STATISTIC"): the run
  /// ends with the RFC failure report naming |operation|.
  static Outcome LibraryFailed(std::string operation, LibraryTexts texts = {}) {
    return Outcome(Status::Code::kLibrary, Line::kLibrary, std::move(operation), std::move(texts));
  }

  bool ok() const { return code_ == Status::Code::kOk; }
  Status::Code code() const { return code_; }
  bool IsLibraryFailure() const { return code_ == Status::Code::kLibrary; }
  bool IsLogonRefused() const { return code_ == Status::Code::kRefused; }
  bool IsFunctionNotFound() const { return code_ == Status::Code::kNotFound; }
  /// Whether the failure ended the connection on the system's side: a
  /// system failure, a lost connection (an ABAP exception leaves it open).
  bool EndsConnection() const { return line_ == Line::kSystemFailure; }
  /// Whether the call raised the ABAP exception |name|.
  bool IsException(std::string_view name) const {
    return code_ == Status::Code::kException && text_ == name;
  }
  /// The sensor's error line of a failed call or step:
  /// "Error 1012: Exception.: NAME" for an exception, "Error 1013:
  /// Sys-Exception raised !" for a system failure, "Error 1014:
  /// RFC-Failure raised !" for a failed call (a refused logon, a missing
  /// function module), "Error 1015: Other Failure raised !" otherwise, the
  /// message of a failed step.
  std::string Message() const;
  /// The failed operation of a library failure; the exception's name.
  const std::string& Operation() const { return text_; }
  const std::string& ExceptionName() const { return text_; }
  /// What the library said about the failure.
  const LibraryTexts& Texts() const { return texts_; }
  /// The code and text for layers that do not know SAP.
  Status ToStatus() const;

 private:
  /// Which error line Message() gives.
  enum class Line : unsigned char {
    kNone,
    kException,
    kSystemFailure,
    kCallFailed,
    kOther,
    kMessage,
    kLibrary
  };
  Outcome() = default;
  Outcome(Status::Code code, Line line, std::string text, LibraryTexts texts)
      : code_(code), line_(line), text_(std::move(text)), texts_(std::move(texts)) {}

  Status::Code code_ = Status::Code::kOk;
  Line line_ = Line::kNone;
  std::string text_;
  LibraryTexts texts_;
};

/// The longest exception name kept of a failed call.
constexpr size_t kMaxExceptionName = 255;

/// An exception name a library handed back: up to its terminator, cut
/// after kMaxExceptionName characters; empty for null.
std::string ExceptionName(const char* name);

#endif  // BRINDLEMARK_SAP_OUTCOME_H_
