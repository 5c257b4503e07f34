#include "repair/backup_manager.h"

#include <utility>

#include "platform/file_system.h"
#include "repair/backup_writer.h"

namespace qm {
namespace {

bool NotFound(std::uint32_t error) {
  return error == kErrFileNotFound || error == kErrPathNotFound;
}

std::string VanishedText(std::string_view path) {
  return "备份文件已不存在：" + std::string(path);
}

std::string RestoreFailedText(std::string_view path, std::intptr_t shell_answer,
                              std::uint32_t editor_error) {
  return "无法恢复备份文件：" + std::string(path) + "\n系统无法打开该文件（错误代码 " +
         std::to_string(shell_answer) + "），也无法启动注册表编辑器（错误代码 " +
         std::to_string(editor_error) + "）。";
}

std::string DeleteFailedText(std::string_view path, std::uint32_t error) {
  return "无法删除备份文件：" + std::string(path) + "\n错误代码 " + std::to_string(error) + "。";
}

}  // namespace

std::string DeleteQuestionText(std::string_view path) {
  return "确定要删除：" + std::string(path) + "吗？";
}

std::string DamagedBackupText(std::string_view path) {
  return "备份文件已损坏，不能恢复：" + std::string(path) +
         "\n文件的内容与它末尾的校验行不符，注册表未作任何更改。";
}

SealVerdict BackupManager::Seal(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (folder_.ReadWhole(path, bytes) != 0) return SealVerdict::kUnsealed;
  return CheckBackupSeal(bytes).verdict;
}

void BackupManager::Refresh() {
  rows_ = BuildBackupRows(folder_.List(BackupFolderPath(program_folder_)));
  for (BackupRow& row : rows_) {
    switch (Seal(BackupFilePath(program_folder_, row.name))) {
      case SealVerdict::kIntact:
        row.state = kBackupIntactText;
        break;
      case SealVerdict::kDamaged:
        row.state = kBackupDamagedText;
        break;
      default:
        row.state = kBackupUnverifiedText;
        break;
    }
  }
  view_.ShowRows(rows_);
}

std::optional<std::string> BackupManager::ActedPath() {
  const std::optional<std::size_t> row = view_.ActedRow();
  if (!row || *row >= rows_.size()) return std::nullopt;
  return BackupFilePath(program_folder_, rows_[*row].name);
}

void BackupManager::Restore() {
  // A second press while the editor of the first is open would only stack
  // up editors over the same file.
  if (restoring_) return;
  const std::optional<std::string> path = ActedPath();
  if (!path) {
    view_.Message(kNoBackupToRestoreText, kMessageExclamation);
    return;
  }
  if (folder_.FileMissing(*path)) {
    view_.Message(VanishedText(*path), kMessageExclamation);
    Refresh();
    return;
  }
  // The registry editor would import whatever of a damaged file it reads.
  if (Seal(*path) == SealVerdict::kDamaged) {
    view_.Message(DamagedBackupText(*path), kMessageExclamation);
    Refresh();
    return;
  }
  const std::intptr_t shell_answer = opener_.OpenWithShell(*path);
  if (shell_answer > 32) return;
  // No association for ".reg" (or a broken one): the editor imports the
  // file just the same when it is given the file itself.
  if (folder_.FileMissing(*path)) {
    view_.Message(VanishedText(*path), kMessageExclamation);
    Refresh();
    return;
  }
  restoring_ = true;
  const std::uint32_t editor_error = opener_.RunRegistryEditor(*path);
  restoring_ = false;
  if (editor_error == 0) return;
  view_.Message(folder_.FileMissing(*path) ? VanishedText(*path)
                                           : RestoreFailedText(*path, shell_answer, editor_error),
                kMessageExclamation);
  Refresh();
}

void BackupManager::Delete() {
  const std::optional<std::string> path = ActedPath();
  if (!path) {
    view_.Message(kNoFileToDeleteText, kMessageExclamation);
  } else if (view_.Message(DeleteQuestionText(*path), kMessageQuestionYesNo) == kAnswerYes) {
    if (const std::uint32_t error = folder_.Remove(*path); error != 0) {
      view_.Message(NotFound(error) ? VanishedText(*path) : DeleteFailedText(*path, error),
                    kMessageExclamation);
    }
  }
  Refresh();
}

}  // namespace qm
