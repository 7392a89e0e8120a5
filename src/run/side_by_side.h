#ifndef BRINDLEMARK_RUN_SIDE_BY_SIDE_H_
#define BRINDLEMARK_RUN_SIDE_BY_SIDE_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

/// The moment by which the run must be over.
using Deadline = std::chrono::steady_clock::time_point;

/// The measurements of a run, on threads of their own, at most a given
/// number at once, taken back by the driver in the order they were added;
/// and the run's deadline. A thread that has finished a measurement takes
/// up the next one.
///
/// A thread is never joined and never unwound: one whose system does not
/// answer is left inside the RFC library, and the process ends around it
/// (Finish). What the threads share lives as long as the last of them.
///
/// Who prints the end of the run is settled here too: the driver prints
/// the systems in order; a measurement that must end the run itself (the
/// library's error handler) or must not be cut off (the profile's
/// rewrite) takes the last word once every system before it is printed,
/// and the driver prints nothing more; when the driver takes it first (the
/// deadline, a failure), such a measurement waits until the process ends.
class SideBySide {
 public:
  SideBySide(unsigned parallel, Deadline deadline);
  SideBySide(const SideBySide&) = delete;
  SideBySide& operator=(const SideBySide&) = delete;
  ~SideBySide();

  /// Waits until fewer than |parallel| measurements run: false when the
  /// deadline passes first.
  bool WaitForRoom();
  /// Adds the next measurement (numbered from 0 in the order added) and
  /// starts it on a thread (an idle one, or a new one) as soon as fewer
  /// than |parallel| run; a null |job| is done at once. False when the deadline passed
  /// before there was room: nothing was added.
  bool Add(std::function<void()> job);
  /// Number of measurements added.
  std::size_t Added() const;
  /// Whether measurement |index| is done, without waiting.
  bool IsDone(std::size_t index) const;
  /// Waits until measurement |index| is done: false when the deadline
  /// passes first.
  bool WaitFor(std::size_t index);
  /// Waits until measurement |index| is done, however long it takes.
  void WaitWithoutDeadline(std::size_t index);
  /// Every measurement before |count| is printed: one of them that waits
  /// for the last word goes on.
  void Printed(std::size_t count);

  /// For a measurement's thread: waits until the measurements before it
  /// are printed and takes the last word. Returns at once on the thread
  /// that has it; never returns when another has it.
  void TakeLastWord();
  /// For the driver: takes the last word; false when a measurement has
  /// it (wait for that one, it ends the run or finishes in time).
  bool TakeLastWordForDriver();

  /// Ends the run with |exitCode|: waits until the deadline for the
  /// measurements still running (they close their own connections), then
  /// returns |exitCode|, or ends the process around those left inside the
  /// library, after |cancel| (see CancelBeforeEnding).
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
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
  }
  void Set(Value value) {
    std::lock_guard<std::mutex> lock(mutex_);
    value_ = std::move(value);
  }

 private:
  mutable std::mutex mutex_;
  Value value_;
};

/// The disk of a measurement whose profile rewrite must not be cut off:
/// before it replaces a file it takes the last word of |sideBySide|; every
/// other operation goes straight to |disk|.
class RewriteAsLastWord : public FileSystem {
 public:
  RewriteAsLastWord(FileSystem& disk, SideBySide& sideBySide) : disk_(disk), sides_(sideBySide) {}

  bool ReadFile(const std::string& path, std::string* contents) override;
  bool CanOpen(const std::string& path) override;
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
