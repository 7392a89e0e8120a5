#ifndef BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_
#define BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/shared_library.h"
#include "sap/rfc_client.h"

/// Makes the sensor's RFC library from a loaded library file; null with
/// |missing| set to the first function the file lacks.
using RfcLibraryOpener = std::unique_ptr<RfcClient> (*)(std::unique_ptr<SharedLibrary> library,
                                                        std::string* missing);

/// A library file the loader tries, and how it is opened.
struct RfcLibraryCandidate {
  std::string fileName;  // a name, or a path (then loaded from there only)
  RfcLibraryOpener open;
  /// Libraries the file needs that are loaded first when they lie beside
  /// it (name prefixes, see SharedLibrary::LoadFromDirectory).
  std::vector<std::string> dependencies;
  /// Whether the library finds its destination file through the
  /// environment variable RFC_INI.
  bool readsRfcIni = false;
};

/// The classic RFC library: librfc32.dll on Windows, librfccm.so
/// elsewhere.
RfcLibraryCandidate ClassicRfcLibraryCandidate();

/// The NetWeaver RFC library: sapnwrfc.dll on Windows, libsapnwrfc.so
/// elsewhere (with its ICU libraries and libsapucum.so beside it).
RfcLibraryCandidate NetWeaverRfcLibraryCandidate();

/// Where the loader looks for the candidates, in this order.
struct RfcLibraryPlaces {
  /// Directories (each ending with a separator), the program's own first.
  std::vector<std::string> directories;
  /// Then the system's search for libraries.
  bool systemSearch = true;
};

/// What came of looking for one candidate library file.
struct RfcLibraryAttempt {
  std::string fileName;  // the file looked for, e.g. "sapnwrfc.dll"
  std::string where;     // the full path where it was found, or where it was looked for
                         // ("beside the program", "the system's search path")
  std::string result;    // "not there", "loaded", "could not be loaded: REASON", "lacks FUNCTION"
};

/// Loads the RFC library from a file at the first call of Get().
///
/// Placement decides: every candidate is looked for in the program's
/// directory before any is looked for through the system's search, so a
/// library the administrator put beside the sensor wins over one an old
/// installation left in the system directories; among libraries found the
/// same way the candidates' order decides (classic before NetWeaver). The
/// first that loads with every function is kept. When none does, the
/// message names the first candidate that was there but could not be used,
/// or else all candidates:
///   Error 1010: RFC-Library NAME could not be loaded ! - REASON
///   Error 1010: RFC-Library NAME lacks FUNCTION !
///   Error 1010: RFC-Library NAME or NAME2 not found !
/// A failure is kept as well: later calls give the same message.
class DynamicRfcLibraryLoader : public RfcLibraryLoader {
 public:
  /// The classic library, then the NetWeaver library, beside the program
  /// and then through the system's search.
  DynamicRfcLibraryLoader();
  explicit DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates);
  DynamicRfcLibraryLoader(std::vector<RfcLibraryCandidate> candidates, RfcLibraryPlaces places);

  RfcClient* Get(Status* status) override;

  /// The destination file (an absolute path) that RFC_INI names before a
  /// library that reads RFC_INI is loaded: a library whose C runtime takes
  /// its copy of the environment when it is loaded sees it only then.
  void SetDestinationFile(std::string path) { destinationFile_ = std::move(path); }

  /// Every candidate tried by the load, in the order tried (empty before
  /// the first Get()).
  const std::vector<RfcLibraryAttempt>& Attempts() const { return attempts_; }

 private:
  void Load();
  /// Tries one candidate in one place (|directory| empty: the system's
  /// search); true when it was loaded.
  bool Try(const RfcLibraryCandidate& candidate, const std::string* directory,
           const std::string& programDirectory);

  std::vector<RfcLibraryCandidate> candidates_;
  /// Given, or else the program's directory, found when a run needs the
  /// library, and the system's search.
  std::optional<RfcLibraryPlaces> places_;
  std::string destinationFile_;
  bool tried_ = false;
  std::unique_ptr<RfcClient> library_;
  Status failure_;  // of the first candidate there but unusable
  std::vector<RfcLibraryAttempt> attempts_;
};

#endif  // BRINDLEMARK_SAP_RFC_LIBRARY_LOADER_H_
