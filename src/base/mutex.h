#ifndef BRINDLEMARK_BASE_MUTEX_H_
#define BRINDLEMARK_BASE_MUTEX_H_

#include <chrono>
#include <condition_variable>
#include <mutex>

// Annotations for clang's thread safety analysis (-Wthread-safety): which
// mutex guards a member, which mutex a function needs held, takes or gives
// back. The compiler then checks every access and every call against them.
// Other compilers (g++, mingw-w64) see nothing of them.
#if defined(__clang__)
#define BRINDLEMARK_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define BRINDLEMARK_THREAD_ANNOTATION(x)
#endif

/// A type whose objects are mutexes to the analysis.
#define CAPABILITY(name) BRINDLEMARK_THREAD_ANNOTATION(capability(name))
/// A type whose objects hold a mutex for their lifetime.
#define SCOPED_CAPABILITY BRINDLEMARK_THREAD_ANNOTATION(scoped_lockable)
/// The member is read and written only with |mutex| held.
#define GUARDED_BY(mutex) BRINDLEMARK_THREAD_ANNOTATION(guarded_by(mutex))
/// The function is called with the mutexes held, and leaves them held.
#define REQUIRES(...) BRINDLEMARK_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
/// The function takes the mutexes (none named: the object itself).
#define ACQUIRE(...) BRINDLEMARK_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
/// The function gives the mutexes back (none named: the object itself).
#define RELEASE(...) BRINDLEMARK_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
/// The function takes the mutexes itself: the caller must not hold them.
#define EXCLUDES(...) BRINDLEMARK_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

/// A mutex the analysis knows: std::mutex, whose declarations in the
/// standard library carry no annotations.
class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class ConditionVariable;
  std::mutex mutex_;
};

/// Holds |mutex| from its construction to its end. Unlock gives it back
/// early (and Lock takes it again), for work that must not hold it.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() RELEASE() {
    if (held_) mutex_.Unlock();
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void Unlock() RELEASE() {
    mutex_.Unlock();
    held_ = false;
  }
  void Lock() ACQUIRE() {
    mutex_.Lock();
    held_ = true;
  }

 private:
  Mutex& mutex_;
  bool held_ = true;
};

/// A condition variable waited on with a Mutex held: the wait gives the
/// mutex back while it sleeps and holds it again when it returns. A wait
/// may return without a notification, so callers wait in a loop over
/// their condition, which the analysis then checks as code under the lock.
class ConditionVariable {
 public:
  void Wait(Mutex& mutex) REQUIRES(mutex) {
    Adopted held(mutex);
    changed_.wait(held.lock);
  }

  /// As Wait, but no later than |deadline|: false when it returns because
  /// the deadline has passed.
  template <typename Clock, typename Duration>
  bool WaitUntil(Mutex& mutex, const std::chrono::time_point<Clock, Duration>& deadline)
      REQUIRES(mutex) {
    Adopted held(mutex);
    return changed_.wait_until(held.lock, deadline) == std::cv_status::no_timeout;
  }

  /// As Wait, but no longer than |limit|: false when it returns because
  /// the time is up.
  template <typename Rep, typename Period>
  bool WaitFor(Mutex& mutex, const std::chrono::duration<Rep, Period>& limit) REQUIRES(mutex) {
    Adopted held(mutex);
    return changed_.wait_for(held.lock, limit) == std::cv_status::no_timeout;
  }

  void NotifyOne() { changed_.notify_one(); }
  void NotifyAll() { changed_.notify_all(); }

 private:
  /// The caller's hold of the mutex, lent to the standard condition
  /// variable for the wait; it stays the caller's, also should the wait
  /// throw.
  struct Adopted {
    explicit Adopted(Mutex& mutex) : lock(mutex.mutex_, std::adopt_lock) {}
    ~Adopted() { lock.release(); }
    std::unique_lock<std::mutex> lock;
  };

  std::condition_variable changed_;
};

#endif  // BRINDLEMARK_BASE_MUTEX_H_
