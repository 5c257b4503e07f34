// The backup manager, settings and records windows: chrome, heading and
// navigation. Each window's own controls go into its LoadContents().
#pragma once

#include "shell/navigation_form.h"

namespace qm::shell {

class FormRestoreAndBackup final : public NavigationForm {
 public:
  FormRestoreAndBackup()
      : NavigationForm(FormKind::RestoreAndBackup, L"Quillmar.FormRestoreAndBackup",
                       L"\\bgother.dll", ChromeButton::Restore, "恢复备份") {}
  // The backup list and its buttons come here.
};

class FormSettings final : public NavigationForm {
 public:
  FormSettings()
      : NavigationForm(FormKind::Settings, L"Quillmar.FormSettings", L"\\bgother.dll",
                       ChromeButton::Settings, "设置") {}
  // The backup option and its Apply button come here.
};

class FormRecords final : public NavigationForm {
 public:
  FormRecords()
      : NavigationForm(FormKind::Records, L"Quillmar.FormRecords", L"\\bgother.dll",
                       ChromeButton::Records, "记录") {}
  // The three figures and the Refresh button come here.
};

}  // namespace qm::shell
