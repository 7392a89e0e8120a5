#ifndef BRINDLEMARK_BASE_STATUS_H_
#define BRINDLEMARK_BASE_STATUS_H_

#include <string>
#include <utility>

/// Why an operation did not succeed, as every layer of the product reports
/// it to the one above: a code to decide by and a text for a person. The
/// code is what callers branch on; the text is never searched.
class Status {
 public:
  enum class Code : unsigned char {
    kOk,
    kNotFound,       // what was asked for does not exist (a file, a function module)
    kRefused,        // the other side said no (a logon, an authorisation)
    kCallFailed,     // a call failed without telling why
    kException,      // the called program raised an exception; the text is its name
    kCommunication,  // the connection failed or was lost, or the system failed
    kLibrary,        // a library failed in its own work; the text is the operation
    kTimedOut,       // no answer within the time given
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string text) { return Status(Code::kNotFound, std::move(text)); }
  static Status Refused(std::string text) { return Status(Code::kRefused, std::move(text)); }
  static Status CallFailed(std::string text) { return Status(Code::kCallFailed, std::move(text)); }
  static Status Exception(std::string name) { return Status(Code::kException, std::move(name)); }
  static Status Communication(std::string text) {
    return Status(Code::kCommunication, std::move(text));
  }
  static Status Library(std::string operation) {
    return Status(Code::kLibrary, std::move(operation));
  }
  static Status TimedOut(std::string text) { return Status(Code::kTimedOut, std::move(text)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& text() const { return text_; }

 private:
  Status(Code code, std::string text) : code_(code), text_(std::move(text)) {}
  Code code_ = Code::kOk;
  std::string text_;
};

#endif  // BRINDLEMARK_BASE_STATUS_H_
