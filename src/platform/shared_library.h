#ifndef BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_
#define BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_

#include <memory>
#include <string>
#include <vector>

/// How looking for a library file went.
struct LibraryLookup {
  bool present = false;  // a file of that name was found
  std::string path;      // where it was found, when that is known
  std::string error;     // the system's reason when it could not be loaded
};

/// A shared library loaded into the process; unloaded when destroyed.
class SharedLibrary {
 public:
  /// The directory of the running program, with a trailing separator;
  /// empty when it cannot be found.
  static std::string ProgramDirectory();

  /// Loads |fileName| from |directory| (which ends with a separator) only.
  /// A missing file or a directory of that name is not present; a file
  /// that is there but cannot be loaded (no library, another architecture
  /// or bitness, a library it needs is missing) is present, with the
  /// system's reason. The files named by |dependencies| (name prefixes,
  /// "libicuuc.so" takes "libicuuc.so.50") that lie in the directory are
  /// loaded first, in that order, so that the library finds them there;
  /// Windows finds a library's own DLLs beside it anyway.
  static std::unique_ptr<SharedLibrary> LoadFromDirectory(
      const std::string& directory, const std::string& fileName,
      const std::vector<std::string>& dependencies, LibraryLookup* lookup);

  /// Loads |fileName| through the system's search for libraries, which
  /// never includes the working directory: on Windows the system
  /// directory, the Windows directory and the absolute directories of PATH
  /// (the first file found there decides), on Linux the library path and
  /// the system's cache and directories.
  static std::unique_ptr<SharedLibrary> LoadFromSystemSearch(const std::string& fileName,
                                                             LibraryLookup* lookup);

  /// Loads the library at |path| exactly, without any search.
  static std::unique_ptr<SharedLibrary> LoadPath(const std::string& path, LibraryLookup* lookup);

  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  /// The address of the exported function |name|, or null when the
  /// library does not export it.
  void* Find(const char* name) const;

  /// The file version of the library's version resource, "A.B.C.D";
  /// empty where libraries carry none (outside Windows) or it lacks one.
  std::string FileVersion() const;

  /// Find() taken as a pointer to a function of type |Function|. A 32-bit
  /// Windows library may export a stdcall function only under its
  /// decorated name "_Name@N" (N the bytes of its arguments): that name is
  /// tried when the plain one is missing.
  template <typename Function>
  Function FindFunction(const char* name) const {
    void* address = Find(name);
#if defined(_WIN32) && !defined(_WIN64)
    if (address == nullptr)
      address = Find(
          ("_" + std::string(name) + "@" + std::to_string(StdcallArgumentBytes<Function>::value))
              .c_str());
#endif
    return reinterpret_cast<Function>(address);
  }

  /// The bytes of the arguments of a stdcall function on 32-bit Windows,
  /// each rounded up to 4.
  template <typename Function>
  struct StdcallArgumentBytes;
#if defined(_WIN32) && !defined(_WIN64)
  template <typename Result, typename... Arguments>
  struct StdcallArgumentBytes<Result(__stdcall*)(Arguments...)> {
    static constexpr unsigned value = (((sizeof(Arguments) + 3) / 4 * 4) + ... + 0u);
  };
#endif

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}

  void* handle_;  // the system's handle of the loaded library
  // Libraries loaded before this one for it: unloaded after it.
  std::vector<std::unique_ptr<SharedLibrary>> dependencies_;
};

#endif  // BRINDLEMARK_PLATFORM_SHARED_LIBRARY_H_
