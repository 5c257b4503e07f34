// FormSettings: the settings window, with its one option, whether the
// repair run backs up the values before deleting them, and the ignore list.
// The profile changes only when the user presses Apply; an entry taken off
// the ignore list is saved at once.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/file_store.h"
#include "platform/win32/profile.h"
#include "profile/ignore_list.h"
#include "shell/navigation_form.h"

namespace qm::app {

inline constexpr std::string_view kSettingsNotSavedText = "无法保存设置：";

class FormSettings final : public shell::NavigationForm {
 public:
  FormSettings();

  // For tests: the check box.
  [[nodiscard]] HWND CheckBox() const { return CheckBackupBeforeFix_; }
  // For tests: the list of ignored entries.
  [[nodiscard]] HWND IgnoredList() const { return ListViewIgnored_; }

 private:
  [[nodiscard]] bool LoadContents() override;
  void CommandApplySettings_Click();
  void CommandRemoveIgnored_Click();
  void ShowIgnored(const IgnoreList& list, int select);

  [[nodiscard]] static std::string CurrentProfilePath();

  win32::Win32Profile profile_;
  win32::Win32FileStore files_;
  HWND CheckBackupBeforeFix_ = nullptr;
  HWND ListViewIgnored_ = nullptr;
  std::vector<IgnoreEntry> shown_;  // the list's rows, in order
};

}  // namespace qm::app
