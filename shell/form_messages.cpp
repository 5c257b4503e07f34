// Form: the window's messages, its timers and the message loop helpers.
#include "shell/form.h"
#include "shell/form_registry.h"

namespace qm::shell {

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // A handler may unload this window; the form outlives the handler.
  detail::HandlerScope scope;
  return HandleFormMessage(msg, wp, lp);
}

LRESULT Form::HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(wp, lp);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnButtonDown(kLeftButton, lp);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnButtonDown(kRightButton, lp);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnButtonDown(kMiddleButton, lp);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(kLeftButton, lp);
      return 0;
    case WM_RBUTTONUP:
      OnButtonUp(kRightButton, lp);
      return 0;
    case WM_MBUTTONUP:
      OnButtonUp(kMiddleButton, lp);
      return 0;
    case WM_CAPTURECHANGED:
      // Someone else took the pointer (the caption drag, a message box).
      if (reinterpret_cast<HWND>(lp) != hwnd_) {
        captured_ = nullptr;
        buttons_held_ = 0;
        left_pressed_ = nullptr;
      }
      return 0;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT) {
        POINT pt{};
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        Element* e = captured_ != nullptr ? captured_ : HitTest(pt.x, pt.y);
        SetCursor(LoadCursorW(nullptr, e != nullptr && e->hand_cursor ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_TIMER: {
      auto it = timers_.find(static_cast<UINT_PTR>(wp));
      if (it != timers_.end()) {
        auto tick = it->second;  // the tick may stop or restart its own timer
        tick();
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (LRESULT brush = OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp))) {
        return brush;
      }
      break;
    case WM_NOTIFY:
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU: {
      LRESULT result = 0;
      if (OnChildMessage(msg, wp, lp, result)) return result;
      break;
    }
    case WM_SYSCHAR:
      // Alt with a letter while no control has the focus: the skinned
      // button whose access key it is (DispatchFormMessage covers a
      // focused check box or list).
      if (button::win32::DispatchAccessKey(hwnd_, static_cast<wchar_t>(wp))) return 0;
      break;
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_ACTIVATE:
      // Keep the keyboard focus on the same control across deactivation
      // (a modal window, another program), as a dialog does.
      if (LOWORD(wp) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) focus_child_ = focus;
      } else if (focus_child_ != nullptr && IsWindow(focus_child_) &&
                 IsChild(hwnd_, focus_child_)) {
        SetFocus(focus_child_);
        return 0;
      }
      break;
    case WM_DESTROY:
      for (const auto& [id, tick] : timers_) KillTimer(hwnd_, id);
      timers_.clear();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Form::StartTimer(UINT_PTR id, UINT interval_ms, std::function<void()> tick) {
  timers_[id] = std::move(tick);
  SetTimer(hwnd_, id, interval_ms, nullptr);
}

void Form::StopTimer(UINT_PTR id) {
  KillTimer(hwnd_, id);
  timers_.erase(id);
}

// Message loop helpers ----------------------------------------------------

void DispatchFormMessage(MSG& msg) {
  if (msg.hwnd != nullptr && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root != nullptr && FormFromHandle(root) != nullptr) {
      // An access key goes to the skinned buttons before a check box or a
      // list with the focus turns it into a system-menu key; the dialog
      // manager would not find it (the buttons keep no window text).
      if (msg.message == WM_SYSCHAR &&
          button::win32::DispatchAccessKey(root, static_cast<wchar_t>(msg.wParam))) {
        return;
      }
      if (IsDialogMessageW(root, &msg)) return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    DispatchFormMessage(msg);
  }
  return true;
}

}  // namespace qm::shell
