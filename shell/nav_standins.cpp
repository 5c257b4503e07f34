// Stand-ins for the backup manager, settings and records windows: chrome,
// heading and navigation only. The window tests link these so that they
// exercise the shell alone; the program links the real windows.
#include "shell/navigation_form.h"

namespace qm::shell {
namespace {

class StandIn final : public NavigationForm {
 public:
  StandIn(FormKind kind, const wchar_t* class_name, ChromeButton own, const char* heading)
      : NavigationForm(kind, class_name, L"\\bgother.dll", own, heading) {}
};

}  // namespace

std::unique_ptr<NavigationForm> MakeFormRestoreAndBackup() {
  return std::make_unique<StandIn>(FormKind::RestoreAndBackup, L"Quillmar.FormRestoreAndBackup",
                                   ChromeButton::Restore, "恢复备份");
}

std::unique_ptr<NavigationForm> MakeFormSettings() {
  return std::make_unique<StandIn>(FormKind::Settings, L"Quillmar.FormSettings",
                                   ChromeButton::Settings, "设置");
}

std::unique_ptr<NavigationForm> MakeFormRecords() {
  return std::make_unique<StandIn>(FormKind::Records, L"Quillmar.FormRecords",
                                   ChromeButton::Records, "记录");
}

}  // namespace qm::shell
