#ifndef BRINDLEMARK_SAP_NETWEAVER_DESTINATION_H_
#define BRINDLEMARK_SAP_NETWEAVER_DESTINATION_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// Finds the entry of destination |name| in the text of a "SapRfc.ini"
/// and gives its KEY=value lines (DEST and TYPE included) in file order.
/// False with |problem| set when there is no such entry or its TYPE is
/// neither A nor B.
bool FindDestinationEntry(std::string_view ini, const std::string& name,
                          std::vector<std::pair<std::string, std::string>>* entry,
                          std::string* problem);

#endif  // BRINDLEMARK_SAP_NETWEAVER_DESTINATION_H_
