#ifndef BRINDLEMARK_PLATFORM_PROCESS_H_
#define BRINDLEMARK_PLATFORM_PROCESS_H_

/// Ends the process with |exitCode| while other threads may still be
/// inside a C library that never returns: standard output is flushed, and
/// nothing else runs — no exit handlers, no static destructors, no
/// library's detach code (which might wait for those threads).
[[noreturn]] void EndProcessAroundThreads(int exitCode);

#endif  // BRINDLEMARK_PLATFORM_PROCESS_H_
