#include "tool/deadline.h"

#include <memory>
#include <thread>

#include "base/mutex.h"

namespace {

/// What the two threads share. It is owned by both, so that it outlives
/// the waiting thread when that one gives up.
struct Shared {
  Mutex mutex;
  ConditionVariable finished;
  bool done GUARDED_BY(mutex) = false;
  int result GUARDED_BY(mutex) = 0;
};

}  // namespace

int RunWithDeadline(const std::function<int()>& work, std::chrono::seconds limit,
                    const std::function<void()>& onTimeout) {
  auto shared = std::make_shared<Shared>();
  std::thread worker([shared, work] {
    int result = work();
    MutexLock lock(shared->mutex);
    shared->result = result;
    shared->done = true;
    shared->finished.NotifyOne();
  });
  MutexLock lock(shared->mutex);
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!shared->done && shared->finished.WaitUntil(shared->mutex, end)) {
  }
  if (!shared->done) {
    lock.Unlock();
    onTimeout();
    // onTimeout ends the process; should it return, the worker is left to
    // itself rather than waited for.
    worker.detach();
    return 1;
  }
  const int result = shared->result;
  lock.Unlock();
  worker.join();
  return result;
}
