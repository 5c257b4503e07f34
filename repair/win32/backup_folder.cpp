#include "repair/win32/backup_folder.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/file_store.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {
namespace {

FolderEntry EntryOf(const WIN32_FIND_DATAW& data) {
  const DWORD a = data.dwFileAttributes;
  return {Narrow(data.cFileName), (a & FILE_ATTRIBUTE_DIRECTORY) != 0,
          (a & FILE_ATTRIBUTE_HIDDEN) != 0, (a & FILE_ATTRIBUTE_SYSTEM) != 0,
          (a & FILE_ATTRIBUTE_DEVICE) != 0};
}

}  // namespace

std::vector<FolderEntry> Win32BackupFolder::List(std::string_view folder) {
  std::vector<FolderEntry> entries;
  const std::wstring pattern = Widen(folder) + L"\\" + Widen(kBackupListPattern);
  WIN32_FIND_DATAW data{};
  // A missing folder, like an empty one, simply lists nothing.
  UniqueFind find(
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find) return entries;
  do {
    entries.push_back(EntryOf(data));
  } while (FindNextFileW(find.Get(), &data));
  return entries;
}

bool Win32BackupFolder::FileMissing(std::string_view path) {
  const std::wstring wide = Widen(path);
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::uint32_t Win32BackupFolder::Remove(std::string_view path) {
  const std::wstring wide = Widen(path);
  if (DeleteFileW(wide.c_str())) return 0;
  return GetLastError();
}

std::uint32_t Win32BackupFolder::ReadWhole(std::string_view path,
                                           std::vector<std::uint8_t>& bytes) {
  // A backup holds what one repair deleted; a file beyond this is no backup.
  const Result<std::string> read = ReadWholeFile(path, std::uint64_t{1} << 30);
  if (!read.ok()) return read.code();
  bytes.assign(read.value().begin(), read.value().end());
  return 0;
}

}  // namespace qm::win32
