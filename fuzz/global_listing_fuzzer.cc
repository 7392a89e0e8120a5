// The listings of an item run, kept by hand: the global listing
// "SAP Tessaron.Gbl" and the sensor profile "Tessaron.Prf". Whatever they
// hold, the reading ends in an error message or in a system list and an
// item.

#include <string>

#include "fuzz_check.h"
#include "run/global_listing.h"
#include "testing/virtual_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  bool global = input.Byte() % 2 == 0;
  // The key is a word of the sensor's parameters: take it from the front
  // of the input, so that the sensor lines can name it.
  std::string_view contents = input.Rest();
  std::string key(contents.substr(0, contents.find_first_of(" ,\n")).substr(0, 16));

  VirtualFileSystem disk;
  const std::string path = global ? "S:\\SAP Tessaron.Gbl" : "S:\\Tessaron.Prf";
  disk.Create(path, std::string(contents));
  const std::string item = global ? "" : "Dialog";
  GlobalListing listing;
  std::string error = ReadGlobalListing(disk, path, global ? "SAP Tessaron.Gbl" : "Tessaron.Prf",
                                        key, key, item, &listing);
  FUZZ_CHECK(disk.writes.empty());
  if (!error.empty()) {
    FUZZ_CHECK(error.rfind("Error 10", 0) == 0);
    return 0;
  }
  FUZZ_CHECK(!listing.systemList.empty());
  FUZZ_CHECK(listing.systemList.find('\n') == std::string::npos);
  FUZZ_CHECK(!listing.itemName.empty());
  if (global) {
    FUZZ_CHECK(listing.parameters.has_value());
    FUZZ_CHECK(listing.itemName.size() <= 90);
  } else {
    FUZZ_CHECK(!listing.parameters.has_value());
    FUZZ_CHECK(listing.itemName == item);
  }
  return 0;
}
