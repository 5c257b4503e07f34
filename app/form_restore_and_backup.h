// FormRestoreAndBackup: the backup manager window. Lists the backup files
// beside the program with the state their check lines give, hands the
// selected one to the registry editor unless it is damaged, and deletes it
// after asking. The operations live in BackupManager; this class
// binds them to the list view and the three buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "repair/backup_manager.h"
#include "repair/win32/backup_folder.h"
#include "shell/navigation_form.h"

namespace qm::app {

class FormRestoreAndBackup final : public shell::NavigationForm,
                                   private BackupListView,
                                   private BackupOpener {
 public:
  FormRestoreAndBackup();

  // For tests: the list view and the rows it shows.
  [[nodiscard]] HWND List() const { return ListViewBackups_; }
  [[nodiscard]] const BackupManager& Manager() const { return *manager_; }
  // For tests: stands in for starting the registry editor.
  void SetRegistryEditorRunner(std::function<std::uint32_t(std::string_view path)> run) {
    run_editor_ = std::move(run);
  }

 private:
  [[nodiscard]] bool LoadContents() override;

  void CommandRefresh_Click();
  void CommandRestore_Click();
  void CommandDelete_Click();

  // BackupListView
  void ShowRows(const std::vector<BackupRow>& rows) override;
  [[nodiscard]] std::optional<std::size_t> ActedRow() override;
  int Message(std::string_view text, int style) override;

  // BackupOpener
  [[nodiscard]] std::intptr_t OpenWithShell(std::string_view path) override;
  [[nodiscard]] std::uint32_t RunRegistryEditor(std::string_view path) override;

  [[nodiscard]] bool Alive() const { return IsWindow(Handle()) != FALSE; }

  win32::Win32BackupFolder folder_;
  std::unique_ptr<BackupManager> manager_;
  HWND ListViewBackups_ = nullptr;
  std::function<std::uint32_t(std::string_view path)> run_editor_;
};

}  // namespace qm::app
