#include "platform/win32/file_store.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// The new text beside the file, flushed, then renamed over it.
DWORD ReplaceThroughPartial(std::string_view path, std::string_view bytes) {
  const std::wstring target = Widen(path);
  const std::wstring partial = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  DWORD error = ERROR_SUCCESS;
  {
    UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    std::size_t done = 0;
    while (error == ERROR_SUCCESS && done < bytes.size()) {
      const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (!WriteFile(file.Get(), bytes.data() + done, part, &written, nullptr)) {
        error = GetLastError();
      } else if (written == 0) {
        error = ERROR_DISK_FULL;
      }
      done += written;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file.Get())) error = GetLastError();
    if (error == ERROR_SUCCESS) error = CloseWrittenFile(file);
  }
  if (error == ERROR_SUCCESS && !MoveFileExW(partial.c_str(), target.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) DeleteFileW(partial.c_str());
  return error;
}

}  // namespace

Result<std::string> ReadWholeFile(std::string_view path, std::uint64_t max_bytes) {
  const auto failed = [path](DWORD code) { return Failure{code, std::string(path)}; };
  std::string out;
  UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return failed(GetLastError());
  if (max_bytes != UINT64_MAX) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return failed(GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > max_bytes) return failed(ERROR_FILE_TOO_LARGE);
    out.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char chunk[16384];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) return failed(GetLastError());
    if (got == 0) break;
    out.append(chunk, got);
  }
  return out;
}

Result<std::string> Win32FileStore::ReadWhole(std::string_view path) {
  return ReadWholeFile(path);
}

Status Win32FileStore::ReplaceWhole(std::string_view path, std::string_view bytes) {
  const DWORD error = ReplaceThroughPartial(path, bytes);
  if (error != ERROR_SUCCESS) return Failure{error, std::string(path)};
  return {};
}

}  // namespace qm::win32
