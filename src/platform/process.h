#ifndef BRINDLEMARK_PLATFORM_PROCESS_H_
#define BRINDLEMARK_PLATFORM_PROCESS_H_

/// Ends the process at once with |exitCode|, from wherever it is called,
/// without unwinding the stack: the way out of a callback of a C library.
/// Standard output is flushed first.
[[noreturn]] void EndProcess(int exitCode);

/// Ends the process at once with |exitCode| while another thread may be
/// stuck inside a library: standard output is flushed, then the process
/// ends without running destructors, exit handlers or the libraries'
/// unload code, none of which may wait for or disturb that thread.
[[noreturn]] void AbandonProcess(int exitCode);

#endif  // BRINDLEMARK_PLATFORM_PROCESS_H_
