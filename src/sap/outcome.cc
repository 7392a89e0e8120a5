#include "sap/outcome.h"

#include <cstring>

std::string Outcome::Message() const {
  switch (line_) {
    case Line::kException: return "Error 1012: Exception.: " + text_;
    case Line::kSystemFailure: return "Error 1013: Sys-Exception raised !";
    case Line::kCallFailed: return "Error 1014: RFC-Failure raised !";
    case Line::kOther: return "Error 1015: Other Failure raised !";
    case Line::kMessage:
    case Line::kLibrary: return text_;
    default: return std::string();
  }
}

Status Outcome::ToStatus() const {
  switch (code_) {
    case Status::Code::kOk: return Status::Ok();
    case Status::Code::kNotFound: return Status::NotFound(text_);
    case Status::Code::kRefused: return Status::Refused(Message());
    case Status::Code::kException: return Status::Exception(text_);
    case Status::Code::kCommunication: return Status::Communication(Message());
    case Status::Code::kLibrary: return Status::Library(text_);
    case Status::Code::kTimedOut: return Status::TimedOut(text_);
    default: return Status::CallFailed(Message());
  }
}

std::string ExceptionName(const char* name) {
  if (name == nullptr) return std::string();
  return std::string(name, strnlen(name, kMaxExceptionName));
}
