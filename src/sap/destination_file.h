#ifndef BRINDLEMARK_SAP_DESTINATION_FILE_H_
#define BRINDLEMARK_SAP_DESTINATION_FILE_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// One destination of an RFC destination file (the format of the RFC
/// library's "saprfc.ini"): its KEY=value entries in file order.
struct Destination {
  std::string name;
  /// Keys upper-cased, values as written (blanks around them removed).
  /// Keys a caller does not know are kept; callers pass over them.
  std::vector<std::pair<std::string, std::string>> entries;

  /// The value of |key| (any letter case); the last entry of that key
  /// counts. Null when the destination has no such entry.
  const std::string* Find(std::string_view key) const;
};

/// Finds the destination |name| in the text of a destination file. An
/// entry begins with a line DEST=name and holds the KEY=value lines up to
/// the next DEST= line. Keys are taken without regard to case, the name
/// exactly. Blank lines, lines beginning with '#' or '*' and lines
/// without '=' are passed over; blanks around keys and values and a
/// carriage return at a line end are ignored. The first entry of that
/// name counts. Empty when there is no such destination.
std::optional<Destination> FindDestination(std::string_view text, std::string_view name);

/// The host an application-server entry (ASHOST) finally leads to: for a
/// SAProuter string such as "/H/router/S/3299/H/prdci01" the host after
/// its last "/H/" (up to the next '/'), otherwise the entry itself.
std::string FinalHost(std::string_view ashost);

#endif  // BRINDLEMARK_SAP_DESTINATION_FILE_H_
