#include "platform/host_paths-posix.h"

#include <cctype>

namespace {

std::string Join(const std::string& dir, const std::string& rest) {
  if (dir.empty()) return rest;
  if (dir.back() == '/') return dir + rest;
  return dir + "/" + rest;
}

}  // namespace

std::string HostPaths::Map(const std::string& windowsPath) const {
  // A path that begins with a slash is the host's own absolute path (a
  // profile name given as /srv/sensors/PRD): the paths the sensor builds
  // begin with a backslash, a drive or a name.
  if (native || windowsPath.starts_with('/')) return windowsPath;
  std::string path = windowsPath;
  for (char& c : path)
    if (c == '\\') c = '/';
  char drive = 'C';
  bool absolute = false;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    path.erase(0, 2);
    absolute = true;  // "C:dir" is relative to the drive's root here too
  } else if (!path.empty() && path[0] == '/') {
    absolute = true;
  }
  if (!absolute) return Join(workingDirectory, path);
  while (!path.empty() && path[0] == '/') path.erase(0, 1);
  return Join(Join(driveRoot, std::string(1, drive)), path);
}
