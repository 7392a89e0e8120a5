#include "tool/deadline.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

/// What the two threads share. It is owned by both, so that it outlives
/// the waiting thread when that one gives up.
struct Shared {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  int result = 0;
};

}  // namespace

int RunWithDeadline(const std::function<int()>& work, std::chrono::seconds limit,
                    const std::function<void()>& onTimeout) {
  auto shared = std::make_shared<Shared>();
  std::thread worker([shared, work] {
    int result = work();
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->result = result;
    shared->done = true;
    shared->finished.notify_one();
  });
  std::unique_lock<std::mutex> lock(shared->mutex);
  if (!shared->finished.wait_for(lock, limit, [&] { return shared->done; })) {
    lock.unlock();
    onTimeout();
    // onTimeout ends the process; should it return, the worker is left to
    // itself rather than waited for.
    worker.detach();
    return 1;
  }
  lock.unlock();
  worker.join();
  return shared->result;
}
