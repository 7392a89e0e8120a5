#ifndef BRINDLEMARK_TESTING_VIRTUAL_FILE_SYSTEM_H_
#define BRINDLEMARK_TESTING_VIRTUAL_FILE_SYSTEM_H_

#include <map>
#include <set>
#include <string>

#include "platform/file_system.h"

/// A file system in memory. Paths are compared exactly as
/// written. Directories can be declared (they cannot be read as files) and
/// writes to chosen paths can be made to fail.
struct VirtualFileSystem : FileSystem {
  bool ReadFile(const std::string& path, std::string* contents) override;
  bool CanOpen(const std::string& path) override;
  bool WriteFile(const std::string& path, std::string_view contents) override;
  bool ReplaceFile(const std::string& path, std::string_view contents) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  /// Paths are their own host paths.
  std::string HostPath(const std::string& path) override { return path; }
  bool RemoveFile(const std::string& path) override;
  /// A lock held already is never released while the caller waits (the
  /// tests run in one thread): null at once.
  std::unique_ptr<FileLock> LockFile(const std::string& path,
                                     std::chrono::milliseconds timeout) override;

  /// Creates or replaces a file.
  void Create(const std::string& path, std::string contents) { files[path] = std::move(contents); }
  bool Exists(const std::string& path) const { return files.count(path) != 0; }

  std::map<std::string, std::string> files;
  std::set<std::string> directories;
  /// Paths whose writes fail, as on a full disk.
  std::set<std::string> failingWrites;
  /// How often each path was written.
  std::map<std::string, int> writes;
  /// Paths locked at the moment.
  std::set<std::string> locks;
};

#endif  // BRINDLEMARK_TESTING_VIRTUAL_FILE_SYSTEM_H_
