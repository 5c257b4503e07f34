// quillmar-cli backups: the backup manager's list, restore and delete, and
// a comparison of a backup with the registry.
#include <windows.h>

#include <algorithm>
#include <iterator>

#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/registry_editor.h"
#include "platform/win32/wide.h"
#include "repair/backup_restore.h"
#include "repair/backup_writer.h"
#include "repair/reg_file_reader.h"
#include "repair/win32/backup_folder.h"
#include "repair/win32/code_page.h"

namespace qm::cli {

namespace {

std::string VanishedText(std::string_view path) {
  return "备份文件已不存在：" + std::string(path) + "\n";
}

// The whole file; 0 or the error of the call that failed.
std::uint32_t ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  win32::UniqueFile f(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return GetLastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.Get(), &size)) return GetLastError();
  // A backup holds what one repair deleted; a file beyond this is no backup.
  if (size.QuadPart > (1LL << 30)) return ERROR_FILE_TOO_LARGE;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!ReadFile(f.Get(), bytes.data() + done, want, &got, nullptr)) return GetLastError();
    if (got == 0) return ERROR_HANDLE_EOF;
    done += got;
  }
  return 0;
}

std::string ListText(const std::vector<BackupRow>& rows) {
  std::size_t width = 2;
  for (const auto& r : rows) width = std::max(width, r.id.size());
  std::string out = "ID" + std::string(width - 2 + 2, ' ') + "文件\n";
  for (const auto& r : rows)
    out += r.id + std::string(width - r.id.size() + 2, ' ') + r.name + "\n";
  return out;
}

// "KEY "name"" as in the file, "@" for the default value; an unpaired
// surrogate shows as U+FFFD.
std::string ValueText(const BackupEntry& e) {
  const std::string name = text::DisplayUtf8(e.value.name);
  return text::DisplayUtf8(e.key) + "  " + (name.empty() ? std::string("@") : "\"" + name + "\"");
}

std::string ErrorText(RegStatus status) {
  return " (error " + std::to_string(status) + ")";
}

// The file's values, or nothing after saying on standard error why the
// file cannot be read whole. `exit` is the status to end with then.
std::optional<RegFileContent> ReadBackup(win32::Win32BackupFolder& folder, const std::string& path,
                                         int& exit) {
  if (folder.FileMissing(path)) {
    Write(stderr, VanishedText(path));
    exit = 1;
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  const std::uint32_t error = ReadWholeFile(path, bytes);
  win32::Win32CodePage code_page;
  RegFileReadResult read;
  if (error == 0) read = ReadRegFile(bytes, code_page);
  if (error != 0 || !read.content) {
    std::string why = error != 0
                          ? "the file could not be read (error " + std::to_string(error) + ")"
                          : read.error;
    if (error == 0 && read.line > 0) why = "line " + std::to_string(read.line) + ": " + why;
    Write(stderr, "无法读取备份文件：" + path + "\nquillmar-cli: " + why +
                      ".\nNothing was written to the registry.\n");
    exit = 3;
    return std::nullopt;
  }
  return std::move(read.content);
}

int Restore(win32::Win32BackupFolder& folder, const std::string& path) {
  int exit = 0;
  const std::optional<RegFileContent> file = ReadBackup(folder, path, exit);
  if (!file) return exit;
  // Each value is written with its own type and bytes and read back: the
  // registry editor's import would add a NUL to string data lacking one
  // and report success for a file it could not read.
  win32::Win32RegistryEditor registry;
  const std::vector<ValueOutcome> outcomes = RestoreEntries(file->entries, registry);
  std::size_t restored = 0;
  std::string out;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const BackupEntry& e = file->entries[i];
    const ValueOutcome& o = outcomes[i];
    if (o.check == ValueCheck::kSame) {
      ++restored;
      out += "restored      " + ValueText(e) + "  " + RegTypeName(e.value.type) + ", " +
             std::to_string(e.value.data.size()) + " bytes\n";
      continue;
    }
    out += "NOT RESTORED  " + ValueText(e);
    switch (o.check) {
      case ValueCheck::kNotWritten:
        out += ": could not be written" + ErrorText(o.status) + "\n";
        break;
      case ValueCheck::kDiffers:
        out += ": the registry holds other data after the write\n";
        break;
      case ValueCheck::kMissing:
        out += ": not there after the write\n";
        break;
      default:
        out += ": could not be read back" + ErrorText(o.status) + "\n";
        break;
    }
  }
  out += "Restored " + std::to_string(restored) + " of " + std::to_string(outcomes.size()) +
         " values from " + path + "\n";
  Write(stdout, out);
  return restored == outcomes.size() ? 0 : 1;
}

int Verify(win32::Win32BackupFolder& folder, const std::string& path) {
  int exit = 0;
  const std::optional<RegFileContent> file = ReadBackup(folder, path, exit);
  if (!file) return exit;
  win32::Win32RegistryEditor registry;
  const std::vector<ValueOutcome> outcomes = CompareWithRegistry(file->entries, registry);
  std::size_t same = 0;
  std::string out;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const ValueOutcome& o = outcomes[i];
    const std::string what = ValueText(file->entries[i]);
    switch (o.check) {
      case ValueCheck::kSame:
        ++same;
        out += "same        " + what + "\n";
        break;
      case ValueCheck::kDiffers:
        out += "differs     " + what + "\n";
        break;
      case ValueCheck::kMissing:
        out += "missing     " + what + "\n";
        break;
      default:
        out += "unreadable  " + what + ErrorText(o.status) + "\n";
        break;
    }
  }
  out += std::to_string(same) + " of " + std::to_string(outcomes.size()) +
         " values are in the registry as in " + path + "\n";
  Write(stdout, out);
  return same == outcomes.size() ? 0 : 1;
}

int Delete(win32::Win32BackupFolder& folder, const std::string& path) {
  const std::uint32_t error = folder.Remove(path);
  if (error == kErrFileNotFound || error == kErrPathNotFound) {
    Write(stderr, VanishedText(path));
    return 1;
  }
  if (error != 0) {
    Write(stderr, "无法删除备份文件：" + path + "\n错误代码 " + std::to_string(error) + "。\n");
    return 1;
  }
  Write(stdout, "Deleted " + path + "\n");
  return 0;
}

}  // namespace

int BackupsCommand(const CliArgs& args) {
  const std::string program_folder = ProgramFolderOrDot();
  win32::Win32BackupFolder folder;
  const std::vector<BackupRow> rows =
      BuildBackupRows(folder.List(BackupFolderPath(program_folder)));
  if (args.action == BackupsAction::kList) {
    Write(stdout, ListText(rows));
    return 0;
  }
  const std::optional<std::size_t> row = FindBackupRow(rows, args.target);
  if (!row) {
    return UsageError("no backup has the ID or file name '" + args.target +
                      "' (see 'quillmar-cli backups list')");
  }
  const std::string path = BackupFilePath(program_folder, rows[*row].name);
  switch (args.action) {
    case BackupsAction::kRestore:
      return Restore(folder, path);
    case BackupsAction::kVerify:
      return Verify(folder, path);
    default:
      return Delete(folder, path);
  }
}

}  // namespace qm::cli
