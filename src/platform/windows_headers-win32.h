#ifndef BRINDLEMARK_PLATFORM_WINDOWS_HEADERS_WIN32_H_
#define BRINDLEMARK_PLATFORM_WINDOWS_HEADERS_WIN32_H_

// <windows.h> without its rarely used parts and its min/max macros.
// <windows.h> also names CopyFileA and ReplaceFileA by the macros CopyFile
// and ReplaceFile; here those names are the FileSystem's own operations.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef CopyFile
#undef ReplaceFile

#endif  // BRINDLEMARK_PLATFORM_WINDOWS_HEADERS_WIN32_H_
