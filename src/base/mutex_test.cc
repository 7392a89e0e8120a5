#include "base/mutex.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

struct Shared {
  Mutex mutex;
  ConditionVariable changed;
  bool signalled GUARDED_BY(mutex) = false;
};

/// Whether another thread gets |mutex| while this one holds it (it must
/// not); gives the mutex back afterwards to let that thread end, and
/// takes it again.
bool OtherThreadGetsIn(Mutex& mutex) REQUIRES(mutex) {
  std::atomic<bool> got{false};
  std::thread other([&] {
    MutexLock lock(mutex);
    got = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool gotIn = got;
  mutex.Unlock();
  other.join();
  mutex.Lock();
  return gotIn;
}

TEST(ConditionVariable, AWaitGivesTheMutexBackWhileItSleepsAndHoldsItAgainOnReturn) {
  Shared s;
  MutexLock lock(s.mutex);
  // The other thread can only signal while the wait has given the mutex
  // back.
  std::thread other([&] {
    MutexLock lock(s.mutex);
    s.signalled = true;
    s.changed.NotifyOne();
  });
  while (!s.signalled) s.changed.Wait(s.mutex);
  EXPECT_FALSE(OtherThreadGetsIn(s.mutex));
  lock.Unlock();
  other.join();
}

TEST(ConditionVariable, AWaitWhoseTimeIsUpSaysSoAndHoldsTheMutexAgain) {
  Shared s;
  MutexLock lock(s.mutex);
  EXPECT_FALSE(s.changed.WaitUntil(s.mutex, std::chrono::steady_clock::now()));
  EXPECT_FALSE(OtherThreadGetsIn(s.mutex));
  EXPECT_FALSE(s.changed.WaitFor(s.mutex, std::chrono::milliseconds(0)));
  EXPECT_FALSE(OtherThreadGetsIn(s.mutex));
}

}  // namespace
