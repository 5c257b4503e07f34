#include "platform/win32/file_system.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// Calls one of the "fill this buffer with a folder" functions, growing the
// buffer when the answer does not fit. Empty text on failure.
template <typename Fn>
std::string FolderFrom(Fn fn) {
  std::vector<wchar_t> buf(MAX_PATH);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const UINT n = fn(buf.data(), static_cast<UINT>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return Narrow(std::wstring_view(buf.data(), n));
    buf.resize(n + 1);
  }
  return {};
}

}  // namespace

PathQuery Win32FileSystem::QueryPath(std::string_view path) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return {true, 0};
  return {false, GetLastError()};
}

std::string Win32FileSystem::SystemDirectory() {
  return FolderFrom([](wchar_t* b, UINT n) { return GetSystemDirectoryW(b, n); });
}

std::string Win32FileSystem::AlternateSystemDirectory() {
#if defined(_WIN64)
  return FolderFrom([](wchar_t* b, UINT n) { return GetSystemWow64DirectoryW(b, n); });
#else
  // A 32-bit program's view of System32 is redirected to SysWOW64; the
  // native folder is reached through Sysnative.
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return {};
  const std::string windows =
      FolderFrom([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); });
  return windows.empty() ? std::string() : windows + "\\Sysnative";
#endif
}

}  // namespace qm::win32
