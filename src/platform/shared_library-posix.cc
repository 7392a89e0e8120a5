#include "platform/shared_library.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The directory of the running program, with a trailing slash; empty
/// when it cannot be found.
std::string ProgramDirectory() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return "";
  path.resize(static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/// dlopen's reason for the last failure.
std::string LastError() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "unknown error";
}

}  // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::LoadPath(const std::string& path,
                                                       std::string* error) {
  if (!IsRegularFile(path)) {
    *error = path + ": no such file";
    return nullptr;
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string& fileName,
                                                   std::string* error) {
  if (fileName.find('/') != std::string::npos) return LoadPath(fileName, error);
  std::string directory = ProgramDirectory();
  if (!directory.empty()) {
    auto library = LoadPath(directory + fileName, error);
    if (library) return library;
  }
  // A name without a slash makes dlopen search the library path, the
  // system's cache and the standard directories (not the working
  // directory).
  void* handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() { ::dlclose(handle_); }

void* SharedLibrary::Find(const char* name) const { return ::dlsym(handle_, name); }

std::string SharedLibrary::FileVersion() const { return std::string(); }
