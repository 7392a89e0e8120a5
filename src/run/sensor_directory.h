#ifndef BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_
#define BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_

#include <optional>
#include <string>

struct FileSystem;

/// Finds the directory that holds the profile |profileName| (a bare name):
/// empty for the current directory, else ending in a backslash; nothing
/// when the profile is not found.
///
/// When the path file "C:\PRTG_Path.Txt" exists, its last line that looks
/// like a directory (\dir, C:\dir or C:dir; none means the root of the
/// current drive) is taken, with the long sub-path
/// "PRTG Network Monitor\Custom Sensors\ExeXml\" and then the short one
/// "Custom Sensors\ExeXml\" appended where the profile lies below them;
/// the profile must then be there. Without a path file the profile is
/// looked for in the current directory and then in the monitor's three
/// standard custom-sensor directories on the current drive.
std::optional<std::string> LocateSensorDirectory(FileSystem& disk, const std::string& profileName);

#endif  // BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_
