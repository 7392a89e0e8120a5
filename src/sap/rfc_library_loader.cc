#include "sap/rfc_library_loader.h"

#include "platform/environment.h"
#include "sap/classic_rfc_client.h"
#include "sap/classic_rfc_library.h"
#include "sap/netweaver_rfc_client.h"

namespace {

std::unique_ptr<RfcClient> OpenClassic(std::unique_ptr<SharedLibrary> library,
                                       std::string* missing) {
  std::unique_ptr<RfcLibrary> classic = OpenClassicRfcLibrary(std::move(library), missing);
  if (classic == nullptr) return nullptr;
  return std::make_unique<ClassicRfcClient>(std::move(classic));
}

std::unique_ptr<RfcClient> OpenNetWeaver(std::unique_ptr<SharedLibrary> library,
                                         std::string* missing) {
  return OpenNetWeaverRfcClient(std::move(library), missing);
}

/// The candidates' names joined with " or ".
std::string NotFound(const std::vector<RfcLibraryCandidate>& candidates) {
  std::string names;
  for (const RfcLibraryCandidate& candidate : candidates)
    names += (names.empty() ? "" : " or ") + candidate.fileName;
  return "Error 1010: RFC-Library " + names + " not found !";
}

/// The first line of the system's reason, without its line end.
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

bool IsPath(const std::string& fileName) {
#ifdef _WIN32
  return fileName.find_first_of("\\/:") != std::string::npos;
#else
  return fileName.find('/') != std::string::npos;
#endif
}

}  // namespace

RfcLibraryCandidate ClassicRfcLibraryCandidate() {
#ifdef _WIN32
  return {"librfc32.dll", OpenClassic, {}, true};
#else
  return {"librfccm.so", OpenClassic, {}, true};
#endif
}

RfcLibraryCandidate NetWeaverRfcLibraryCandidate() {
#ifdef _WIN32
  return {"sapnwrfc.dll", OpenNetWeaver, {}};
#else
  // ICU's data before the libraries that use it.
  return {"libsapnwrfc.so",
          OpenNetWeaver,
          {"libicudata.so", "libicuuc.so", "libicui18n.so", "libicudecnumber.so", "libsapucum.so"}};
#endif
}

DynamicRfcLibraryLoader::DynamicRfcLibraryLoader()
    : DynamicRfcLibraryLoader({ClassicRfcLibraryCandidate(), NetWeaverRfcLibraryCandidate()}) {}

DynamicRfcLibraryLoader::DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates)
    : candidates_(std::move(candidates)) {}

DynamicRfcLibraryLoader::DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates,
                                                 RfcLibraryPlaces places)
    : candidates_(std::move(candidates)), places_(std::move(places)) {}

RfcClient* DynamicRfcLibraryLoader::Get(Status* status) {
  if (!tried_) {
    tried_ = true;
    Load();
  }
  *status = library_ == nullptr ? failure_ : Status::Ok();
  return library_.get();
}

bool DynamicRfcLibraryLoader::Try(const RfcLibraryCandidate& candidate,
                                  const std::string* directory,
                                  const std::string& programDirectory) {
  if (candidate.readsRfcIni && !destinationFile_.empty())
    SetEnvironmentValue("RFC_INI", destinationFile_);
  LibraryLookup lookup;
  std::unique_ptr<SharedLibrary> file;
  std::string where;
  if (IsPath(candidate.fileName)) {
    file = SharedLibrary::LoadPath(candidate.fileName, &lookup);
    where = candidate.fileName;
  } else if (directory != nullptr) {
    file = SharedLibrary::LoadFromDirectory(*directory, candidate.fileName, candidate.dependencies,
                                            &lookup);
    bool beside = *directory == programDirectory;
    where = lookup.present || !beside ? *directory + candidate.fileName : "beside the program";
  } else {
    file = SharedLibrary::LoadFromSystemSearch(candidate.fileName, &lookup);
    where = lookup.path.empty() ? "the system's search path" : lookup.path;
  }

  std::string result;
  Status failure;  // when the file is there but unusable
  if (file != nullptr) {
    std::string missing;
    library_ = candidate.open(std::move(file), &missing);
    if (library_ != nullptr) {
      result = "loaded";
    } else {
      result = "lacks " + missing;
      failure = Status::Library("Error 1010: RFC-Library " + candidate.fileName + " lacks " +
                                missing + " !");
    }
  } else if (lookup.present) {
    std::string reason = FirstLine(lookup.error);
    result = "could not be loaded: " + reason;
    failure = Status::NotFound("Error 1010: RFC-Library " + candidate.fileName +
                               " could not be loaded ! - " + reason);
  } else {
    result = "not there";
  }
  attempts_.push_back({candidate.fileName, where, result});
  if (failure_.ok()) failure_ = failure;
  return library_ != nullptr;
}

void DynamicRfcLibraryLoader::Load() {
  const std::string programDirectory = SharedLibrary::ProgramDirectory();
  const RfcLibraryPlaces places = places_ ? *places_ : RfcLibraryPlaces{{programDirectory}, true};
  // A candidate given as a path is tried once, in the first place.
  bool first = true;
  for (const std::string& directory : places.directories) {
    if (directory.empty()) continue;
    for (const RfcLibraryCandidate& candidate : candidates_)
      if ((first || !IsPath(candidate.fileName)) && Try(candidate, &directory, programDirectory))
        return;
    first = false;
  }
  if (places.systemSearch) {
    for (const RfcLibraryCandidate& candidate : candidates_)
      if ((first || !IsPath(candidate.fileName)) && Try(candidate, nullptr, programDirectory))
        return;
  }
  if (failure_.ok()) failure_ = Status::NotFound(NotFound(candidates_));
}
