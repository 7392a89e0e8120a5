#ifndef BRINDLEMARK_RUN_THREAD_STARTER_H_
#define BRINDLEMARK_RUN_THREAD_STARTER_H_

#include <functional>

/// Waits until the work of a started thread has returned and what it held
/// is gone. Dropped without being called, it leaves the thread to the end
/// of the process.
using JoinThread = std::function<void()>;

/// Starts |work| on a thread of its own: how to join it, or null when no
/// thread can be made.
using ThreadStarter = std::function<JoinThread(std::function<void()>)>;

/// Starts a thread of the standard library. Joined from its own work, it
/// is left instead.
JoinThread StartThread(std::function<void()> work);

#endif  // BRINDLEMARK_RUN_THREAD_STARTER_H_
