#ifndef BRINDLEMARK_FUZZ_KEPT_THREADS_H_
#define BRINDLEMARK_FUZZ_KEPT_THREADS_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "run/thread_starter.h"

/// Threads kept from one input to the next: the runs of a fuzz target take
/// their threads from here instead of making new ones, which under the
/// sanitizers costs more than a whole run. A thread whose work was joined
/// takes up the next work started; a new thread is made only when none is
/// free. Joining waits until the work has returned and what it held is
/// gone, so an input frees everything it allocated before it ends.
class KeptThreads {
 public:
  KeptThreads() = default;
  KeptThreads(const KeptThreads&) = delete;
  KeptThreads& operator=(const KeptThreads&) = delete;

  /// A ThreadStarter.
  JoinThread Start(std::function<void()> work);

 private:
  struct Thread {
    std::function<void()> work;  // set while handed over, not yet taken up
    std::uint64_t started = 0;
    std::uint64_t finished = 0;
    std::condition_variable handedOver;
  };

  void Serve(Thread& thread);

  std::mutex mutex_;
  std::condition_variable finished_;
  std::vector<std::unique_ptr<Thread>> threads_;
};

#endif  // BRINDLEMARK_FUZZ_KEPT_THREADS_H_
