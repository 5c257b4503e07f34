// Driving the program's real windows under Wine/Xvfb: the message service
// replaced by a recorder that answers, real pointer input through
// SendInput, message pumping with deadlines, and the program's folder
// (where the windows find RegBackups and ro.ini).
#pragma once

#include <windows.h>
// After windows.h, which it relies on.
#include <commctrl.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/program_folder.h"
#include "shell/form.h"
#include "shell/services.h"

namespace qm::testing {

struct RecordedMessage {
  std::string text;
  UINT style = 0;
};

// Stands in for the message boxes and the ending of the process while it
// lives. Questions get the queued answers (No when none is queued), other
// messages OK. The shell's "open" stays the system's unless a test
// replaces it; `opened` records what was opened and the system's answer.
class MessageRecorder {
 public:
  MessageRecorder() {
    shell::AppServices().message_box = [this](HWND, std::string_view text, UINT style) {
      messages.push_back({std::string(text), style});
      if (during_message) std::exchange(during_message, nullptr)();
      if ((style & MB_YESNO) == 0) return IDOK;
      if (answers.empty()) return IDNO;
      const int a = answers.front();
      answers.pop_front();
      return a;
    };
    auto system_open = shell::AppServices().shell_open;
    shell::AppServices().shell_open = [this, system_open](HWND owner, std::string_view target) {
      const INT_PTR answer = shell_answer ? *shell_answer : system_open(owner, target);
      opened.push_back({std::string(target), answer});
      return answer;
    };
    shell::AppServices().end_process = [this](UINT code) { ended.push_back(code); };
  }
  ~MessageRecorder() { shell::ResetServices(); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<RecordedMessage> messages;
  std::deque<int> answers;
  // Runs once, inside the next message, as a user acting while it is up.
  std::function<void()> during_message;
  // When set, the shell's "open" answers this without opening anything.
  std::optional<INT_PTR> shell_answer;
  std::vector<std::pair<std::string, INT_PTR>> opened;
  std::vector<UINT> ended;
};

inline void InitWindowControls() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

inline void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    shell::DoEvents();
    Sleep(5);
  } while (std::chrono::steady_clock::now() < end);
}

inline bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    shell::DoEvents();
    Sleep(5);
  }
  return true;
}

inline void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  in.mi.dx = dx;
  in.mi.dy = dy;
  SendInput(1, &in, sizeof(in));
}

// A real left click at a point of `hwnd`'s client area.
inline void ClickClient(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  SetCursorPos(p.x, p.y);
  Pump(40);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pump(40);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump(80);
}

// A real left click in the middle of a child control.
inline void ClickCentre(HWND child) {
  RECT r{};
  GetClientRect(child, &r);
  ClickClient(child, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
}

inline std::string ProgramFolderPath() {
  return win32::ProgramFolder().value_or(".");
}

// Loads a window, shows it at a fixed place and lets it paint.
template <typename FormT>
FormT* OpenWindow() {
  shell::Form* f = shell::LoadForm(std::make_unique<FormT>());
  if (f == nullptr) return nullptr;
  f->SetLeft(120);
  f->SetTop(100);
  f->Show();
  Pump(150);
  return static_cast<FormT*>(f);
}

inline void UnloadAllWindows() {
  for (shell::FormKind k :
       {shell::FormKind::Records, shell::FormKind::Repair, shell::FormKind::RestoreAndBackup,
        shell::FormKind::Scanner, shell::FormKind::Settings}) {
    if (shell::Form* f = shell::LoadedForm(k)) f->Unload();
  }
  Pump(50);
}

}  // namespace qm::testing
