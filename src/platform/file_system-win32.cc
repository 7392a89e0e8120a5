// The file system of a Windows host, through the C runtime and the Win32
// file functions. Paths go to the system exactly as the sensor builds them.

#include "platform/file_system.h"

#include "platform/windows_headers-win32.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

namespace {

/// Closes a stdio stream when it goes out of scope.
struct StreamCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

/// Opens a file for reading in the given mode ("r" text, "rb" binary);
/// null for anything that is not a regular file.
Stream OpenRegular(const std::string& path, const char* mode) {
  Stream file(std::fopen(path.c_str(), mode));
  if (file == nullptr) return nullptr;
  struct _stat64 st;
  if (_fstat64(_fileno(file.get()), &st) != 0 || (st.st_mode & _S_IFREG) == 0)
    return nullptr;
  return file;
}

/// Reads to the end of |file|.
bool ReadAll(FILE* file, std::string* contents) {
  contents->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    contents->append(buffer, n);
  return std::ferror(file) == 0;
}

/// Writes all of |contents| and closes the stream; false when any part of
/// it failed, closing included.
bool WriteAllAndClose(Stream file, std::string_view contents) {
  bool ok = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
  ok = std::fflush(file.get()) == 0 && ok;
  return std::fclose(file.release()) == 0 && ok;
}

struct Win32FileLock : FileLock {
  explicit Win32FileLock(HANDLE file) : file_(file) {}
  ~Win32FileLock() override {
    OVERLAPPED at{};
    UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &at);
    CloseHandle(file_);
  }
  HANDLE file_;
};

struct Win32FileSystem : FileSystem {
  // Text as the runtime's text mode gives it, CR LF read as LF, but with
  // one difference: the runtime ends a file at its first Ctrl-Z, and a
  // profile rewritten from such a reading would lose every line after it.
  // Only a Ctrl-Z at the very end (the old end-of-file mark) is dropped.
  bool ReadFile(const std::string& path, std::string* contents) override {
    Stream file = OpenRegular(path, "rb");
    if (file == nullptr || !ReadAll(file.get(), contents)) return false;
    if (!contents->empty() && contents->back() == '\x1A') contents->pop_back();
    size_t out = 0;
    for (size_t in = 0; in < contents->size(); ++in) {
      if ((*contents)[in] == '\r' && in + 1 < contents->size() && (*contents)[in + 1] == '\n')
        continue;
      (*contents)[out++] = (*contents)[in];
    }
    contents->resize(out);
    return true;
  }

  bool CanOpen(const std::string& path) override {
    return OpenRegular(path, "r") != nullptr;
  }

  bool WriteFile(const std::string& path, std::string_view contents) override {
    Stream file(std::fopen(path.c_str(), "w"));
    return file != nullptr && WriteAllAndClose(std::move(file), contents);
  }

  bool ReplaceFile(const std::string& path, std::string_view contents) override {
    // The temporary file lies in the same directory, so that the move is a
    // rename on one volume. Its name is created exclusively: a leftover of
    // another process is never overwritten or removed.
    std::string temp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      char suffix[40];
      std::snprintf(suffix, sizeof suffix, ".%lx-%u.tmp",
                    static_cast<unsigned long>(GetCurrentProcessId()), attempt);
      temp = path + suffix;
      fd = _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT,
                 _S_IREAD | _S_IWRITE);
      if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    Stream file(_fdopen(fd, "w"));
    if (file == nullptr) {
      _close(fd);
      DeleteFileA(temp.c_str());
      return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
    ok = std::fflush(file.get()) == 0 && ok;
    ok = _commit(_fileno(file.get())) == 0 && ok;  // on the disk before the move
    ok = std::fclose(file.release()) == 0 && ok;
    if (ok) {
      ok = MoveFileExA(temp.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    // The whole source is read before the target is opened: the two names
    // may be the same file ("SapRfc.INI" and "SapRfc.ini"), and opening the
    // target first would truncate the source.
    std::string contents;
    {
      Stream source = OpenRegular(from, "rb");
      if (source == nullptr || !ReadAll(source.get(), &contents)) return false;
    }
    Stream target(std::fopen(to.c_str(), "wb"));
    return target != nullptr && WriteAllAndClose(std::move(target), contents);
  }

  bool RemoveFile(const std::string& path) override {
    return DeleteFileA(path.c_str()) != 0;
  }

  std::unique_ptr<FileLock> LockFile(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    // Without LOCKFILE_FAIL_IMMEDIATELY the call waits for other holders.
    OVERLAPPED at{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at)) {
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<Win32FileLock>(file);
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem() {
  return std::make_unique<Win32FileSystem>();
}

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return CreateHostFileSystem(); }
