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
  // Puts a window of another class (a common control) under this object:
  // its messages reach HandleMessage through the same guarded procedure,
  // which hands them on with CallPrevious. A plain window-procedure swap,
  // not a subclass through a window property, which under Wine costs a
  // round trip to the server per message. The window's GWLP_USERDATA must
  // be free. Detach gives the window back, for an object that goes first.
  void Subclass(HWND hwnd);
  void Detach();
  [[nodiscard]] LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp) {
    return CallWindowProcW(previous_, hwnd_, msg, wp, lp);
  }
  // Every message from WM_NCCREATE on, WM_NCDESTROY excepted.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;
  // WM_NCDESTROY: the window is going and no longer leads to this object.
  // It may delete the object; nothing touches it afterwards.
  virtual void OnWindowGone() {}

  // The window, from WM_NCCREATE on; what happens to it after WM_NCDESTROY
  // is the derived class's choice.
  HWND hwnd_ = nullptr;

 private:
  WNDPROC previous_ = nullptr;  // the class's own procedure of a subclassed window
};

// Where handler failures go; by default to OutputDebugStringW. Tests replace
// it and restore the default with an empty function.
void SetWindowFailureLog(std::function<void(std::string_view text)> log);

}  // namespace qm::win32
