// The file system of a Windows host, through the C runtime and the Win32
// file functions. Paths go to the system exactly as the sensor builds them.

#include "platform/file_system-win32.h"
#include "platform/file_system.h"

#include "platform/windows_headers-win32.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "platform/temporary_name.h"

namespace {

/// Closes a stdio stream when it goes out of scope.
struct StreamCloser {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

/// The code page the file functions read narrow names in.
UINT NameCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

/// A narrow path as the wide-character file functions take it.
std::wstring Widen(const std::string& path) {
  if (path.empty()) return std::wstring();
  int n = MultiByteToWideChar(NameCodePage(), 0, path.data(), static_cast<int>(path.size()),
                              nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (n > 0)
    MultiByteToWideChar(NameCodePage(), 0, path.data(), static_cast<int>(path.size()), wide.data(),
                        n);
  return wide;
}

std::string Narrow(const std::wstring& name) {
  if (name.empty()) return std::string();
  int n = WideCharToMultiByte(NameCodePage(), 0, name.data(), static_cast<int>(name.size()),
                              nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(n), '\0');
  if (n > 0)
    WideCharToMultiByte(NameCodePage(), 0, name.data(), static_cast<int>(name.size()),
                        narrow.data(), n, nullptr, nullptr);
  return narrow;
}

/// Opens a file for reading in the given mode ("r" text, "rb" binary);
/// null for anything that is not a regular file. Other processes keep
/// every right to the file meanwhile, deleting and replacing it included:
/// a run that reads a profile never makes another one's rewrite fail.
Stream OpenRegular(const std::string& path, const char* mode) {
  HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // Devices ("CON", "COM1") and pipes are not files to read.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return nullptr;
  }
  int flags = _O_RDONLY | (mode[1] == 'b' ? _O_BINARY : _O_TEXT);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  Stream file(_fdopen(fd, mode));
  if (file == nullptr) {
    _close(fd);
    return nullptr;
  }
  struct _stat64 st;
  if (_fstat64(_fileno(file.get()), &st) != 0 || (st.st_mode & _S_IFREG) == 0) return nullptr;
  return file;
}

/// The directory part of |path| with its separator ("" for none) and the
/// file name.
void SplitPath(const std::string& path, std::string* directory, std::string* name) {
  size_t end = path.find_last_of("\\/:");
  end = end == std::string::npos ? 0 : end + 1;
  *directory = path.substr(0, end);
  *name = path.substr(end);
}

/// Removes the temporary files of replacements of |name| in |directory|
/// that are older than kStaleTemporaryAge: a run killed between creating
/// and moving one leaves it behind.
void RemoveStaleTemporaries(const std::string& directory, const std::string& name) {
  WIN32_FIND_DATAW found;
  std::string pattern = directory + std::string(TemporaryNameStem(name)) + ".brindlemark-*.tmp";
  HANDLE search = FindFirstFileW(Widen(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME nowTime;
  GetSystemTimeAsFileTime(&nowTime);
  auto ticks = [](const FILETIME& t) {  // 100 ns since 1601
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  unsigned long long age =
      std::chrono::seconds(FileSystem::kStaleTemporaryAge).count() * 10000000ULL;
  do {
    std::string entry = Narrow(found.cFileName);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsTemporaryNameOf(entry, name, /*caseMatters=*/false) &&
        ticks(found.ftLastWriteTime) + age < ticks(nowTime))
      DeleteFileW(Widen(directory + entry).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

/// Creates a new temporary file beside |path| for a replacement of it, in
/// |mode| (_O_TEXT or _O_BINARY), after removing stale ones; its name is
/// created exclusively, so that a file of another process is never
/// overwritten. Returns its descriptor and sets |temp| to its name; -1 on
/// failure.
int CreateTemporaryBeside(const std::string& path, int mode, std::string* temp) {
  std::string directory, name;
  SplitPath(path, &directory, &name);
  RemoveStaleTemporaries(directory, name);
  std::random_device random;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    *temp = directory +
            TemporaryName(name, GetCurrentProcessId(), static_cast<std::uint32_t>(random()));
    int fd = _open(temp->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | mode, _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

/// Sets |target| to the file |path| names: the file a symbolic link leads
/// to, or |path| itself when it is no link. False for a link that leads
/// nowhere.
bool ResolveLink(const std::string& path, std::string* target) {
  *target = path;
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    return true;
  HANDLE file =
      CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  wchar_t buffer[4 * MAX_PATH];
  DWORD n = GetFinalPathNameByHandleW(file, buffer, sizeof buffer / sizeof buffer[0],
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (n == 0 || n >= sizeof buffer / sizeof buffer[0]) return false;
  std::wstring final(buffer, n);
  // "\\?\C:\..." and "\\?\UNC\server\..." as the narrow functions take them.
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
    final = L"\\\\" + final.substr(8);
  else if (final.rfind(L"\\\\?\\", 0) == 0)
    final = final.substr(4);
  *target = Narrow(final);
  return true;
}

/// Moves |from| over |to|. A reader that opened |to| without leave to
/// delete it (an editor, a virus scanner, a backup) makes the move fail
/// for as long as it holds the file, usually a moment: the move is tried
/// again with growing pauses for about a second.
bool MoveOver(const std::string& from, const std::string& to) {
  std::wstring source = Widen(from), target = Widen(to);
  DWORD pause = 10;
  for (DWORD waited = 0;; waited += pause, pause = std::min<DWORD>(pause * 2, 250)) {
    if (MoveFileExW(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DWORD error = GetLastError();
    bool passing = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                   error == ERROR_LOCK_VIOLATION;
    if (!passing || waited >= 1000) return false;
    Sleep(pause);
  }
}

/// Reads to the end of |file|.
bool ReadAll(FILE* file, std::string* contents) {
  contents->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) contents->append(buffer, n);
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
  explicit Win32FileSystem(FlushFile flush)
      : flush_(flush ? std::move(flush) : FlushFile([](void* handle) {
          return FlushFileBuffers(static_cast<HANDLE>(handle)) != 0;
        })) {}

  // Text as the runtime's text mode gives it, CR LF read as LF, but with
  // one difference: the runtime ends a file at its first Ctrl-Z, and a
  // profile rewritten from such a reading would lose every line after it.
  // Only a Ctrl-Z at the very end (the old end-of-file mark) is dropped.
  bool ReadFile(const std::string& path, std::string* contents) override {
    Stream file = OpenRegular(path, "rb");
    if (file == nullptr || !ReadAll(file.get(), contents)) return false;
    AsText(contents);
    return true;
  }

  std::optional<std::uint64_t> SizeOf(const std::string& path) override {
    Stream file = OpenRegular(path, "rb");
    struct _stat64 st;
    if (file == nullptr || _fstat64(_fileno(file.get()), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }

  bool ReadFileHead(const std::string& path, std::uint64_t size, std::string* contents) override {
    Stream file = OpenRegular(path, "rb");
    if (file == nullptr || !ReadAll(file.get(), contents)) return false;
    if (contents->size() > size) contents->resize(static_cast<size_t>(size));
    AsText(contents);
    return true;
  }

  static void AsText(std::string* contents) {
    if (!contents->empty() && contents->back() == '\x1A') contents->pop_back();
    size_t out = 0;
    for (size_t in = 0; in < contents->size(); ++in) {
      if ((*contents)[in] == '\r' && in + 1 < contents->size() && (*contents)[in + 1] == '\n')
        continue;
      (*contents)[out++] = (*contents)[in];
    }
    contents->resize(out);
  }

  bool CanOpen(const std::string& path) override { return OpenRegular(path, "r") != nullptr; }

  bool WriteFile(const std::string& path, std::string_view contents) override {
    Stream file(std::fopen(path.c_str(), "w"));
    return file != nullptr && WriteAllAndClose(std::move(file), contents);
  }

  bool ReplaceFile(const std::string& path, std::string_view contents) override {
    // A symbolic link stays: the file it leads to is replaced.
    std::string target;
    if (!ResolveLink(path, &target)) return false;
    // A file the administrator made read-only stays as it is.
    DWORD attributes = GetFileAttributesW(Widen(target).c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
      return false;

    // The temporary file lies in the same directory, so that the move is a
    // rename on one volume. Its name is created exclusively: a file of
    // another process is never overwritten.
    std::string temp;
    int fd = CreateTemporaryBeside(target, _O_TEXT, &temp);
    if (fd < 0) return false;
    Stream file(_fdopen(fd, "w"));
    if (file == nullptr) {
      _close(fd);
      DeleteFileW(Widen(temp).c_str());
      return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
    ok = std::fflush(file.get()) == 0 && ok;
    // The data on the disk before the move: MOVEFILE_WRITE_THROUGH makes
    // the move durable, not what was written to the file.
    ok = ok && flush_(reinterpret_cast<void*>(_get_osfhandle(_fileno(file.get()))));
    ok = std::fclose(file.release()) == 0 && ok;
    // The marks the old file had (hidden, system, archive) go with it.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (ok && exists && (attributes & kKept) != 0)
      ok = SetFileAttributesW(Widen(temp).c_str(), attributes & kKept) != 0;
    if (ok) ok = MoveOver(temp, target);
    if (!ok) DeleteFileW(Widen(temp).c_str());
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
    // Written beside |to| and moved over it: a link of that name is
    // replaced, never followed.
    std::string temp;
    int fd = CreateTemporaryBeside(to, _O_BINARY, &temp);
    if (fd < 0) return false;
    Stream target(_fdopen(fd, "wb"));
    if (target == nullptr) _close(fd);
    bool ok = target != nullptr && WriteAllAndClose(std::move(target), contents);
    if (ok) ok = MoveOver(temp, to);
    if (!ok) DeleteFileW(Widen(temp).c_str());
    return ok;
  }

  std::string HostPath(const std::string& path) override {
    char full[4 * MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : path;
  }

  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

  std::unique_ptr<FileLock> LockFile(const std::string& path,
                                     std::chrono::milliseconds timeout) override {
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    // Polled: without LOCKFILE_FAIL_IMMEDIATELY the call waits without bound.
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::chrono::milliseconds pause{1};
    for (;;) {
      OVERLAPPED at{};
      if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &at))
        return std::make_unique<Win32FileLock>(file);
      auto now = std::chrono::steady_clock::now();
      if (GetLastError() != ERROR_LOCK_VIOLATION || now >= deadline) break;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    CloseHandle(file);
    return nullptr;
  }

  FlushFile flush_;
};

}  // namespace

std::unique_ptr<FileSystem> CreateWin32FileSystem(FlushFile flush) {
  return std::make_unique<Win32FileSystem>(std::move(flush));
}

std::unique_ptr<FileSystem> CreateHostFileSystem() { return CreateWin32FileSystem({}); }

std::unique_ptr<FileSystem> CreateNativeFileSystem() { return CreateHostFileSystem(); }
