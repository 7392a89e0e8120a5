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

/// The directory of the running program, with a trailing backslash;
/// empty when it cannot be found.
std::wstring ProgramDirectory() {
  std::wstring path(32768, L'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return L"";
  path.resize(n);
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
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
  return n > 0 ? std::string(text, n) : "error " + std::to_string(code);
}

/// Loads with the system's error boxes turned off, so that a damaged file
/// or a library of the wrong bitness gives an error code instead of a
/// dialog that waits for somebody to click it.
HMODULE LoadQuietly(const std::wstring& name, DWORD flags) {
  UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ::SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = ::LoadLibraryExW(name.c_str(), nullptr, flags);
  ::SetErrorMode(previous);
  return module;
}

}  // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::LoadPath(const std::string& path,
                                                       std::string* error) {
  std::wstring wide = Widen(path);
  if (!IsRegularFile(wide)) {
    *error = path + ": no such file";
    return nullptr;
  }
  // The library's own dependencies are looked for beside it.
  HMODULE module = LoadQuietly(wide, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
}

std::unique_ptr<SharedLibrary> SharedLibrary::Load(const std::string& fileName,
                                                   std::string* error) {
  if (fileName.find_first_of("\\/:") != std::string::npos) return LoadPath(fileName, error);
  std::wstring directory = ProgramDirectory();
  if (!directory.empty()) {
    std::wstring path = directory + Widen(fileName);
    if (IsRegularFile(path)) {
      HMODULE module = LoadQuietly(path, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (module != nullptr) return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
    }
  }
  HMODULE module = LoadQuietly(Widen(fileName), 0);
  if (module == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
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
