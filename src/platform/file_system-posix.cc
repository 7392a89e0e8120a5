#include "platform/file_system.h"
#include "platform/host_paths-posix.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

/// Opens a regular file for reading; -1 for anything else.
int OpenRegular(const std::string& host) {
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

struct PosixFileLock : FileLock {
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing releases the lock
  int fd_;
};

struct PosixFileSystem : FileSystem {
  explicit PosixFileSystem(HostPaths paths) : paths_(std::move(paths)) {}

  bool ReadFile(const std::string& path, std::string* contents) override {
    int fd = OpenRegular(paths_.Map(path));
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

  bool CanOpen(const std::string& path) override {
    int fd = OpenRegular(paths_.Map(path));
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  bool WriteFile(const std::string& path, std::string_view contents) override {
    int fd = ::open(paths_.Map(path).c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, contents);
    return ::close(fd) == 0 && ok;
  }

  bool ReplaceFile(const std::string& path, std::string_view contents) override {
    std::string host = paths_.Map(path);
    std::string temp = host + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // Keep the permissions the replaced file had.
    struct stat st;
    if (::stat(host.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    bool ok = WriteAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), host.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    std::string contents;
    return ReadFile(from, &contents) && WriteFile(to, contents);
  }

  bool RemoveFile(const std::string& path) override {
    return ::unlink(paths_.Map(path).c_str()) == 0;
  }

  std::unique_ptr<FileLock> LockFile(const std::string& path) override {
    int fd = ::open(paths_.Map(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd);
        return nullptr;
      }
    }
    return std::make_unique<PosixFileLock>(fd);
  }

  HostPaths paths_;
};

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFileSystem(HostPaths paths) {
  return std::make_unique<PosixFileSystem>(std::move(paths));
}

std::unique_ptr<FileSystem> CreateHostFileSystem() {
  HostPaths paths;
  // The Windows drives of a Linux build lie below one host directory:
  // "C:\x" is <root>/C/x. BRINDLEMARK_DRIVES names that directory; it is
  // "/" when unset.
  const char* drives = std::getenv("BRINDLEMARK_DRIVES");
  paths.driveRoot = drives != nullptr && *drives != '\0' ? drives : "/";
  return CreatePosixFileSystem(std::move(paths));
}

std::unique_ptr<FileSystem> CreateNativeFileSystem() {
  HostPaths paths;
  paths.native = true;
  return CreatePosixFileSystem(std::move(paths));
}
