#include "platform/file_system.h"
#include "platform/host_paths-posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/temporary_name.h"

namespace {

bool WriteAll(int fd, std::string_view contents) {
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

/// Opens |host| with |flags| and keeps it only when it is a regular file;
/// -1 for anything else. The open itself does not wait: a pipe without a
/// writer or a device would otherwise hold the run until the monitor
/// kills it.
int OpenRegular(const std::string& host, int flags, mode_t mode = 0) {
  int fd = ::open(host.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

/// The directory part of a host path ("." for none) and its file name.
void SplitPath(const std::string& path, std::string* directory, std::string* name) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *directory = ".";
    *name = path;
  } else {
    *directory = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
}

std::string Join(const std::string& directory, const std::string& name) {
  return directory == "/" ? "/" + name : directory + "/" + name;
}

/// Removes the temporary files of replacements of |name| in |directory|
/// that are older than kStaleTemporaryAge: a run killed between creating
/// and renaming one leaves it behind.
void RemoveStaleTemporaries(const std::string& directory, const std::string& name) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return;
  std::time_t limit =
      std::time(nullptr) - std::chrono::seconds(FileSystem::kStaleTemporaryAge).count();
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryNameOf(entry->d_name, name, /*caseMatters=*/true)) continue;
    std::string path = Join(directory, entry->d_name);
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime < limit)
      ::unlink(path.c_str());
  }
  ::closedir(dir);
}

/// Creates a new temporary file for replacing |name| in |directory|, with
/// |mode| before the umask. Sets |temp| to its path.
int CreateTemporary(const std::string& directory, const std::string& name, mode_t mode,
                    std::string* temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = Join(directory, TemporaryName(name, static_cast<unsigned long>(::getpid()),
                                          static_cast<std::uint32_t>(random())));
    int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

struct PosixFileLock : FileLock {
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing releases the lock
  int fd_;
};

struct PosixFileSystem : FileSystem {
  PosixFileSystem(HostPaths paths, FlushDescriptor flush)
      : paths_(std::move(paths)), flush_(flush ? std::move(flush) : FlushDescriptor(::fsync)) {}

  bool ReadFile(const std::string& path, std::string* contents) override {
    int fd = OpenRegular(paths_.Map(path), O_RDONLY);
    if (fd < 0) return false;
    contents->clear();
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ::close(fd);
        return false;
      }
      if (n == 0) break;
      contents->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
  }

  std::optional<std::uint64_t> SizeOf(const std::string& path) override {
    int fd = OpenRegular(paths_.Map(path), O_RDONLY);
    if (fd < 0) return std::nullopt;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }

  bool CanOpen(const std::string& path) override {
    int fd = OpenRegular(paths_.Map(path), O_RDONLY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  bool WriteFile(const std::string& path, std::string_view contents) override {
    // Truncated only once it is known to be a regular file.
    int fd = OpenRegular(paths_.Map(path), O_WRONLY | O_CREAT, 0666);
    if (fd < 0) return false;
    bool ok = ::ftruncate(fd, 0) == 0 && WriteAll(fd, contents);
    return ::close(fd) == 0 && ok;
  }

  bool ReplaceFile(const std::string& path, std::string_view contents) override {
    std::string target = paths_.Map(path);
    struct stat st;
    // A symbolic link stays: the file it leads to is replaced. A link that
    // leads nowhere is left alone.
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      char* real = ::realpath(target.c_str(), nullptr);
      if (real == nullptr) return false;
      target = real;
      std::free(real);
    }
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return false;
    // A file the administrator made read-only (no write bit at all: root
    // may write anything) or that the sensor's user may not write stays.
    if (exists &&
        (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
      return false;

    std::string directory, name, temp;
    SplitPath(target, &directory, &name);
    RemoveStaleTemporaries(directory, name);
    int fd = CreateTemporary(directory, name, exists ? 0600 : 0666, &temp);
    if (fd < 0) return false;
    bool ok = true;
    if (exists) {
      // The old file's owner (possible only for root) and permissions.
      if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
        (void)::fchown(fd, st.st_uid, st.st_gid);
      ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, contents) && flush_(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
      ::unlink(temp.c_str());
      return false;
    }
    return FlushDirectory(directory);
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    std::string contents;
    if (!ReadFile(from, &contents)) return false;
    // Renamed over |to| itself: a link of that name is replaced, never
    // followed.
    std::string target = paths_.Map(to), directory, name, temp;
    SplitPath(target, &directory, &name);
    RemoveStaleTemporaries(directory, name);
    int fd = CreateTemporary(directory, name, 0666, &temp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, contents);
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
  }

  std::string HostPath(const std::string& path) override {
    std::string host = paths_.Map(path);
    if (!host.empty() && host[0] == '/') return host;
    std::string directory(4096, '\0');
    if (::getcwd(directory.data(), directory.size()) == nullptr) return host;
    directory.resize(std::char_traits<char>::length(directory.c_str()));
    return host == "." ? directory : Join(directory, host);
  }

  bool RemoveFile(const std::string& path) override {
    return ::unlink(paths_.Map(path).c_str()) == 0;
  }

  std::unique_ptr<FileLock> LockFile(const std::string& path,
                                     std::chrono::milliseconds timeout) override {
    int fd = ::open(paths_.Map(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                    0666);
    if (fd < 0) return nullptr;
    // Polled: flock itself waits without bound.
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds pause{1};
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::make_unique<PosixFileLock>(fd);
      if (errno == EINTR) continue;
      auto now = std::chrono::steady_clock::now();
      if (errno != EWOULDBLOCK || now >= deadline) break;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    ::close(fd);
    return nullptr;
  }

  /// Makes a rename in |directory| durable: the new name lives in the
  /// directory, which the file's own flush does not write, so a power cut
  /// could otherwise bring the old profile back. A directory that cannot be
  /// opened for this, or a file system that cannot flush one (EINVAL), is
  /// passed over: the file is in place either way. A failing disk is not.
  bool FlushDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    bool ok = flush_(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
  }

  HostPaths paths_;
  FlushDescriptor flush_;
};

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFileSystem(HostPaths paths, FlushDescriptor flush) {
  return std::make_unique<PosixFileSystem>(std::move(paths), std::move(flush));
}

namespace {

/// The mapping of the host file system the sensor works on.
HostPaths SensorHostPaths() {
  HostPaths paths;
  // The Windows drives of a Linux build lie below one host directory:
  // "C:\x" is <root>/C/x. BRINDLEMARK_DRIVES names that directory; it is
  // "/" when unset.
  const char* drives = std::getenv("BRINDLEMARK_DRIVES");
  paths.driveRoot = drives != nullptr && *drives != '\0' ? drives : "/";
  return paths;
}

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem() {
  return CreatePosixFileSystem(SensorHostPaths());
}

std::unique_ptr<FileSystem> CreateNativeFileSystem() {
  HostPaths paths;
  paths.native = true;
  return CreatePosixFileSystem(std::move(paths));
}
