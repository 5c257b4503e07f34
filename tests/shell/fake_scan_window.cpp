#include "fake_scan_window.h"

#include "app/form_scanner.h"
#include "shell/navigation_form.h"

namespace qm::shell::testing {
namespace {

// Chrome, heading and navigation only, so that the tests exercise the kit.
class StandIn final : public NavigationForm {
 public:
  StandIn(FormKind kind, const wchar_t* class_name, ChromeButton own, const char* heading)
      : NavigationForm(kind, class_name, L"\\bgother.dll", own, heading) {}
};

}  // namespace

ScanWindowCalls& ScanWindowRecorder() {
  static ScanWindowCalls calls;
  return calls;
}

std::unique_ptr<Form> StandInWindows::MakeForm(FormKind kind) {
  switch (kind) {
    case FormKind::Scanner:
      return std::make_unique<app::FormScanner>();
    case FormKind::RestoreAndBackup:
      return std::make_unique<StandIn>(kind, L"Quillmar.FormRestoreAndBackup",
                                       ChromeButton::Restore, "恢复备份");
    case FormKind::Settings:
      return std::make_unique<StandIn>(kind, L"Quillmar.FormSettings", ChromeButton::Settings,
                                       "设置");
    case FormKind::Records:
      return std::make_unique<StandIn>(kind, L"Quillmar.FormRecords", ChromeButton::Records,
                                       "记录");
    case FormKind::Repair:
      break;
  }
  return nullptr;
}

void StandInWindows::ShowScanWindow(HWND owner, std::uint32_t boxes) {
  auto& calls = ScanWindowRecorder();
  ++calls.count;
  calls.owner = owner;
  calls.boxes = boxes;
  if (calls.run) calls.run(owner);
}

}  // namespace qm::shell::testing
