#include "app/form_settings.h"

#include "platform/win32/program_folder.h"
#include "profile/profile_store.h"
#include "shell/services.h"

namespace qm::app {

using shell::TwipsRect;

namespace {

constexpr TwipsRect kCheckPlace{3360, 2400, 3600, 255};
constexpr TwipsRect kApplyPlace{3360, 3000, 1455, 495};
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
