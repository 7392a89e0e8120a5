#include "platform/shared_library.h"

#include "platform/windows_headers-win32.h"

#include <winver.h>

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

/// Whether |path| names its directory from a drive or a network share.
bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
         path.rfind(L"\\\\", 0) == 0;
}

/// The system directory (SysWOW64 for a 32-bit program on 64-bit Windows,
/// through the file system's redirection), the Windows directory and the
/// absolute directories of PATH, in this order.
std::vector<std::wstring> SearchDirectories() {
  std::vector<std::wstring> directories;
  wchar_t buffer[MAX_PATH + 1];
  UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) directories.emplace_back(buffer, n);
  n = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) directories.emplace_back(buffer, n);
  DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size == 0) return directories;
  std::wstring path(size, L'\0');
  size = ::GetEnvironmentVariableW(L"PATH", path.data(), size);
  path.resize(size);
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L';', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring entry = path.substr(start, end - start);
    if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"')
      entry = entry.substr(1, entry.size() - 2);
    if (IsAbsolute(entry)) directories.push_back(entry);
    start = end + 1;
  }
  return directories;
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
    // Windows' texts name the file as "%1".
    lookup->error = LastError();
    size_t insert = lookup->error.find("%1");
    if (insert != std::string::npos) lookup->error.replace(insert, 2, path);
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
  // The places of Windows' own search, looked through here by name, so
  // that neither the working directory nor a relative entry of PATH (".")
  // can supply the library, whatever the system's search mode.
  std::wstring name = Widen(fileName);
  for (const std::wstring& directory : SearchDirectories()) {
    std::wstring path = directory;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += name;
    if (!IsRegularFile(path)) continue;
    // The first file found decides, as in Windows' search.
    return LoadPath(Narrow(path), lookup);
  }
  lookup->present = false;
  return nullptr;
}

SharedLibrary::~SharedLibrary() { ::FreeLibrary(static_cast<HMODULE>(handle_)); }

void* SharedLibrary::Find(const char* name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string SharedLibrary::FileVersion() const {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(static_cast<HMODULE>(handle_), path.data(),
                                 static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return std::string();
  path.resize(n);
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::string();
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
      info == nullptr || length < sizeof *info)
    return std::string();
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info->dwFileVersionLS));
}
