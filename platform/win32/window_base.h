// The one skeleton of the program's own windows (the forms and the skinned
// button): the object rides on the window from WM_NCCREATE to WM_NCDESTROY,
// and the window procedure is noexcept. Handlers of the program run inside
// it; an exception one of them lets out ends that message, not the program:
// it is logged as a failure (OutputDebugString) and the message answers 0.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

namespace qm::win32 {

class WindowBase {
 public:
  WindowBase() = default;
  virtual ~WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // The window procedure of every class these windows are made of. The
  // creation parameter (CreateWindowExW's last argument) must be CreateParam().
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

 protected:
  [[nodiscard]] void* CreateParam() { return static_cast<WindowBase*>(this); }
  // Every message from WM_NCCREATE on, WM_NCDESTROY excepted.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;
  // WM_NCDESTROY: the window is going and no longer leads to this object.
  // It may delete the object; nothing touches it afterwards.
  virtual void OnWindowGone() {}

  // The window, from WM_NCCREATE on; what happens to it after WM_NCDESTROY
  // is the derived class's choice.
  HWND hwnd_ = nullptr;
};

// Where handler failures go; by default to OutputDebugStringW. Tests replace
// it and restore the default with an empty function.
void SetWindowFailureLog(std::function<void(std::string_view text)> log);

}  // namespace qm::win32
