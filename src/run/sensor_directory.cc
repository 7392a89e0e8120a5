#include "run/sensor_directory.h"

#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/text.h"

namespace {

constexpr const char* kPathFile = "C:\\PRTG_Path.Txt";
constexpr const char* kLongSubPath = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
constexpr const char* kShortSubPath = "Custom Sensors\\ExeXml\\";
constexpr const char* kStandardDirectories[] = {
    "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
};

/// A line of the path file names a directory when it has the form \dir,
/// C:\dir or C:dir. Other lines (comments, notes) are ignored.
bool LooksLikeDirectory(std::string_view line) {
  return (line.size() > 0 && line[0] == '\\') || (line.size() > 2 && line[2] == '\\') ||
         (line.size() > 1 && line[1] == ':');
}

/// The directory named by the path file: its last directory line (kept
/// whole, however long), ending in a backslash. A byte-order mark in front
/// of the first line (Notepad's UTF-8) is passed over.
std::string DirectoryFromPathFile(std::string_view contents) {
  std::string directory;
  ForEachLine(WithoutByteOrderMark(contents), [&](std::string_view line) {
    if (LooksLikeDirectory(line)) directory = std::string(line);
  });
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  return directory;
}

}  // namespace

std::optional<std::string> LocateSensorDirectory(FileSystem& disk, const std::string& name) {
  std::string contents;
  if (disk.ReadFile(kPathFile, &contents)) {
    // The path file may name the directory above the monitor's
    // installation, the installation itself or the sensor directory.
    std::string directory = DirectoryFromPathFile(contents);
    if (disk.CanOpen(directory + kLongSubPath + name)) directory += kLongSubPath;
    if (disk.CanOpen(directory + kShortSubPath + name)) directory += kShortSubPath;
    // Where the path file points is where the profile must be.
    if (disk.CanOpen(directory + name)) return directory;
    return std::nullopt;
  }

  if (disk.CanOpen(name)) return std::string();
  for (const char* directory : kStandardDirectories)
    if (disk.CanOpen(directory + name)) return std::string(directory);
  return std::nullopt;
}
