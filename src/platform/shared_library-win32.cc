#include "platform/shared_library.h"

#include "platform/windows_headers-win32.h"

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                        nullptr, nullptr);
  return narrow;
}

bool IsRegularFile(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string LastError() {
  DWORD code = ::GetLastError();
  char text[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  std::string number = "error " + std::to_string(code);
  return n > 0 ? std::string(text, n) + " (" + number + ")" : number;
}

/// Takes the working directory out of the search for DLLs, for the library
/// and the DLLs it needs: a library planted there is never loaded. The
/// system directories, the Windows directory and PATH stay in it.
void LeaveOutTheWorkingDirectory() { ::SetDllDirectoryW(L""); }

/// Loads with the system's error boxes turned off, so that a damaged file
/// or a library of the wrong bitness gives an error code instead of a
/// dialog that waits for somebody to click it.
HMODULE LoadQuietly(const std::wstring& name, DWORD flags) {
  LeaveOutTheWorkingDirectory();
  UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ::SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = ::LoadLibraryExW(name.c_str(), nullptr, flags);
  DWORD error = ::GetLastError();
  ::SetErrorMode(previous);
  ::SetLastError(error);
  return module;
}

/// The path of a loaded module.
std::string ModulePath(HMODULE module) {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return std::string();
  path.resize(n);
  return Narrow(path);
}

}  // namespace

std::string SharedLibrary::ProgramDirectory() {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return "";
  path.resize(n);
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? "" : Narrow(path.substr(0, slash + 1));
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadPath(const std::string& path,
                                                       LibraryLookup* lookup) {
  std::wstring wide = Widen(path);
  lookup->path = path;
  lookup->present = IsRegularFile(wide);
  if (!lookup->present) return nullptr;
  // The library's own dependencies are looked for beside it.
  HMODULE module = LoadQuietly(wide, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    lookup->error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadFromDirectory(
    const std::string& directory, const std::string& fileName,
    const std::vector<std::string>& /*dependencies: found beside it by Windows*/,
    LibraryLookup* lookup) {
  return LoadPath(directory + fileName, lookup);
}

std::unique_ptr<SharedLibrary> SharedLibrary::LoadFromSystemSearch(const std::string& fileName,
                                                                   LibraryLookup* lookup) {
  std::wstring wide = Widen(fileName);
  HMODULE module = LoadQuietly(wide, 0);
  if (module == nullptr) {
    lookup->error = LastError();
    // A missing dependency and a missing file give the same code: the file
    // itself is present when the search finds it as data.
    HMODULE data = LoadQuietly(wide, LOAD_LIBRARY_AS_DATAFILE);
    lookup->present = data != nullptr;
    if (data != nullptr) ::FreeLibrary(data);
    return nullptr;
  }
  lookup->present = true;
  lookup->path = ModulePath(module);
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
}

SharedLibrary::~SharedLibrary() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* SharedLibrary::Find(const char* name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}
