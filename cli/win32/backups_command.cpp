// quillmar-cli backups: the backup manager's list, restore and delete, and
// a comparison of a backup with the registry.
#include <windows.h>

#include <algorithm>
#include <iterator>

#include "cli/backup_report.h"
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "platform/file_system.h"
#include "platform/text.h"
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

std::string ListText(const std::vector<BackupRow>& rows) {
  std::size_t width = 2;
  for (const auto& r : rows) width = std::max(width, r.id.size());
  std::string out = "ID" + std::string(width - 2 + 2, ' ') + "文件\n";
  for (const auto& r : rows)
    out += r.id + std::string(width - r.id.size() + 2, ' ') + r.name + "\n";
  return out;
}

std::string ErrorText(RegStatus status) {
  return " (error " + std::to_string(status) + ")";
}

// The file's values, or nothing after saying on standard error why the
// file cannot be read whole or is damaged. `exit` is the status to end
// with then; `seal` says what the file's check line says.
std::optional<RegFileContent> ReadBackup(win32::Win32BackupFolder& folder, const std::string& path,
                                         int& exit, SealCheck& seal) {
  if (folder.FileMissing(path)) {
    Write(stderr, VanishedText(path));
    exit = 1;
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  if (const std::uint32_t error = folder.ReadWhole(path, bytes); error != 0) {
    Write(stderr, UnreadableBackupText(
                      path, "the file could not be read (error " + std::to_string(error) + ")"));
    exit = 3;
    return std::nullopt;
  }
  win32::Win32CodePage code_page;
  RegFileReadResult read = ReadRegFile(bytes, code_page);
  seal = read.seal;
  if (!read.content) {
    Write(stderr, BackupRefusedText(path, read));
    exit = 3;
  }
  return std::move(read.content);
}

int Restore(win32::Win32BackupFolder& folder, const std::string& path) {
  int exit = 0;
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(folder, path, exit, seal);
  if (!file) return exit;
  if (seal.verdict == SealVerdict::kUnsealed) {
    Write(stderr, UnverifiedRestoreWarning(path));
  }
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
      out += "restored      " + BackupValueText(e) + "  " + RegTypeName(e.value.type) + ", " +
             std::to_string(e.value.data.size()) + " bytes\n";
      continue;
    }
    out += "NOT RESTORED  " + BackupValueText(e);
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
  SealCheck seal;
  const std::optional<RegFileContent> file = ReadBackup(folder, path, exit, seal);
  if (!file) return exit;
  win32::Win32RegistryEditor registry;
  const std::vector<ValueOutcome> outcomes = CompareWithRegistry(file->entries, registry);
  Write(stdout, VerifyText(path, seal, file->entries, outcomes));
  return VerifyExitStatus(outcomes);
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
