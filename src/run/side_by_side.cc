#include "run/side_by_side.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

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
  std::mutex mutex;
  std::condition_variable changed;
  unsigned parallel = 1;
  Deadline deadline;
  std::function<void()> cancel;  // before the process ends around threads

  std::vector<char> done;  // by measurement, in the order added
  unsigned running = 0;    // started, not done, not waiting for the end
  std::size_t printed = 0;
  std::unordered_map<std::thread::id, std::size_t> measurementOf;
  std::optional<std::thread::id> lastWord;

  /// Measurements added, not yet taken up by a worker.
  struct Job {
    std::size_t index;
    std::function<void()> work;
  };
  std::deque<Job> queue;
  unsigned idle = 0;  // workers waiting for a measurement

  /// Waits with |lock| held until fewer than |parallel| measurements run:
  /// false when the deadline passes first.
  bool WaitForRoom(std::unique_lock<std::mutex>& lock) {
    return changed.wait_until(lock, deadline, [&] { return running < parallel; });
  }

  /// Runs the measurement at the front of the queue on the calling thread.
  /// Called and returns with |lock| held.
  void RunOne(std::unique_lock<std::mutex>& lock) {
    Job job = std::move(queue.front());
    queue.pop_front();
    const std::thread::id me = std::this_thread::get_id();
    measurementOf[me] = job.index;
    lock.unlock();
    job.work();
    job.work = nullptr;  // what it holds goes while the driver still waits
    lock.lock();
    done[job.index] = 1;
    --running;
    measurementOf.erase(me);
    changed.notify_all();
  }

  /// A worker: takes up the measurements one after another for the life
  /// of the process. Threads are kept rather than started per system:
  /// ending and starting threads while others are inside a library costs
  /// more, and on Windows takes the loader's lock each time.
  static void Work(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
      ++s.idle;
      s.changed.wait(lock, [&] { return !s.queue.empty(); });
      --s.idle;
      s.RunOne(lock);
    }
  }

  /// The calling thread waits for the end of the process: the one who has
  /// the last word ends it. It sleeps; it holds nothing.
  [[noreturn]] void WaitForTheEnd(std::unique_lock<std::mutex>& lock) {
    --running;
    changed.notify_all();
    lock.unlock();
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
};

SideBySide::SideBySide(unsigned parallel, Deadline deadline) : shared_(std::make_shared<Shared>()) {
  shared_->parallel = parallel < 1 ? 1 : parallel;
  shared_->deadline = deadline;
}

SideBySide::~SideBySide() = default;

bool SideBySide::Add(std::function<void()> job) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.WaitForRoom(lock)) return false;
  std::size_t index = s.done.size();
  s.done.push_back(job ? 0 : 1);
  if (!job) return true;
  ++s.running;
  s.queue.push_back({index, std::move(job)});
  if (s.queue.size() <= s.idle) {
    s.changed.notify_all();
    return true;
  }
  try {
    std::thread(&Shared::Work, shared_).detach();
  } catch (...) {
    // No thread to be had: the measurement runs here, without the
    // deadline's protection, rather than not at all.
    s.RunOne(lock);
  }
  return true;
}

bool SideBySide::WaitForRoom() {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.WaitForRoom(lock);
}

std::size_t SideBySide::Added() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->done.size();
}

bool SideBySide::IsDone(std::size_t index) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->done[index] != 0;
}

bool SideBySide::WaitFor(std::size_t index) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.changed.wait_until(lock, s.deadline, [&] { return s.done[index] != 0; });
}

void SideBySide::WaitWithoutDeadline(std::size_t index) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  s.changed.wait(lock, [&] { return s.done[index] != 0; });
}

void SideBySide::Printed(std::size_t count) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->printed = count;
  shared_->changed.notify_all();
}

void SideBySide::TakeLastWord() {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  const std::thread::id me = std::this_thread::get_id();
  if (s.lastWord == me) return;
  auto found = s.measurementOf.find(me);
  std::size_t index = found != s.measurementOf.end() ? found->second : 0;
  s.changed.wait(lock, [&] { return s.lastWord.has_value() || s.printed >= index; });
  if (s.lastWord.has_value()) s.WaitForTheEnd(lock);
  s.lastWord = me;
}

bool SideBySide::TakeLastWordForDriver() {
  Shared& s = *shared_;
  std::lock_guard<std::mutex> lock(s.mutex);
  const std::thread::id me = std::this_thread::get_id();
  if (s.lastWord.has_value() && s.lastWord != me) return false;
  s.lastWord = me;
  s.changed.notify_all();
  return true;
}

int SideBySide::Finish(int exitCode) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.changed.wait_until(lock, s.deadline, [&] { return s.running == 0; })) return exitCode;
  std::function<void()> cancel = s.cancel;
  lock.unlock();
  if (cancel) CancelForAWhile(cancel);
  EndProcessAroundThreads(exitCode);
}

void SideBySide::CancelBeforeEnding(std::function<void()> cancel) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->cancel = std::move(cancel);
}

bool RewriteAsLastWord::ReadFile(const std::string& path, std::string* contents) {
  return disk_.ReadFile(path, contents);
}

bool RewriteAsLastWord::CanOpen(const std::string& path) { return disk_.CanOpen(path); }

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
