#ifndef BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_
#define BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_

#include <memory>
#include <string>

/// A shared library loaded into the process; unloaded when destroyed.
class SharedLibrary {
 public:
  /// Loads the library file |fileName|: from the directory of the running
  /// program first, then through the system's standard search (a name
  /// with a directory is loaded from that directory only). A file that is no library, one built for
  /// another architecture or bitness, or a directory of that name is
  /// passed over. Null with |error| set to the system's reason when no
  /// library could be loaded.
  static std::unique_ptr<SharedLibrary> Load(const std::string& fileName, std::string* error);

  /// Loads the library at |path| exactly, without any search. Null with
  /// |error| set when it cannot be loaded.
  static std::unique_ptr<SharedLibrary> LoadPath(const std::string& path, std::string* error);

  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  /// The address of the exported function |name|, or null when the
  /// library does not export it.
  void* Find(const char* name) const;

  /// The file version of the library's version resource, "A.B.C.D";
  /// empty where libraries carry none (outside Windows) or it lacks one.
  std::string FileVersion() const;

  /// Find() taken as a pointer to a function of type |Function|.
  template <typename Function>
  Function FindFunction(const char* name) const {
    return reinterpret_cast<Function>(Find(name));
  }

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}

  void* handle_;  // the system's handle of the loaded library
};

#endif  // BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_
