#ifndef BRINDLEMARK_RUN_SIDE_BY_SIDE_H_
#define BRINDLEMARK_RUN_SIDE_BY_SIDE_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/mutex.h"
#include "platform/file_system.h"
#include "run/thread_starter.h"

/// The moment by which the run must be over.
using Deadline = std::chrono::steady_clock::time_point;

/// The measurements of a run, on threads of their own, at most a given
/// number at once, taken back by the driver in the order they were added;
/// and the run's deadline, over the whole process. A thread that has
/// finished a measurement takes up the next one.
///
/// A thread is never unwound: one whose system does not answer is left
/// inside the RFC library, and the process ends around it (Finish). What
/// the threads share lives as long as the last of them. A run whose
/// measurements are all over leaves no thread behind: its end (the
/// destructor) stops the idle threads and the watch and joins them; with
/// a measurement still running or waiting for the end of the process,
/// none is joined.
///
/// Who prints the end of the run is settled here, and only here (the "last
/// word"): the driver prints the systems in order and holds the word
/// whenever no measurement has taken it. A measurement that must end the
/// run itself (the library's error handler) or must not be cut off (the
/// profile's rewrite) takes it once every system before it is printed, and
/// gives it back when its measurement ends; while it holds it the driver
/// prints nothing. When the driver or the deadline's watch has taken it
/// for good, a measurement that asks for it waits until the process ends.
/// The watch: when the deadline passes while the driver is in a step of
/// its own (a file read, the library load; see OwnStep), it takes the last
/// word, prints the ending of that step and ends the process.
class SideBySide {
 public:
  SideBySide(Deadline deadline, ThreadStarter startThread = StartThread);
  SideBySide(const SideBySide&) = delete;
  SideBySide& operator=(const SideBySide&) = delete;
  /// Joins the threads when no measurement runs or waits for the end of
  /// the process; otherwise leaves them to it.
  ~SideBySide();

  /// How many measurements run at once (at least 1); set before the
  /// first is added.
  void SetParallel(unsigned parallel);
  /// Moves the deadline (the listing of an item run names its own);
  /// before the first measurement is added.
  void SetDeadline(Deadline deadline);

  /// Waits until fewer than |parallel| measurements run: false when the
  /// deadline passes first, or has passed.
  bool WaitForRoom();
  /// Adds the next measurement (numbered from 0 in the order added). A
  /// null |job| (a system that needs no logon) is done at once and always
  /// added. Any other is started on a thread (an idle one, or a new one)
  /// as soon as fewer than |parallel| run: false when the deadline passed
  /// before there was room, and nothing was added. When no thread can be
  /// made, the measurement waits for a thread that ends its own; with no
  /// thread at all it is never taken up, and its wait ends at the deadline.
  /// A measurement never runs on the driver's thread.
  bool Add(std::function<void()> job);
  /// Number of measurements added.
  std::size_t Added() const;
  /// Whether measurement |index| is done, without waiting.
  bool IsDone(std::size_t index) const;
  /// Whether measurement |index| was taken up by a thread.
  bool IsStarted(std::size_t index) const;
  /// Waits until measurement |index| is done: false when the deadline
  /// passes first.
  bool WaitFor(std::size_t index);
  /// Waits until measurement |index| is done, however long it takes.
  void WaitWithoutDeadline(std::size_t index);
  /// Every measurement before |count| is printed: one of them that waits
  /// for the last word goes on.
  void Printed(std::size_t count);
  /// For a measurement's thread: waits until every measurement added
  /// before it is done, however long that takes (one after another, what
  /// the library is told once is told by the first system that needs it).
  void WaitForThoseBefore();

  /// For a measurement's thread: |take| gives what the measurement holds
  /// back for the driver to print in its place (the destination file's
  /// line), until the measurement ends.
  void HoldBack(std::function<std::string()> take);
  /// What the calling thread's measurement holds back, taken: the library's
  /// error handler, which ends the run on that thread, prints it first.
  std::string TakeHeldBack();

  /// Takes the last word. On a measurement's thread: waits until the
  /// measurements before it are printed; returns at once on the thread
  /// that has it; never returns when the driver or the watch has it. On
  /// any other thread (the driver's): waits until no measurement holds it;
  /// never returns when the watch has it.
  void TakeLastWord();
  /// For the driver: takes the last word; false when a measurement has
  /// it (wait for that one, it ends the run or gives it back).
  bool TakeLastWordForDriver();

  /// A step of the driver's own work, not bounded by any wait of its own:
  /// while it lasts, the deadline's watch ends the run with |atDeadline|
  /// (which prints the document of that ending and returns the exit code);
  /// a step that ends past the deadline without the watch ends it so
  /// itself. A step begun after the deadline is not watched.
  class OwnStep {
   public:
    OwnStep(SideBySide& sides, std::function<int()> atDeadline);
    OwnStep(const OwnStep&) = delete;
    OwnStep& operator=(const OwnStep&) = delete;
    /// When the watch has taken the last word meanwhile, the driver waits
    /// here for the end of the process.
    ~OwnStep();

   private:
    SideBySide& sides_;
    bool watched_ = false;
  };

  /// Whether the deadline has passed.
  bool DeadlinePassed() const;

  /// Ends the run with |exitCode| once its document is complete: returns
  /// it when no measurement runs or waits; otherwise ends the process
  /// around them at once (after |cancel|, see CancelBeforeEnding), so that
  /// the library is never unloaded under a thread left inside it.
  int Finish(int exitCode);
  /// What Finish does before it ends the process around measurements left
  /// inside the library: cancel their calls, so that the systems stop
  /// working on them. It runs on a thread of its own and is waited for
  /// half a second at most; the driver prints and reads nothing after it.
  void CancelBeforeEnding(std::function<void()> cancel);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

/// A value the measurements share: each takes a copy when it starts and
/// leaves what it made of it when it ends.
template <typename Value>
class SharedValue {
 public:
  explicit SharedValue(Value value) : value_(std::move(value)) {}
  Value Get() const {
    MutexLock lock(mutex_);
    return value_;
  }
  void Set(Value value) {
    MutexLock lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable Mutex mutex_;
  Value value_ GUARDED_BY(mutex_);
};

/// The disk of a measurement whose profile rewrite must not be cut off:
/// before it replaces a file it takes the last word of |sideBySide|; every
/// other operation goes straight to |disk|.
class RewriteAsLastWord : public FileSystem {
 public:
  RewriteAsLastWord(FileSystem& disk, SideBySide& sideBySide) : disk_(disk), sides_(sideBySide) {}

  bool ReadFile(const std::string& path, std::string* contents) override;
  bool CanOpen(const std::string& path) override;
  std::optional<std::uint64_t> SizeOf(const std::string& path) override;
  bool ReadFileHead(const std::string& path, std::uint64_t size, std::string* contents) override;
  bool WriteFile(const std::string& path, std::string_view contents) override;
  bool ReplaceFile(const std::string& path, std::string_view contents) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  std::string HostPath(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  std::unique_ptr<FileLock> LockFile(const std::string& path,
                                     std::chrono::milliseconds timeout) override;

 private:
  FileSystem& disk_;
  SideBySide& sides_;
};

#endif  // BRINDLEMARK_RUN_SIDE_BY_SIDE_H_
