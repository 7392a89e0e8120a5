#ifndef BRINDLEMARK_PLATFORM_FILE_SYSTEM_H_
#define BRINDLEMARK_PLATFORM_FILE_SYSTEM_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// An exclusive lock held on a file while the object lives.
struct FileLock {
  virtual ~FileLock() = default;
};

/// The sensor's only way to the disk.
///
/// Paths are Windows paths exactly as the sensor builds them: drive letters
/// and backslashes ("C:\PRTG_Path.Txt"), paths relative to the root of the
/// current drive ("\Program Files\...") and paths relative to the current
/// working directory ("SapRfc.ini"). Each implementation maps them onto its
/// host; the virtual one keeps files in memory for tests.
struct FileSystem {
  virtual ~FileSystem() = default;

  /// Reads a whole file opened for reading in text mode. Returns false when
  /// the file cannot be opened (missing, no permission) or is not a regular
  /// file (a directory, a pipe, a device): those are never opened in a way
  /// that could wait.
  virtual bool ReadFile(const std::string& path, std::string* contents) = 0;

  /// Whether the file can be opened for reading: the existence probe.
  virtual bool CanOpen(const std::string& path) = 0;
  /// The size of a regular file in bytes as stored, without reading it;
  /// nothing when it cannot be opened as ReadFile would open it. A file
  /// that another program appends to only grows: what it held at one size
  /// is its head of that size later.
  virtual std::optional<std::uint64_t> SizeOf(const std::string& path);
  /// Reads the head of a file, its first |size| bytes as stored, as
  /// ReadFile reads the whole; false when it cannot be opened.
  virtual bool ReadFileHead(const std::string& path, std::uint64_t size, std::string* contents);

  /// Creates or truncates a file and writes |contents| in text mode.
  /// Returns false when anything of it fails.
  virtual bool WriteFile(const std::string& path, std::string_view contents) = 0;

  /// Writes |contents| to a temporary file beside |path| and replaces |path|
  /// with it only when every byte was written and flushed to the disk; on
  /// any failure before the replacement |path| keeps its old contents and
  /// the temporary file is removed. The replacement is flushed too (on
  /// POSIX the directory that holds the name), so that a power cut leaves
  /// the old file or the new one, whole; a disk that fails that last flush
  /// gives false with the new contents already in place.
  ///
  /// What the administrator set stays: a file that is read-only, or that
  /// the sensor's user may not write, is not replaced (false); the new file
  /// gets the old one's permissions; a symbolic link is replaced at its
  /// target and stays a link. Temporary files are named
  /// "<name>.brindlemark-<process>-<random>.tmp" (a name too long for that
  /// cut short: TemporaryName); a replacement removes
  /// those of the same file that are older than kStaleTemporaryAge (left
  /// by a run that was killed).
  virtual bool ReplaceFile(const std::string& path, std::string_view contents) = 0;

  /// Copies a file byte for byte, creating or replacing |to|. The copy is
  /// written as a new file beside |to| and renamed into place, so a reader
  /// never sees half of it and a symbolic link named |to| is replaced by
  /// the copy: the file it led to is never written. Returns false when
  /// |from| cannot be read or |to| cannot be written.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;

  /// The absolute path under which the host's programs (the RFC library)
  /// find |path|.
  virtual std::string HostPath(const std::string& path) = 0;

  /// Deletes a file. Returns false when there was none or it stays.
  virtual bool RemoveFile(const std::string& path) = 0;

  /// Takes an exclusive lock on |path| (created when missing), waiting at
  /// most |timeout| for other processes to release theirs. Returns null
  /// when it cannot be taken in that time or at all.
  virtual std::unique_ptr<FileLock> LockFile(const std::string& path,
                                             std::chrono::milliseconds timeout) = 0;

  /// The age from which a temporary file of a replacement counts as left
  /// over: no run takes that long.
  static constexpr std::chrono::minutes kStaleTemporaryAge{15};
};

/// Splits the contents of a text file into lines. A line ends at a line
/// feed; a carriage return before it, or a carriage return alone at the end
/// of the file, is not part of the line. A final line without a line end
/// counts; an empty file has no lines. Lines are kept whole.
std::vector<std::string_view> SplitLines(std::string_view contents);

/// Calls |visit| with each line of |contents| as SplitLines would give it,
/// without building a list.
template <typename Visit>
void ForEachLine(std::string_view contents, Visit&& visit) {
  size_t start = 0;
  while (start < contents.size()) {
    size_t end = contents.find('\n', start);
    size_t next = end == std::string_view::npos ? contents.size() : end + 1;
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = contents.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    start = next;
  }
}

/// The file system of the machine the sensor runs on.
std::unique_ptr<FileSystem> CreateHostFileSystem();

/// The host's file system with the host's own path syntax, for tools that
/// take a path from their user (on Windows the same as the sensor's).
std::unique_ptr<FileSystem> CreateNativeFileSystem();

#endif  // BRINDLEMARK_PLATFORM_FILE_SYSTEM_H_
