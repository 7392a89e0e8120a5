// The path file "C:\PRTG_Path.Txt", written by hand or by an installer,
// and the search for the sensor's directory it leads to: whatever it
// holds, a directory found holds the profile and ends in a backslash.

#include <string>

#include "fuzz_check.h"
#include "run/sensor_directory.h"
#include "testing/virtual_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const kProfileDirectories[] = {
      "",
      "C:\\Monitor\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
      "C:\\Monitor\\Custom Sensors\\ExeXml\\",
      "\\Custom Sensors\\ExeXml\\",
      "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
      "C:\\Sensors\\",
      "\\",
      "D:PRTG\\PRTG Network Monitor\\",
  };
  FuzzInput input(data, size);
  unsigned char present = input.Byte();
  unsigned char choice = input.Byte();
  const std::string name = (choice & 1) ? "PRD.P00" : "SAP Tessaron.Gbl";

  VirtualFileSystem disk;
  for (int i = 0; i < 8; ++i)
    if (present & (1u << i)) disk.Create(std::string(kProfileDirectories[i]) + name, "");
  // A directory of the profile's name cannot be read as the profile.
  if (choice & 2) disk.directories.insert("C:\\Sensors\\" + name);
  if (!(choice & 4)) disk.Create("C:\\PRTG_Path.Txt", std::string(input.Rest()));

  std::optional<std::string> found = LocateSensorDirectory(disk, name);
  if (!found) return 0;
  FUZZ_CHECK(found->empty() || found->back() == '\\');
  FUZZ_CHECK(disk.CanOpen(*found + name));
  // Only reads.
  FUZZ_CHECK(disk.writes.empty());
  return 0;
}
