#ifndef BRINDLEMARK_PLATFORM_HOST_PATHS_POSIX_H_
#define BRINDLEMARK_PLATFORM_HOST_PATHS_POSIX_H_

#include <functional>
#include <memory>
#include <string>

struct FileSystem;

/// Maps the sensor's Windows paths onto a POSIX file system.
///
/// Each drive letter X has its directory <driveRoot>/X; the current drive
/// is C. "X:\a\b" and "X:a\b" become <driveRoot>/X/a/b, "\a\b" becomes
/// <driveRoot>/C/a/b, and a relative path "a\b" becomes
/// <workingDirectory>/a/b (or a/b when workingDirectory is empty). A path
/// that begins with "/" is already the host's and stays as it is.
struct HostPaths {
  std::string driveRoot = "/";
  std::string workingDirectory;
  /// Paths are the host's own: passed on unchanged.
  bool native = false;

  std::string Map(const std::string& windowsPath) const;
};

/// Makes what was written to an open file or directory durable, as fsync
/// does; 0 on success, -1 with errno set on failure.
using FlushDescriptor = std::function<int(int fd)>;

/// A file system over the host's disk with the given mapping; tests build
/// one over a sandbox directory. A replacement flushes through |flush|
/// (fsync when empty); tests pass one that records the calls.
std::unique_ptr<FileSystem> CreatePosixFileSystem(HostPaths paths, FlushDescriptor flush = {});

#endif  // BRINDLEMARK_PLATFORM_HOST_PATHS_POSIX_H_
