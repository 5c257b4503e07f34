// quillmar-cli backups: the backup manager's list, restore and delete.
#include <algorithm>

#include "cli/commands_win32.h"
#include "cli/console_win32.h"
#include "platform/file_system.h"
#include "repair/backup_writer.h"
#include "repair/win32/registry_editor_process.h"
#include "repair/win32/win32_backup_folder.h"

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

int Restore(win32::Win32BackupFolder& folder, const std::string& path) {
  if (folder.FileMissing(path)) {
    Write(stderr, VanishedText(path));
    return 1;
  }
  // No window to keep alive while the editor imports: the wait only ends
  // with the editor.
  const std::uint32_t error = win32::RunRegistryEditorAndWait(path, [] { return true; });
  if (error != 0) {
    Write(stderr, "无法恢复备份文件：" + path +
                      "\nquillmar-cli: the registry editor could not be started (error " +
                      std::to_string(error) + ").\n");
    return 1;
  }
  Write(stdout, "Restored " + path + "\n");
  return 0;
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
  return args.action == BackupsAction::kRestore ? Restore(folder, path) : Delete(folder, path);
}

}  // namespace qm::cli
