#include "app/form_settings.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "shell/report_list.h"
#include "shell/services.h"

namespace qm::app {

using shell::TwipsRect;

namespace {

constexpr TwipsRect kCheckPlace{3360, 2400, 3600, 255};
constexpr TwipsRect kApplyPlace{3360, 3000, 1455, 495};
constexpr TwipsRect kIgnoredLabelPlace{3360, 3840, 4200, 180};
constexpr TwipsRect kIgnoredListPlace{3360, 4080, 8190, 2400};
constexpr TwipsRect kRemovePlace{3360, 6720, 1455, 495};
const shell::FontDesc kSong9{"宋体", 9.0, false};

void SetText(HWND list, int row, int column, const std::string& text) {
  std::wstring w = win32::Widen(text);
  ListView_SetItemText(list, row, column, w.data());
}

std::string IgnoreListFile() {
  return IgnoreListPath(win32::ProgramFolder().value_or("."));
}
constexpr COLORREF kDarkGrey = RGB(64, 64, 64);
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

FormSettings::FormSettings()
    : NavigationForm(shell::FormKind::Settings, L"Quillmar.FormSettings", L"\\bgother.dll",
                     shell::ChromeButton::Settings, "设置") {}

std::string FormSettings::CurrentProfilePath() {
  return ProfilePath(win32::ProgramFolder().value_or("."));
}

bool FormSettings::LoadContents() {
  CheckBackupBeforeFix_ = AddCheckBox({.name = "CheckBackupBeforeFix",
                                       .twips = kCheckPlace,
                                       .text = "修复错误前进行备份",
                                       .text_color = kDarkGrey,
                                       .back_color = kWhite});
  if (auto* apply = AddCommand({.name = "CommandApplySettings", .twips = kApplyPlace})) {
    apply->Events().Click = Handler([this] { CommandApplySettings_Click(); });
  }
  AddLabel({.name = "LabelIgnored",
            .twips = kIgnoredLabelPlace,
            .text = "不再列出、也不会删除的值和键：",
            .color = kDarkGrey,
            .font = kSong9});
  ListViewIgnored_ = shell::AddReportList(*this, "ListViewIgnored", kIgnoredListPlace,
                                          {{"根键", 2200}, {"键", 4000}, {"值名称", 1800}}, 0);
  if (auto* remove = AddCommand({.name = "CommandRemoveIgnored", .twips = kRemovePlace})) {
    remove->Events().Click = Handler([this] { CommandRemoveIgnored_Click(); });
  }
  // An unreadable list shows empty; nothing is written until a removal,
  // which reads the file again and reports that it cannot.
  const Result<IgnoreList> shown = LoadIgnoreList(files_, IgnoreListFile());
  ShowIgnored(shown.ok() ? shown.value() : IgnoreList{}, 0);

  // Nothing ever writes a default, and the file is the user's to edit: an
  // absent or unreadable value shows the box ticked, as the repair run
  // then backs up.
  const bool on = ReadBackupBeforeFix(profile_, CurrentProfilePath());
  if (CheckBackupBeforeFix_ != nullptr) {
    SendMessageW(CheckBackupBeforeFix_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    SetFocusedChild(CheckBackupBeforeFix_);
  }
  return true;
}

void FormSettings::ShowIgnored(const IgnoreList& list, int select) {
  if (ListViewIgnored_ == nullptr) return;
  shown_ = list.Entries();
  ListView_DeleteAllItems(ListViewIgnored_);
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    std::wstring root = win32::Widen(shown_[i].root);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = root.data();
    const int at = ListView_InsertItem(ListViewIgnored_, &item);
    if (at < 0) continue;
    SetText(ListViewIgnored_, at, 1, text::DisplayUtf8(shown_[i].key_path));
    const auto& name = shown_[i].value_name;
    SetText(ListViewIgnored_, at, 2,
            !name           ? std::string("(整个键)")
            : name->empty() ? std::string("(默认)")
                            : text::DisplayUtf8(*name));
  }
  // Lines the list cannot read stay in the file; they are shown after the
  // entries, so the user knows to mend them there.
  for (const DamagedLine& d : list.Damaged()) {
    std::wstring what = win32::Widen("无法读取");
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(ListViewIgnored_);
    item.pszText = what.data();
    const int at = ListView_InsertItem(ListViewIgnored_, &item);
    if (at >= 0) {
      SetText(ListViewIgnored_, at, 1,
              "第 " + std::to_string(d.line) + " 行：" + text::DisplayUtf8(d.text));
    }
  }
  if (shown_.empty()) return;
  const int row = std::min(select, static_cast<int>(shown_.size()) - 1);
  const UINT mark = LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(ListViewIgnored_, row, mark, mark);
  ListView_EnsureVisible(ListViewIgnored_, row, FALSE);
}

void FormSettings::CommandRemoveIgnored_Click() {
  if (ListViewIgnored_ == nullptr) return;
  const int row = ListView_GetNextItem(ListViewIgnored_, -1, LVNI_SELECTED);
  const std::string path = IgnoreListFile();
  if (row >= 0 && static_cast<std::size_t>(row) >= shown_.size()) {
    shell::ShowMessage(Handle(), "这一行无法读取，请在 " + path + " 中修改或删除它。",
                       kMessageInformation);
    return;
  }
  if (row < 0) return;
  IgnoreList now;
  const IgnoreStatus status = RemoveFromIgnoreFile(files_, path, shown_[row], &now);
  if (status == IgnoreStatus::kOk) {
    ShowIgnored(now, row);
    return;
  }
  if (status == IgnoreStatus::kNoSuchEntry) {
    // Taken off by hand or by another window meanwhile: show what is there.
    const Result<IgnoreList> there = LoadIgnoreList(files_, path);
    ShowIgnored(there.ok() ? there.value() : IgnoreList{}, row);
    return;
  }
  shell::ShowMessage(Handle(), "无法保存忽略列表：" + path + "\n该项仍在列表中。",
                     kMessageExclamation);
}

void FormSettings::CommandApplySettings_Click() {
  if (CheckBackupBeforeFix_ == nullptr) return;
  const bool on = SendMessageW(CheckBackupBeforeFix_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const std::string path = CurrentProfilePath();
  if (!WriteBackupBeforeFix(profile_, path, on)) {
    // The next repair follows the stored value, not the box: a user who
    // just asked for backups must not believe they are on.
    shell::ShowMessage(Handle(),
                       std::string(kSettingsNotSavedText) + path +
                           "\n设置文件无法写入，修复时仍按原来保存的设置进行。",
                       kMessageExclamation);
  }
}

}  // namespace qm::app
