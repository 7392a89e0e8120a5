#ifndef BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_
#define BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_

struct Run;

/// Finds the directory that holds the profile run.profileName (a bare
/// name) and sets run.sensorDirectory (empty for the current directory,
/// else ending in a backslash) and run.profilePath (directory + name).
///
/// When the path file "C:\PRTG_Path.Txt" exists, its last line that looks
/// like a directory (\dir, C:\dir or C:dir; none means the root of the
/// current drive) is taken, with the long sub-path
/// "PRTG Network Monitor\Custom Sensors\ExeXml\" and then the short one
/// "Custom Sensors\ExeXml\" appended where the profile lies below them;
/// the profile must then be there. Without a path file
/// the profile is looked for in the current directory and then in the
/// monitor's three standard custom-sensor directories on the current
/// drive. A directory given on the command line plays no part.
///
/// Ends the run with "Error 1002: Profile <name> is missing..." when the
/// profile is not found.
void LocateSensorDirectory(Run& run);

#endif  // BRINDLEMARK_RUN_SENSOR_DIRECTORY_H_
