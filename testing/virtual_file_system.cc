#include "testing/virtual_file_system.h"

namespace {

struct VirtualLock : FileLock {
  VirtualLock(std::set<std::string>* locks, std::string path)
      : locks_(locks), path_(std::move(path)) {}
  ~VirtualLock() override { locks_->erase(path_); }
  std::set<std::string>* locks_;
  std::string path_;
};

}  // namespace

bool VirtualFileSystem::ReadFile(const std::string& path, std::string* contents) {
  auto it = files.find(path);
  if (it == files.end()) return false;
  *contents = it->second;
  return true;
}

bool VirtualFileSystem::CanOpen(const std::string& path) { return files.count(path) != 0; }

bool VirtualFileSystem::WriteFile(const std::string& path, std::string_view contents) {
  if (directories.count(path) != 0) return false;
  ++writes[path];
  if (failingWrites.count(path) != 0) {
    files[path] = std::string(contents.substr(0, contents.size() / 2));
    return false;  // a half-written file, as a full disk leaves it
  }
  files[path] = std::string(contents);
  return true;
}

bool VirtualFileSystem::ReplaceFile(const std::string& path, std::string_view contents) {
  if (directories.count(path) != 0) return false;
  ++writes[path];
  if (failingWrites.count(path) != 0) return false;  // the old file stays
  files[path] = std::string(contents);
  return true;
}

bool VirtualFileSystem::CopyFile(const std::string& from, const std::string& to) {
  std::string contents;
  return ReadFile(from, &contents) && WriteFile(to, contents);
}

bool VirtualFileSystem::RemoveFile(const std::string& path) { return files.erase(path) != 0; }

std::unique_ptr<FileLock> VirtualFileSystem::LockFile(const std::string& path,
                                                      std::chrono::milliseconds timeout) {
  if (!locks.insert(path).second) return nullptr;
  return std::make_unique<VirtualLock>(&locks, path);
}
