// Stand-in for the scan window until the real one is linked in its place:
// a window with the scan window's chrome (skin, wide caption strip, exit
// button, not in the task bar, centred over the main window) that closes
// from its exit button and does nothing else.
#include "shell/chrome.h"
#include "shell/scan_window.h"

namespace qm::shell {
namespace {

class ScanWindowStandIn final : public ChromeForm {
 public:
  ScanWindowStandIn()
      : ChromeForm(FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()) {}

 private:
  bool OnLoad() override { return SetUpChrome(); }
  void ExitAction() override { Unload(); }
  void OnCloseRequest() override { Unload(); }
};

}  // namespace

void ShowScanWindow(HWND owner) {
  Form* scan = LoadForm(std::make_unique<ScanWindowStandIn>(), owner);
  if (scan == nullptr) return;
  scan->CentreOver(owner);
  scan->ShowModal();
}

}  // namespace qm::shell
