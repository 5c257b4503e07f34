// The program's window factory: the one place that names every window.
// main() installs it before the main window is made; window tests of the
// real windows install it too, for the navigation between them.
#pragma once

#include "shell/window_factory.h"

namespace qm::app {

class ProgramWindows final : public shell::WindowFactory {
 public:
  [[nodiscard]] std::unique_ptr<shell::Form> MakeForm(shell::FormKind kind) override;
  void ShowScanWindow(HWND owner, std::uint32_t boxes) override;
};

// The one factory the program uses.
[[nodiscard]] ProgramWindows& TheProgramWindows();

}  // namespace qm::app
