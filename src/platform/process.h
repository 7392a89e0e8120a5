#ifndef BRINDLEMARK_PLATFORM_PROCESS_H_
#define BRINDLEMARK_PLATFORM_PROCESS_H_

/// Ends the process at once with |exitCode|, from wherever it is called,
/// without unwinding the stack: the way out of a callback of a C library.
/// Standard output is flushed first.
[[noreturn]] void EndProcess(int exitCode);

#endif  // BRINDLEMARK_PLATFORM_PROCESS_H_
