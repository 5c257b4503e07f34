#include "platform/win32/window_base.h"

#include <exception>
#include <string>
#include <utility>

#include "platform/win32/wide.h"

namespace qm::win32 {
namespace {

std::function<void(std::string_view)>& FailureLog() {
  static std::function<void(std::string_view)> log;
  return log;
}

void LogFailure(UINT msg, std::string_view what) noexcept {
  try {
    std::string text = "Quillmar: a window handler failed on message " + std::to_string(msg) +
                       ": " + std::string(what);
    if (auto& log = FailureLog()) {
      log(text);
    } else {
      text += "\n";
      OutputDebugStringW(Widen(text).c_str());
    }
  } catch (...) {
    // Nothing is left to report with.
  }
}

}  // namespace

void SetWindowFailureLog(std::function<void(std::string_view text)> log) {
  FailureLog() = std::move(log);
}

LRESULT CALLBACK WindowBase::WindowProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if (auto* self = static_cast<WindowBase*>(cs->lpCreateParams); self != nullptr) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      const WNDPROC previous = std::exchange(self->previous_, nullptr);
      self->OnWindowGone();
      return previous != nullptr ? CallWindowProcW(previous, hwnd, msg, wp, lp)
                                 : DefWindowProcW(hwnd, msg, wp, lp);
    }
    return self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    LogFailure(msg, e.what());
  } catch (...) {
    LogFailure(msg, "an exception of unknown type");
  }
  return 0;
}

void WindowBase::Subclass(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowBase::WindowProcedure)));
}

void WindowBase::Detach() {
  if (previous_ == nullptr || !IsWindow(hwnd_)) return;
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  previous_ = nullptr;
}

}  // namespace qm::win32
