#ifndef BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_TEST_SUPPORT_H_
#define BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_TEST_SUPPORT_H_

#include <string>

#include "sap/rfc_library.h"

/// A loader for tests: gives a library made by the test, or (with none)
/// fails with a fixed message.
class FixedRfcLibraryLoader : public RfcLibraryLoader {
 public:
  explicit FixedRfcLibraryLoader(RfcLibrary* library) : library_(library) {}
  explicit FixedRfcLibraryLoader(std::string message)
      : library_(nullptr), message_(std::move(message)) {}

  RfcLibrary* Get(std::string* message) override {
    ++calls;
    if (library_ == nullptr)
      *message = message_;
    return library_;
  }

  int calls = 0;  // how often Get() was called

 private:
  RfcLibrary* library_;
  std::string message_;
};

#endif  // BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_TEST_SUPPORT_H_
