#include "run/side_by_side.h"

#include <deque>
#include <future>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/mutex.h"
#include "platform/process.h"

namespace {

/// How long the end of the process waits for the cancel of the calls
/// left running.
constexpr std::chrono::milliseconds kCancelGrace(500);

/// Runs |cancel| on a thread of its own and waits for it at most
/// kCancelGrace: a library that does not come back from cancelling must
/// not hold up the end of the process. Without a thread to be had,
/// nothing is cancelled.
void CancelForAWhile(const std::function<void()>& cancel) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  try {
    std::thread([cancel, done] {
      cancel();
      done->set_value();
    }).detach();
  } catch (...) {
    return;
  }
  finished.wait_for(kCancelGrace);
}

}  // namespace

struct SideBySide::Shared {
  Mutex mutex;
  ConditionVariable changed;
  /// For the idle workers alone: a measurement was queued, or the run is
  /// over. The watch, until the deadline, wakes only when the deadline
  /// moves or the run is over. Neither is woken by every change.
  ConditionVariable queued;
  ConditionVariable deadlineMoved;
  unsigned parallel GUARDED_BY(mutex) = 1;
  Deadline deadline GUARDED_BY(mutex);
  ThreadStarter startThread GUARDED_BY(mutex);
  std::function<void()> cancel GUARDED_BY(mutex);  // before the process ends around threads

  /// By measurement, in the order added: kQueued, kStarted, kDone.
  enum : char { kQueued, kStarted, kDone };
  std::vector<char> done GUARDED_BY(mutex);
  std::size_t doneBefore GUARDED_BY(mutex) = 0;  // the measurements before it are all done
  unsigned running GUARDED_BY(mutex) = 0;  // added with work, not done, not waiting for the end
  unsigned parked GUARDED_BY(mutex) = 0;   // measurements waiting for the end of the process
  std::size_t printed GUARDED_BY(mutex) = 0;
  std::unordered_map<std::thread::id, std::size_t> measurementOf GUARDED_BY(mutex);
  std::unordered_map<std::thread::id, std::function<std::string()>> heldBack GUARDED_BY(mutex);

  /// Who has the last word.
  enum class Holder { kNobody, kMeasurement, kDriver, kWatch };
  Holder holder GUARDED_BY(mutex) = Holder::kNobody;
  std::thread::id holderThread GUARDED_BY(mutex);

  /// The ending of the driver's own step under way; null outside one.
  std::function<int()> ownStep GUARDED_BY(mutex);
  bool watching GUARDED_BY(mutex) = false;
  bool watchRunning GUARDED_BY(mutex) = false;

  /// Measurements added, not yet taken up by a worker.
  struct Job {
    std::size_t index;
    std::function<void()> work;
  };
  std::deque<Job> queue GUARDED_BY(mutex);
  unsigned idle GUARDED_BY(mutex) = 0;  // workers waiting for a measurement
  /// The workers and the watch, joined at the end of a run whose
  /// measurements are all over.
  std::vector<JoinThread> threads GUARDED_BY(mutex);
  /// The run is over: the idle workers and the watch end.
  bool over GUARDED_BY(mutex) = false;

  /// Starts |work| on a thread kept in |threads|: false when none can be
  /// made.
  bool Start(std::function<void()> work) REQUIRES(mutex) {
    threads.emplace_back();
    threads.back() = startThread(std::move(work));
    if (threads.back()) return true;
    threads.pop_back();
    return false;
  }

  bool DeadlinePassed() const REQUIRES(mutex) {
    return std::chrono::steady_clock::now() >= deadline;
  }

  /// Waits with |mutex| held until fewer than |parallel| measurements run:
  /// false when the deadline passes first, or has passed.
  bool WaitForRoom() REQUIRES(mutex) {
    while (running >= parallel && changed.WaitUntil(mutex, deadline)) {
    }
    return running < parallel && !DeadlinePassed();
  }

  void MarkDone(std::size_t index) REQUIRES(mutex) {
    done[index] = kDone;
    while (doneBefore < done.size() && done[doneBefore] == kDone) ++doneBefore;
  }

  /// Runs the measurement at the front of the queue on the calling thread.
  /// Called and returns with |mutex| held.
  void RunOne() REQUIRES(mutex) {
    Job job = std::move(queue.front());
    queue.pop_front();
    const std::thread::id me = std::this_thread::get_id();
    measurementOf[me] = job.index;
    done[job.index] = kStarted;
    mutex.Unlock();
    job.work();
    job.work = nullptr;  // what it holds goes while the driver still waits
    mutex.Lock();
    MarkDone(job.index);
    --running;
    measurementOf.erase(me);
    heldBack.erase(me);
    // A rewrite that took the last word gives it back with its end.
    if (holder == Holder::kMeasurement && holderThread == me) holder = Holder::kNobody;
    changed.NotifyAll();
  }

  /// A worker: takes up the measurements one after another until the run
  /// is over. Threads are kept rather than started per system: ending and
  /// starting threads while others are inside a library costs more, and
  /// on Windows takes the loader's lock each time.
  static void Work(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    MutexLock lock(s.mutex);
    for (;;) {
      ++s.idle;
      while (s.queue.empty() && !s.over) s.queued.Wait(s.mutex);
      --s.idle;
      if (s.queue.empty()) return;
      s.RunOne();
    }
  }

  /// The deadline's watch: once the deadline has passed and the driver is
  /// in a step of its own, with nobody else holding the last word, it
  /// takes it, prints that step's ending and ends the process.
  static void Watch(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    MutexLock lock(s.mutex);
    s.watchRunning = true;
    s.changed.NotifyAll();
    while (!s.DeadlinePassed() && !s.over) s.deadlineMoved.WaitUntil(s.mutex, s.deadline);
    while (!s.over && !(s.ownStep && s.holder == Holder::kNobody)) s.changed.Wait(s.mutex);
    if (s.over) return;
    s.holder = Holder::kWatch;
    s.holderThread = std::this_thread::get_id();
    std::function<int()> ending = s.ownStep;
    std::function<void()> cancel = s.running > 0 ? s.cancel : nullptr;
    s.changed.NotifyAll();
    lock.Unlock();
    int exitCode = ending();
    if (cancel) CancelForAWhile(cancel);
    EndProcessAroundThreads(exitCode);
  }

  /// The calling thread waits for the end of the process: the one who has
  /// the last word ends it. It sleeps; it holds nothing.
  [[noreturn]] void WaitForTheEnd(bool measurement) RELEASE(mutex) {
    if (measurement) {
      --running;
      ++parked;
    }
    changed.NotifyAll();
    mutex.Unlock();
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
};

SideBySide::SideBySide(Deadline deadline, ThreadStarter startThread)
    : shared_(std::make_shared<Shared>()) {
  MutexLock lock(shared_->mutex);
  shared_->deadline = deadline;
  shared_->startThread = std::move(startThread);
}

SideBySide::~SideBySide() {
  Shared& s = *shared_;
  std::vector<JoinThread> threads;
  {
    MutexLock lock(s.mutex);
    threads = std::move(s.threads);
    s.threads.clear();
    s.over = true;
    s.changed.NotifyAll();
    s.queued.NotifyAll();
    s.deadlineMoved.NotifyAll();
    // A thread may be inside the library: the process ends around it.
    if (s.running > 0 || s.parked > 0) return;
  }
  for (JoinThread& join : threads) join();
}

void SideBySide::SetParallel(unsigned parallel) {
  MutexLock lock(shared_->mutex);
  shared_->parallel = parallel < 1 ? 1 : parallel;
}

void SideBySide::SetDeadline(Deadline deadline) {
  MutexLock lock(shared_->mutex);
  shared_->deadline = deadline;
  shared_->changed.NotifyAll();
  shared_->deadlineMoved.NotifyAll();
}

bool SideBySide::Add(std::function<void()> job) {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  std::size_t index = s.done.size();
  if (!job) {
    s.done.push_back(Shared::kQueued);
    s.MarkDone(index);
    s.changed.NotifyAll();
    return true;
  }
  if (!s.WaitForRoom()) return false;
  s.done.push_back(Shared::kQueued);
  ++s.running;
  s.queue.push_back({index, std::move(job)});
  if (s.queue.size() <= s.idle) {
    s.queued.NotifyAll();
    return true;
  }
  // No thread to be had: the measurement waits in the queue for a worker
  // that ends its own, never on the driver's thread, which must keep the
  // deadline.
  s.Start([shared = shared_] { Shared::Work(shared); });
  return true;
}

bool SideBySide::DeadlinePassed() const {
  MutexLock lock(shared_->mutex);
  return shared_->DeadlinePassed();
}

bool SideBySide::WaitForRoom() {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  return s.WaitForRoom();
}

std::size_t SideBySide::Added() const {
  MutexLock lock(shared_->mutex);
  return shared_->done.size();
}

bool SideBySide::IsDone(std::size_t index) const {
  MutexLock lock(shared_->mutex);
  return shared_->done[index] == Shared::kDone;
}

bool SideBySide::IsStarted(std::size_t index) const {
  MutexLock lock(shared_->mutex);
  return shared_->done[index] != Shared::kQueued;
}

void SideBySide::HoldBack(std::function<std::string()> take) {
  MutexLock lock(shared_->mutex);
  shared_->heldBack[std::this_thread::get_id()] = std::move(take);
}

std::string SideBySide::TakeHeldBack() {
  std::function<std::string()> take;
  {
    MutexLock lock(shared_->mutex);
    auto found = shared_->heldBack.find(std::this_thread::get_id());
    if (found == shared_->heldBack.end()) return std::string();
    take = found->second;
  }
  return take();
}

bool SideBySide::WaitFor(std::size_t index) {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  while (s.done[index] != Shared::kDone && s.changed.WaitUntil(s.mutex, s.deadline)) {
  }
  return s.done[index] == Shared::kDone;
}

void SideBySide::WaitWithoutDeadline(std::size_t index) {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  while (s.done[index] != Shared::kDone) s.changed.Wait(s.mutex);
}

void SideBySide::Printed(std::size_t count) {
  MutexLock lock(shared_->mutex);
  shared_->printed = count;
  shared_->changed.NotifyAll();
}

void SideBySide::WaitForThoseBefore() {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  auto found = s.measurementOf.find(std::this_thread::get_id());
  if (found == s.measurementOf.end()) return;
  const std::size_t index = found->second;
  while (s.doneBefore < index) s.changed.Wait(s.mutex);
}

void SideBySide::TakeLastWord() {
  using Holder = Shared::Holder;
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  const std::thread::id me = std::this_thread::get_id();
  if (s.holder != Holder::kNobody && s.holderThread == me) return;
  auto found = s.measurementOf.find(me);
  if (found == s.measurementOf.end()) {
    // The driver (the library called its handler from a call the driver
    // made): a measurement that holds the word ends the run or gives it
    // back.
    while (s.holder == Holder::kMeasurement) s.changed.Wait(s.mutex);
    if (s.holder == Holder::kWatch) s.WaitForTheEnd(false);
    s.holder = Holder::kDriver;
    s.holderThread = me;
    return;
  }
  const std::size_t index = found->second;
  while (!(s.holder == Holder::kDriver || s.holder == Holder::kWatch ||
           (s.holder == Holder::kNobody && s.printed >= index)))
    s.changed.Wait(s.mutex);
  if (s.holder != Holder::kNobody) s.WaitForTheEnd(true);
  s.holder = Holder::kMeasurement;
  s.holderThread = me;
}

bool SideBySide::TakeLastWordForDriver() {
  using Holder = Shared::Holder;
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  if (s.holder == Holder::kMeasurement || s.holder == Holder::kWatch) return false;
  s.holder = Holder::kDriver;
  s.holderThread = std::this_thread::get_id();
  s.changed.NotifyAll();
  return true;
}

SideBySide::OwnStep::OwnStep(SideBySide& sides, std::function<int()> atDeadline) : sides_(sides) {
  Shared& s = *sides.shared_;
  MutexLock lock(s.mutex);
  // A step begun after the deadline is one the run lets finish (after a
  // rewrite that was let finish): it is not watched.
  watched_ = !s.DeadlinePassed();
  if (!watched_) return;
  // The watch is made with the first step, and is running before the step
  // begins: on Windows a thread that starts needs the loader's lock, which
  // a library being loaded holds. Without a thread to be had the step has
  // no watch.
  if (!s.watching) {
    s.watching = s.Start([shared = sides.shared_] { Shared::Watch(shared); });
    while (s.watching && !s.watchRunning) s.changed.Wait(s.mutex);
  }
  s.ownStep = std::move(atDeadline);
  s.changed.NotifyAll();
}

SideBySide::OwnStep::~OwnStep() {
  if (!watched_) return;
  Shared& s = *sides_.shared_;
  MutexLock lock(s.mutex);
  std::function<int()> ending = std::move(s.ownStep);
  s.ownStep = nullptr;
  if (s.holder == Shared::Holder::kWatch) s.WaitForTheEnd(false);
  // A step that ended past the deadline without the watch (none could be
  // had, or it could not run meanwhile) ends the run here, as the watch
  // would have.
  if (!s.DeadlinePassed() || s.holder != Shared::Holder::kNobody || !ending) return;
  s.holder = Shared::Holder::kDriver;
  s.holderThread = std::this_thread::get_id();
  std::function<void()> cancel = s.running > 0 ? s.cancel : nullptr;
  lock.Unlock();
  int exitCode = ending();
  if (cancel) CancelForAWhile(cancel);
  EndProcessAroundThreads(exitCode);
}

int SideBySide::Finish(int exitCode) {
  Shared& s = *shared_;
  MutexLock lock(s.mutex);
  if (s.running == 0 && s.parked == 0) return exitCode;
  std::function<void()> cancel = s.running > 0 ? s.cancel : nullptr;
  lock.Unlock();
  if (cancel) CancelForAWhile(cancel);
  EndProcessAroundThreads(exitCode);
}

void SideBySide::CancelBeforeEnding(std::function<void()> cancel) {
  MutexLock lock(shared_->mutex);
  shared_->cancel = std::move(cancel);
}

bool RewriteAsLastWord::ReadFile(const std::string& path, std::string* contents) {
  return disk_.ReadFile(path, contents);
}

bool RewriteAsLastWord::CanOpen(const std::string& path) { return disk_.CanOpen(path); }

std::optional<std::uint64_t> RewriteAsLastWord::SizeOf(const std::string& path) {
  return disk_.SizeOf(path);
}

bool RewriteAsLastWord::ReadFileHead(const std::string& path, std::uint64_t size,
                                     std::string* contents) {
  return disk_.ReadFileHead(path, size, contents);
}

bool RewriteAsLastWord::WriteFile(const std::string& path, std::string_view contents) {
  sides_.TakeLastWord();
  return disk_.WriteFile(path, contents);
}

bool RewriteAsLastWord::ReplaceFile(const std::string& path, std::string_view contents) {
  sides_.TakeLastWord();
  return disk_.ReplaceFile(path, contents);
}

bool RewriteAsLastWord::CopyFile(const std::string& from, const std::string& to) {
  return disk_.CopyFile(from, to);
}

std::string RewriteAsLastWord::HostPath(const std::string& path) { return disk_.HostPath(path); }

bool RewriteAsLastWord::RemoveFile(const std::string& path) { return disk_.RemoveFile(path); }

std::unique_ptr<FileLock> RewriteAsLastWord::LockFile(const std::string& path,
                                                      std::chrono::milliseconds timeout) {
  return disk_.LockFile(path, timeout);
}
