#ifndef BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_
#define BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/shared_library.h"
#include "sap/rfc_library.h"

/// Makes the sensor's RFC library from a loaded library file; null with
/// |missing| set to the first function the file lacks.
using RfcLibraryOpener = std::unique_ptr<RfcLibrary> (*)(std::unique_ptr<SharedLibrary> library,
                                                         std::string* missing);

/// A library file the loader tries, and how it is opened.
struct RfcLibraryCandidate {
  std::string fileName;  // looked for as SharedLibrary::Load looks
  RfcLibraryOpener open;
};

/// The classic RFC library: librfc32.dll on Windows, librfccm.so
/// elsewhere.
RfcLibraryCandidate ClassicRfcLibraryCandidate();

/// The NetWeaver RFC library: sapnwrfc.dll on Windows, libsapnwrfc.so
/// elsewhere.
RfcLibraryCandidate NetWeaverRfcLibraryCandidate();

/// What came of looking for one candidate library file.
struct RfcLibraryAttempt {
  std::string fileName;  // the file looked for, e.g. "sapnwrfc.dll"
  std::string where;     // the full path where it was found, or where it was looked for
  std::string result;    // "not there", "loaded", "could not be loaded: REASON", "lacks FUNCTION"
};

/// Loads the RFC library from a file at the first call of Get(): the
/// candidates are tried in order and the first that loads with every
/// function is kept. When none does, the message names the first
/// candidate found that lacks a function, or else all candidates:
///   Error 1010: RFC-Library NAME or NAME2 not found !
///   Error 1010: RFC-Library NAME lacks FUNCTION !
/// A failure is kept as well: later calls give the same message.
class DynamicRfcLibraryLoader : public RfcLibraryLoader {
 public:
  /// The classic library, then the NetWeaver library.
  DynamicRfcLibraryLoader();
  explicit DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates);

  RfcLibrary* Get(std::string* message) override;

  /// Every candidate tried by the load, in the order tried (empty before
  /// the first Get()).
  const std::vector<RfcLibraryAttempt>& Attempts() const { return attempts_; }

 private:
  void Load();

  std::vector<RfcLibraryCandidate> candidates_;
  bool tried_ = false;
  std::unique_ptr<RfcLibrary> library_;
  std::string message_;
  std::vector<RfcLibraryAttempt> attempts_;
};

#endif  // BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_
