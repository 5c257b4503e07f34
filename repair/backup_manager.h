// The backup manager's operations: filling the list from the backup folder,
// handing the selected file to the registry editor, and deleting it after
// asking. The window binds them to its list and buttons.
//
// Every message runs a modal loop in which the window's handlers can run
// again (Delete pressed while its question is up): each operation takes the
// file's path before it shows anything and never relies on the list staying
// as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/message_styles.h"
#include "repair/backup_list.h"
#include "repair/backup_seal.h"

namespace qm {

inline constexpr std::string_view kNoBackupToRestoreText = "没有备份文件可用于恢复。";
inline constexpr std::string_view kNoFileToDeleteText = "没有文件可删除。";

// Column "状态": the file's check line matches, does not, or is missing
// (or the file could not be read to look).
inline constexpr std::string_view kBackupIntactText = "完好";
inline constexpr std::string_view kBackupDamagedText = "已损坏";
inline constexpr std::string_view kBackupUnverifiedText = "无法校验";

// Restore's refusal of a damaged file.
[[nodiscard]] std::string DamagedBackupText(std::string_view path);

// "确定要删除：" path "吗？"
[[nodiscard]] std::string DeleteQuestionText(std::string_view path);

// The backup folder on disk.
class BackupFolder {
 public:
  virtual ~BackupFolder() = default;
  // The entries of `folder` that match kBackupListPattern, in the order the
  // system lists them; nothing when the folder is missing.
  [[nodiscard]] virtual std::vector<FolderEntry> List(std::string_view folder) = 0;
  // True only when the system answers that nothing of that name exists.
  [[nodiscard]] virtual bool FileMissing(std::string_view path) = 0;
  // 0, or the platform's error code.
  [[nodiscard]] virtual std::uint32_t Remove(std::string_view path) = 0;
  // The whole file into `bytes`: 0, or the platform's error code.
  [[nodiscard]] virtual std::uint32_t ReadWhole(std::string_view path,
                                                std::vector<std::uint8_t>& bytes) = 0;
};

// The ways a backup file reaches the registry editor.
class BackupOpener {
 public:
  virtual ~BackupOpener() = default;
  // Opens the file with the program the system associates with it; the
  // system's answer, above 32 on success.
  [[nodiscard]] virtual std::intptr_t OpenWithShell(std::string_view path) = 0;
  // Starts the registry editor with the file and returns when it has ended:
  // 0, or the platform's error code when it could not be started. (The
  // editor's exit code says nothing about the import.)
  [[nodiscard]] virtual std::uint32_t RunRegistryEditor(std::string_view path) = 0;
};

// The window: its list and its messages.
class BackupListView {
 public:
  virtual ~BackupListView() = default;
  // Replaces every row of the list and selects the first.
  virtual void ShowRows(const std::vector<BackupRow>& rows) = 0;
  // The list position Restore and Delete act on (RowToActOn).
  [[nodiscard]] virtual std::optional<std::size_t> ActedRow() = 0;
  // A modal message with `style`; the user's answer.
  virtual int Message(std::string_view text, int style) = 0;
};

class BackupManager {
 public:
  BackupManager(std::string program_folder, BackupFolder& folder, BackupOpener& opener,
                BackupListView& view)
      : program_folder_(std::move(program_folder)), folder_(folder), opener_(opener), view_(view) {}

  // Empties the list and fills it from the folder, each file's state read
  // from its check line.
  void Refresh();
  // Hands the selected file to the registry editor: through the system's
  // association, and when that fails, to the editor itself. A file that is
  // gone, damaged (its check line does not match, looked at now), or that
  // neither way could open, is reported and the list is refilled; a file
  // handed over leaves the list as it is.
  void Restore();
  // Asks, deletes the selected file on Yes, reports a file that is gone or
  // could not be deleted, and refills the list whatever happened.
  void Delete();

  [[nodiscard]] const std::vector<BackupRow>& Rows() const { return rows_; }

 private:
  [[nodiscard]] std::optional<std::string> ActedPath();
  [[nodiscard]] SealVerdict Seal(const std::string& path);

  std::string program_folder_;
  BackupFolder& folder_;
  BackupOpener& opener_;
  BackupListView& view_;
  std::vector<BackupRow> rows_;
  // The registry editor started by Restore is still open.
  bool restoring_ = false;
};

}  // namespace qm
