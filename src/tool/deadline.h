#ifndef BRINDLEMARK_TOOL_DEADLINE_H_
#define BRINDLEMARK_TOOL_DEADLINE_H_

#include <chrono>
#include <functional>

/// Runs |work| on a thread of its own and returns its result when it
/// finishes within |limit|. Otherwise calls |onTimeout| on the calling
/// thread, which must end the process: the thread inside |work| may be
/// stuck inside a library, so it is never joined or unwound.
int RunWithDeadline(const std::function<int()>& work, std::chrono::seconds limit,
                    const std::function<void()>& onTimeout);

#endif  // BRINDLEMARK_TOOL_DEADLINE_H_
