// The few system services the windows reach through one replaceable place,
// so that tests can stand in for them: message boxes (which block under a
// display without a user), opening addresses and files with the shell, and
// ending the process.
//
// Every message box of the program goes through ShowMessage. A message box
// runs its own message loop: window handlers can run while it is up, so a
// caller must expect its window's state to have changed when it returns.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/message_styles.h"

namespace qm::shell {

// The caption of every window and message box.
inline constexpr wchar_t kAppTitle[] = L"Quillmar";

struct Services {
  // Shows `text` (UTF-8) with `style` (message_styles.h) over `owner`; returns the answer (IDOK,
  // IDYES, ...).
  std::function<int(HWND owner, std::string_view text, UINT style)> message_box;
  // ShellExecuteW(owner, "open", target, no parameters, no folder, SW_SHOWNORMAL);
  // the result is the shell's (above 32 on success).
  std::function<INT_PTR(HWND owner, std::string_view target)> shell_open;
  // Ends the process with `code`. The real one does not return; a test's
  // stand-in does, so callers return straight after calling it.
  std::function<void(UINT code)> end_process;
};

// The services in use. Tests assign their own members and restore them with
// ResetServices().
[[nodiscard]] Services& AppServices();
void ResetServices();

// Shortcuts through AppServices().
int ShowMessage(HWND owner, std::string_view text, UINT style);
INT_PTR ShellOpen(HWND owner, std::string_view target);
void EndProcess(UINT code);

}  // namespace qm::shell
