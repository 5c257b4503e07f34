// The program's windows as the shell's window tests see them, made through
// the window factory: the real main window, stand-ins with the chrome alone
// for the backup, settings and records windows, and a scan window whose
// every opening is recorded and may run a test's own modal window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "shell/window_factory.h"

namespace qm::shell::testing {

struct ScanWindowCalls {
  int count = 0;
  HWND owner = nullptr;
  std::uint32_t boxes = 0;              // of the last opening
  std::function<void(HWND owner)> run;  // what the opening does, if anything
};

ScanWindowCalls& ScanWindowRecorder();

class StandInWindows final : public WindowFactory {
 public:
  [[nodiscard]] std::unique_ptr<Form> MakeForm(FormKind kind) override;
  void ShowScanWindow(HWND owner, std::uint32_t boxes) override;
};

}  // namespace qm::shell::testing
