#include "platform/shared_library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/// dlopen's reason for the last failure.
std::string LastError() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "unknown error";
}

/// The files of |directory| whose names begin with |prefix|, sorted.
std::vector<std::string> FilesStartingWith(const std::string& directory,
                                           const std::string& prefix) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0 && IsRegularFile(directory + name))
      names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string SharedLibrary::ProgramDirectory() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return "";
  path.resize(static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadPath(const std::string& path,
                                                       LibraryLookup* lookup) {
  lookup->path = path;
  lookup->present = IsRegularFile(path);
  if (!lookup->present) return nullptr;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    lookup->error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadFromDirectory(
    const std::string& directory, const std::string& fileName,
    const std::vector<std::string>& dependencies, LibraryLookup* lookup) {
  if (!IsRegularFile(directory + fileName)) {
    lookup->present = false;
    lookup->path = directory + fileName;
    return nullptr;
  }
  // The library names its dependencies without a directory ("libicuuc.so.50"),
  // which dlopen would look for only in the system's places; loaded here
  // first by their full path, they count as found.
  std::vector<std::unique_ptr<SharedLibrary>> loaded;
  for (const std::string& prefix : dependencies) {
    for (const std::string& name : FilesStartingWith(directory, prefix)) {
      LibraryLookup ignored;
      if (auto dependency = LoadPath(directory + name, &ignored))
        loaded.push_back(std::move(dependency));
    }
  }
  auto library = LoadPath(directory + fileName, lookup);
  if (library) library->dependencies_ = std::move(loaded);
  return library;
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadFromSystemSearch(const std::string& fileName,
                                                                   LibraryLookup* lookup) {
  // A name without a slash makes dlopen search the library path, the
  // system's cache and the standard directories (not the working
  // directory).
  void* handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    lookup->error = LastError();
    // The file itself was not found; any other reason (a library it needs,
    // another architecture) means it was.
    lookup->present = lookup->error.rfind(fileName + ": cannot open shared object file", 0) != 0;
    return nullptr;
  }
  lookup->present = true;
  const link_map* map = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr)
    lookup->path = map->l_name;
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() { ::dlclose(handle_); }

void* SharedLibrary::Find(const char* name) const { return ::dlsym(handle_, name); }

std::string SharedLibrary::FileVersion() const { return std::string(); }
