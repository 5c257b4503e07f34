// The one way the kit reaches the program's windows: navigation and the
// main window's scan button ask the factory in use, so the kit names no
// window and never depends on which library the linker met first. The
// program installs its factory at start; window tests install their own
// stand-ins.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "shell/form_kind.h"

namespace qm::shell {

class Form;

class WindowFactory {
 public:
  virtual ~WindowFactory() = default;

  // A newly made, not yet loaded navigation window of `kind`; null for the
  // scan window, which only ShowScanWindow opens.
  [[nodiscard]] virtual std::unique_ptr<Form> MakeForm(FormKind kind) = 0;

  // Loads the scan window with `owner` (the main window) as owner, centres
  // it over it and shows it modally; returns when it has closed. Bit N of
  // `boxes` is set when the main window's CheckN is ticked.
  virtual void ShowScanWindow(HWND owner, std::uint32_t boxes) = 0;
};

// The factory in use, not owned; null before one is installed, when no
// window can be made. Returns the one installed before.
WindowFactory* InstallWindowFactory(WindowFactory* factory);
[[nodiscard]] WindowFactory* InstalledWindowFactory();

// Shortcuts through the installed factory; without one, nothing is made
// and nothing opens.
[[nodiscard]] std::unique_ptr<Form> MakeNavigationForm(FormKind kind);
void ShowScanWindow(HWND owner, std::uint32_t boxes);

}  // namespace qm::shell
