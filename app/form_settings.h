// FormSettings: the settings window, with its one option, whether the
// repair run backs up the values before deleting them. The profile changes
// only when the user presses Apply.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/profile.h"
#include "shell/navigation_form.h"

namespace qm::app {

inline constexpr std::string_view kSettingsNotSavedText = "无法保存设置：";

class FormSettings final : public shell::NavigationForm {
 public:
  FormSettings();

  // For tests: the check box.
  [[nodiscard]] HWND CheckBox() const { return CheckBackupBeforeFix_; }

 private:
  [[nodiscard]] bool LoadContents() override;
  void CommandApplySettings_Click();

  [[nodiscard]] static std::string CurrentProfilePath();

  win32::Win32Profile profile_;
  HWND CheckBackupBeforeFix_ = nullptr;
};

}  // namespace qm::app
