#include "platform/win32/file_system.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
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

Status Win32FileSystem::QueryPath(std::string_view path) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return {};
  return Failure{GetLastError(), std::string(path)};
}

FolderList Win32FileSystem::ListFolder(std::string_view folder) {
  std::wstring pattern = Widen(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  // FindExInfoStandard: the basic level leaves the short name out.
  UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data,
                                   FindExSearchNameMatch, nullptr, 0));
  if (!find) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:  // a root with nothing in it, not even "."
        return {FolderListStatus::kListed, {}};
      case ERROR_PATH_NOT_FOUND:
      case ERROR_DIRECTORY:
      case ERROR_INVALID_NAME:
        return {FolderListStatus::kMissing, {}};
      default:
        return {FolderListStatus::kUnreadable, {}};
    }
  }
  FolderList list{FolderListStatus::kListed, {}};
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    list.names.push_back({Narrow(name), Narrow(data.cAlternateFileName)});
  } while (FindNextFileW(find.Get(), &data));
  // A listing cut short may have left out the very entry asked for.
  if (GetLastError() != ERROR_NO_MORE_FILES) list.status = FolderListStatus::kUnreadable;
  return list;
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
