#ifndef BRINDLEMARK_RUN_GLOBAL_LISTING_H_
#define BRINDLEMARK_RUN_GLOBAL_LISTING_H_

#include <optional>
#include <string>

struct FileSystem;

/// The name under which each system of an item run is reported.
enum class NameKind {
  kProfile,      // the profile name (",Profile", the default)
  kAlias,        // the profile name without its extension (",Alias")
  kHost,         // the profile's host name (",Host")
  kDestination,  // the profile's destination (",Sid")
};

/// What the listing of an item run gives.
struct GlobalListing {
  /// The profile names of every matching system list line, in file order,
  /// each followed by "#".
  std::string systemList;
  /// The item to measure.
  std::string itemName;
  NameKind nameKind = NameKind::kProfile;
  /// The global listing: the sensor line's parameters (before ",Sensor=",
  /// ":" read as a blank), which take the place of the command line's.
  std::optional<std::string> parameters;
};

/// Reads the listing of an item run at |path|, named |listingName| in
/// messages.
///
/// The global listing "SAP Tessaron.Gbl" supplies the system list lines
/// ("# GSNG: ") and the sensor line ("# GSNX: ") whose key is |listingKey|
/// (the first word of the parameters; ten characters, blank-padded, any
/// letter case): the item, the name kind and the parameters. The sensor
/// profile "Tessaron.Prf" (an "ITEM=" run) supplies only system lists
/// ("# Gsng: "); the item |itemName| and the parameters stay the command
/// line's.
///
/// Returns the error message, or an empty text with |listing| holding a
/// system list and an item: 1024 / 10x1 (the listing cannot be read), 1029
/// (a sensor line of another program), 1030 (no sensor line; |argument2|
/// names the sensor), 1025 (no systems) or 1026 (no item).
std::string ReadGlobalListing(FileSystem& disk, const std::string& path,
                              const std::string& listingName, const std::string& listingKey,
                              const std::string& argument2, const std::string& itemName,
                              GlobalListing* listing);

#endif  // BRINDLEMARK_RUN_GLOBAL_LISTING_H_
