#include "app/form_restore_and_backup.h"

#include <commctrl.h>

#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "repair/win32/registry_editor_process.h"
#include "shell/report_list.h"
#include "shell/services.h"

namespace qm::app {

using shell::TwipsRect;

namespace {

constexpr TwipsRect kListPlace{3360, 2040, 8190, 4440};
constexpr TwipsRect kRefreshPlace{3360, 6840, 1455, 495};
constexpr TwipsRect kRestorePlace{5040, 6840, 1455, 495};
constexpr TwipsRect kDeletePlace{6720, 6840, 1455, 495};

void SetText(HWND list, int row, int column, const std::string& text) {
  std::wstring w = win32::Widen(text);
  ListView_SetItemText(list, row, column, w.data());
}

}  // namespace

FormRestoreAndBackup::FormRestoreAndBackup()
    : NavigationForm(shell::FormKind::RestoreAndBackup, L"Quillmar.FormRestoreAndBackup",
                     L"\\bgother.dll", shell::ChromeButton::Restore, "恢复备份") {}

bool FormRestoreAndBackup::LoadContents() {
  manager_ = std::make_unique<BackupManager>(win32::ProgramFolder().value_or("."), folder_,
                                             static_cast<BackupOpener&>(*this),
                                             static_cast<BackupListView&>(*this));
  // The state column tells a damaged file (已损坏) from a sound one at a
  // glance; the name keeps most of the width.
  ListViewBackups_ = shell::AddReportList(*this, "ListViewBackups", kListPlace,
                                          {{"ID", 600}, {"文件", 6000}, {"状态", 1200}}, 0);

  const auto command = [this](const char* name, TwipsRect place,
                              void (FormRestoreAndBackup::*handler)()) {
    auto* c = AddCommand({.name = name, .twips = place});
    if (c != nullptr) c->Events().Click = Handler([this, handler] { (this->*handler)(); });
  };
  command("CommandRefresh", kRefreshPlace, &FormRestoreAndBackup::CommandRefresh_Click);
  command("CommandRestore", kRestorePlace, &FormRestoreAndBackup::CommandRestore_Click);
  command("CommandDelete", kDeletePlace, &FormRestoreAndBackup::CommandDelete_Click);

  manager_->Refresh();
  if (ListViewBackups_ != nullptr) SetFocusedChild(ListViewBackups_);
  return true;
}

void FormRestoreAndBackup::CommandRefresh_Click() {
  manager_->Refresh();
}

void FormRestoreAndBackup::CommandRestore_Click() {
  manager_->Restore();
}

void FormRestoreAndBackup::CommandDelete_Click() {
  manager_->Delete();
}

void FormRestoreAndBackup::ShowRows(const std::vector<BackupRow>& rows) {
  // A message box of an earlier step may have let the user leave the window.
  if (!Alive() || ListViewBackups_ == nullptr) return;
  ListView_DeleteAllItems(ListViewBackups_);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::wstring id = win32::Widen(rows[i].id);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = id.data();
    const int at = ListView_InsertItem(ListViewBackups_, &item);
    if (at < 0) continue;
    SetText(ListViewBackups_, at, 1, rows[i].name);
    SetText(ListViewBackups_, at, 2, rows[i].state);
  }
  if (!rows.empty()) {
    const UINT mark = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(ListViewBackups_, 0, mark, mark);
    ListView_EnsureVisible(ListViewBackups_, 0, FALSE);
  }
}

std::optional<std::size_t> FormRestoreAndBackup::ActedRow() {
  if (!Alive() || ListViewBackups_ == nullptr) return std::nullopt;
  const int count = ListView_GetItemCount(ListViewBackups_);
  return RowToActOn(ListView_GetNextItem(ListViewBackups_, -1, LVNI_SELECTED),
                    ListView_GetNextItem(ListViewBackups_, -1, LVNI_FOCUSED),
                    count > 0 ? static_cast<std::size_t>(count) : 0);
}

int FormRestoreAndBackup::Message(std::string_view text, int style) {
  return shell::ShowMessage(Alive() ? Handle() : nullptr, text, static_cast<UINT>(style));
}

std::intptr_t FormRestoreAndBackup::OpenWithShell(std::string_view path) {
  return shell::ShellOpen(Alive() ? Handle() : nullptr, path);
}

std::uint32_t FormRestoreAndBackup::RunRegistryEditor(std::string_view path) {
  if (run_editor_) return run_editor_(path);
  return win32::RunRegistryEditorAndWait(path, [] { return shell::DoEvents(); });
}

}  // namespace qm::app
