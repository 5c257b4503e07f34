// Driving real windows under Wine/Xvfb: the services replaced by recorders,
// message pumping with deadlines, real mouse input through SendInput, and
// reading the screen.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "shell/form.h"
#include "shell/services.h"
#include "tests/support/window_harness.h"

namespace qm::shell::testing {

using qm::testing::Pump;
using qm::testing::PumpUntil;
using qm::testing::RecordedMessage;
using qm::testing::SendMouse;

// Replaces the message box, shell and process-end services for one test.
class ServiceRecorder {
 public:
  ServiceRecorder() {
    AppServices().message_box = [this](HWND, std::string_view text, UINT style) {
      messages.push_back({std::string(text), style});
      return answer;
    };
    AppServices().shell_open = [this](HWND, std::string_view target) {
      opened.emplace_back(target);
      return INT_PTR{42};
    };
    AppServices().end_process = [this](UINT code) { ended.push_back(code); };
  }
  ~ServiceRecorder() { ResetServices(); }
  ServiceRecorder(const ServiceRecorder&) = delete;
  ServiceRecorder& operator=(const ServiceRecorder&) = delete;

  std::vector<RecordedMessage> messages;
  std::vector<std::string> opened;
  std::vector<UINT> ended;
  int answer = IDOK;
};

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
    DoEvents();
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
  return button == kLeftButton    ? MOUSEEVENTF_LEFTDOWN
         : button == kRightButton ? MOUSEEVENTF_RIGHTDOWN
                                  : MOUSEEVENTF_MIDDLEDOWN;
}
inline DWORD UpFlag(int button) {
  return button == kLeftButton    ? MOUSEEVENTF_LEFTUP
         : button == kRightButton ? MOUSEEVENTF_RIGHTUP
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
inline POINT ElementCentre(const Form& form, std::string_view name) {
  const Element* e = form.FindElement(name);
  if (e == nullptr) return {-1, -1};
  return ScreenPoint(form.Handle(), e->rect.left + e->rect.width / 2,
                     e->rect.top + e->rect.height / 2);
}

inline void ClickAt(POINT p, int button = kLeftButton) {
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
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, width, height, screen, left, top, SRCCOPY);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits),
                   static_cast<const DWORD*>(bits) + width * height);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
  }
  // Of a form's whole client area.
  explicit ScreenShot(HWND hwnd)
      : ScreenShot(ScreenPoint(hwnd, 0, 0).x, ScreenPoint(hwnd, 0, 0).y, kClientWidth,
                   kClientHeight) {}
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
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bitmap);
  const COLORREF c = GetPixel(mem, x, y);
  SelectObject(mem, old);
  DeleteDC(mem);
  return c;
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace qm::shell::testing
