#include "repair/win32/backup_disk.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

Result<PathKind> Win32BackupDisk::Inspect(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failure{GetLastError(), std::string(path)};
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

std::uint32_t Win32BackupDisk::CreateFolder(std::string_view path) {
  if (CreateDirectoryW(Widen(path).c_str(), nullptr)) return 0;
  return GetLastError();
}

namespace {

// Writes the whole of `bytes` to a new file and closes it, reporting the
// first failure: a short write (full disk) is a failure, and so is a close
// that fails, since the last data may be lost with it.
DWORD WriteWhole(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr)) {
      return GetLastError();
    }
    if (written == 0) return ERROR_DISK_FULL;
    done += written;
  }
  if (!FlushFileBuffers(file.Get())) return GetLastError();
  return CloseWrittenFile(file);
}

}  // namespace

std::uint32_t Win32BackupDisk::PublishNewFile(std::string_view path,
                                              std::span<const std::uint8_t> bytes) {
  // The file appears under its name only once it is complete: it is
  // written under a name of this process first, then renamed without
  // replacing, which also refuses a name another backup took meanwhile.
  const std::wstring target = Widen(path);
  const std::wstring partial = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  DWORD error = WriteWhole(partial, bytes);
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) DeleteFileW(partial.c_str());
  return error;
}

}  // namespace qm::win32
