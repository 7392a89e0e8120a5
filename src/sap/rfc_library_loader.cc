#include "sap/rfc_library_loader.h"

#include "sap/classic_rfc_library.h"
#include "sap/netweaver_rfc_library.h"

namespace {

std::unique_ptr<RfcLibrary> OpenClassic(std::unique_ptr<SharedLibrary> library,
                                        std::string* missing) {
  return ClassicRfcLibrary::Open(std::move(library), missing);
}

std::unique_ptr<RfcLibrary> OpenNetWeaver(std::unique_ptr<SharedLibrary> library,
                                          std::string* missing) {
  return NetWeaverRfcLibrary::Open(std::move(library), missing);
}

/// The candidates' names joined with " or ".
std::string NotFound(const std::vector<RfcLibraryCandidate>& candidates) {
  std::string names;
  for (const RfcLibraryCandidate& candidate : candidates)
    names += (names.empty() ? "" : " or ") + candidate.fileName;
  return "Error 1010: RFC-Library " + names + " not found !";
}

}  // namespace

RfcLibraryCandidate ClassicRfcLibraryCandidate() {
#ifdef _WIN32
  return {"librfc32.dll", OpenClassic};
#else
  return {"librfccm.so", OpenClassic};
#endif
}

RfcLibraryCandidate NetWeaverRfcLibraryCandidate() {
#ifdef _WIN32
  return {"sapnwrfc.dll", OpenNetWeaver};
#else
  return {"libsapnwrfc.so", OpenNetWeaver};
#endif
}

DynamicRfcLibraryLoader::DynamicRfcLibraryLoader()
    : DynamicRfcLibraryLoader({ClassicRfcLibraryCandidate(), NetWeaverRfcLibraryCandidate()}) {}

DynamicRfcLibraryLoader::DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates)
    : candidates_(std::move(candidates)) {}

RfcLibrary* DynamicRfcLibraryLoader::Get(std::string* message) {
  if (!tried_) {
    tried_ = true;
    Load();
  }
  if (library_ == nullptr) *message = message_;
  return library_.get();
}

void DynamicRfcLibraryLoader::Load() {
  std::string lacking;  // the message of the first candidate found lacking
  for (const RfcLibraryCandidate& candidate : candidates_) {
    std::string error;
    std::unique_ptr<SharedLibrary> file = SharedLibrary::Load(candidate.fileName, &error);
    attempts_.push_back({candidate.fileName, "beside the program, then the system's search path",
                         file == nullptr ? "not there" : "loaded"});
    if (file == nullptr) continue;
    std::string missing;
    library_ = candidate.open(std::move(file), &missing);
    if (library_ != nullptr) return;
    attempts_.back().result = "lacks " + missing;
    if (lacking.empty())
      lacking = "Error 1010: RFC-Library " + candidate.fileName + " lacks " + missing + " !";
  }
  if (!lacking.empty())
    message_ = lacking;
  else
    message_ = NotFound(candidates_);
}
