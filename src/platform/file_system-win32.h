#ifndef BRINDLEMARK_PLATFORM_FILE_SYSTEM_WIN32_H_
#define BRINDLEMARK_PLATFORM_FILE_SYSTEM_WIN32_H_

#include <functional>
#include <memory>

struct FileSystem;

/// Writes what was written to an open file (a Windows file handle) through
/// to the disk, as FlushFileBuffers does; false on failure.
using FlushFile = std::function<bool(void* handle)>;

/// The Windows file system; a replacement flushes the new file through
/// |flush| (FlushFileBuffers when empty) before it moves it into place.
/// Tests pass one that records the calls.
std::unique_ptr<FileSystem> CreateWin32FileSystem(FlushFile flush);

#endif  // BRINDLEMARK_PLATFORM_FILE_SYSTEM_WIN32_H_
