// Driving the program's real windows under Wine/Xvfb: the services
// replaced by a recorder that answers, message pumping with deadlines, real
// pointer and key input, reading list views and the screen, and the
// program's folder (where the windows find RegBackups and ro.ini).
#pragma once

#include <windows.h>
// After windows.h, which it relies on.
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "button/button_types.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "shell/form.h"
#include "shell/services.h"

namespace qm::testing {

struct RecordedMessage {
  std::string text;
  UINT style = 0;
};

// Stands in for the message boxes, the shell's "open" and the ending of
// the process while it lives. Questions (Yes/No) get the queued answers, No
// when none is queued; other messages get OK. "Open" records its target and
// answers `shell_answer` without opening anything (42: the shell's success);
// with `shell_answer` reset the system opens it, through the prefix's
// associations, and its answer is recorded.
class ServiceRecorder {
 public:
  ServiceRecorder() {
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
      opened.emplace_back(target);
      open_answers.push_back(answer);
      return answer;
    };
    shell::AppServices().end_process = [this](UINT code) { ended.push_back(code); };
  }
  ~ServiceRecorder() { shell::ResetServices(); }
  ServiceRecorder(const ServiceRecorder&) = delete;
  ServiceRecorder& operator=(const ServiceRecorder&) = delete;

  std::vector<RecordedMessage> messages;
  std::deque<int> answers;
  // Runs once, inside the next message, as a user acting while it is up.
  std::function<void()> during_message;
  std::optional<INT_PTR> shell_answer = INT_PTR{42};
  std::vector<std::string> opened;    // the targets, in order
  std::vector<INT_PTR> open_answers;  // what "open" answered for each
  std::vector<UINT> ended;
};

inline void InitWindowControls() {
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
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

// The text of a list view cell, in UTF-8.
inline std::string ItemText(HWND list, int row, int column) {
  std::wstring buf(1024, L'\0');
  ListView_GetItemText(list, row, column, buf.data(), static_cast<int>(buf.size()));
  buf.resize(wcslen(buf.c_str()));
  return win32::Narrow(buf);
}

// The first row whose `column` holds `text`, or -1.
inline int FindRow(HWND list, int column, std::string_view text) {
  const int n = ListView_GetItemCount(list);
  for (int i = 0; i < n; ++i) {
    if (ItemText(list, i, column) == text) return i;
  }
  return -1;
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

// Real pointer input. It is sent from a helper thread while this thread
// keeps pumping, because a press can start a modal loop here (the system's
// window move) that only the later input ends.
inline void FromInputThread(const std::function<void()>& script) {
  std::atomic<bool> done{false};
  std::atomic<bool> back{false};
  std::thread input([&] {
    script();
    done = true;
    // Should this thread be held in a modal loop that waits for a button
    // (a window move started by a press the test did not expect), release
    // every button, so that the test goes on to fail instead of hanging.
    for (int i = 0; i < 20 && !back; ++i) Sleep(25);
    if (!back) {
      SendMouse(MOUSEEVENTF_LEFTUP);
      SendMouse(MOUSEEVENTF_RIGHTUP);
      SendMouse(MOUSEEVENTF_MIDDLEUP);
    }
  });
  while (!done) {
    shell::DoEvents();
    Sleep(2);
  }
  back = true;
  input.join();
  Pump(60);
}

// Puts the pointer at a screen point and reports the motion as the mouse does.
inline void RawMoveTo(int x, int y) {
  SetCursorPos(x, y);
  SendMouse(MOUSEEVENTF_MOVE);
  Sleep(30);
}

inline DWORD DownFlag(int button) {
  return button == button::kLeftButton    ? MOUSEEVENTF_LEFTDOWN
         : button == button::kRightButton ? MOUSEEVENTF_RIGHTDOWN
                                          : MOUSEEVENTF_MIDDLEDOWN;
}
inline DWORD UpFlag(int button) {
  return button == button::kLeftButton    ? MOUSEEVENTF_LEFTUP
         : button == button::kRightButton ? MOUSEEVENTF_RIGHTUP
                                          : MOUSEEVENTF_MIDDLEUP;
}

inline void MoveTo(int x, int y) {
  FromInputThread([=] { RawMoveTo(x, y); });
}
inline void Press(int button) {
  FromInputThread([=] {
    SendMouse(DownFlag(button));
    Sleep(30);
  });
}
inline void Release(int button) {
  FromInputThread([=] {
    SendMouse(UpFlag(button));
    Sleep(30);
  });
}

// Press at `from`, move in steps to `to`, release: one gesture.
inline void Drag(int button, POINT from, POINT to, int steps = 4) {
  FromInputThread([=] {
    RawMoveTo(from.x, from.y);
    SendMouse(DownFlag(button));
    Sleep(60);
    for (int i = 1; i <= steps; ++i) {
      RawMoveTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
      Sleep(30);
    }
    SendMouse(UpFlag(button));
    Sleep(60);
  });
}

// The screen point at client pixel (x, y) of `hwnd`.
inline POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

// The centre of a form's element on the screen.
inline POINT ElementCentre(const shell::Form& form, std::string_view name) {
  const shell::Element* e = form.FindElement(name);
  if (e == nullptr) return {-1, -1};
  return ScreenPoint(form.Handle(), e->rect.left + e->rect.width / 2,
                     e->rect.top + e->rect.height / 2);
}

inline void ClickAt(POINT p, int button = button::kLeftButton) {
  MoveTo(p.x, p.y);
  Press(button);
  Release(button);
}

// Posts a key press and release to the window with the keyboard focus, as
// the keyboard would: through the thread's message loop.
inline void Key(WORD vk) {
  const HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, vk, 1);
  PostMessageW(focus, WM_KEYUP, vk, (1u << 30) | (1u << 31) | 1);
  Pump(60);
}

// A copy of a screen rectangle, read back pixel by pixel.
class ScreenShot {
 public:
  ScreenShot(int left, int top, int width, int height) : w_(width), h_(height) {
    const win32::UniqueWindowDc screen(nullptr);
    const win32::UniqueMemoryDc mem(CreateCompatibleDC(screen.Get()));
    void* bits = nullptr;
    const win32::UniqueBitmap bmp = win32::CreateDib32(mem.Get(), width, height, &bits);
    // Black where the screen could not be read, so a check fails rather than crashes.
    pixels_.assign(static_cast<std::size_t>(width) * height, 0);
    if (!bmp || bits == nullptr) return;
    const win32::Selection selected(mem.Get(), bmp.Get());
    BitBlt(mem.Get(), 0, 0, width, height, screen.Get(), left, top, SRCCOPY);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits),
                   static_cast<const DWORD*>(bits) + width * height);
  }
  // Of a form's whole client area.
  explicit ScreenShot(HWND hwnd)
      : ScreenShot(ScreenPoint(hwnd, 0, 0).x, ScreenPoint(hwnd, 0, 0).y, shell::kClientWidth,
                   shell::kClientHeight) {}
  [[nodiscard]] COLORREF At(int x, int y) const {
    const DWORD p = pixels_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int w_, h_;
  std::vector<DWORD> pixels_;
};

// A pixel of a bitmap (a skin file or a resource picture).
inline COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
  const win32::UniqueMemoryDc mem(CreateCompatibleDC(nullptr));
  const win32::Selection selected(mem.Get(), bitmap);
  return GetPixel(mem.Get(), x, y);
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace qm::testing
