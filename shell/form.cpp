// Form: lifetime (creation, loading, unloading) and placement on the screen.
#include "shell/form.h"

#include <string>
#include <utility>

#include "platform/win32/system_error.h"
#include "shell/form_internals.h"
#include "shell/form_registry.h"
#include "shell/resource_ids.h"
#include "shell/services.h"

namespace qm::shell {
namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;

// Set by a failed load until the program takes it.
bool load_failed = false;

}  // namespace

Form::Form(FormKind kind, const wchar_t* class_name) : kind_(kind), class_name_(class_name) {}

Form::~Form() {
  if (hwnd_ != nullptr && !destroyed_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

DWORD Form::CreateHidden(HWND owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, class_name_, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form::WindowProcedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIdAppIcon), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIdAppIcon), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.lpszClassName = class_name_;
    if (RegisterClassExW(&wc) == 0) {
      const DWORD error = GetLastError();
      if (error != ERROR_CLASS_ALREADY_EXISTS) return error;
    }
  }
  // Navigation windows stand alone in the task bar; an owned window (the
  // scan window) stays off it.
  const DWORD ex_style = WS_EX_CONTROLPARENT | (owner == nullptr ? WS_EX_APPWINDOW : 0);
  const HWND hwnd =
      CreateWindowExW(ex_style, class_name_, kAppTitle, kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      kClientWidth, kClientHeight, owner, nullptr, instance, CreateParam());
  if (hwnd == nullptr) return GetLastError();
  modal_owner_ = owner;
  return 0;
}

Form* LoadForm(std::unique_ptr<Form> form, HWND owner) {
  detail::HandlerScope scope;
  if (!form) return nullptr;
  Form* f = form.get();
  if (const DWORD error = f->CreateHidden(owner); error != 0) {
    ShowMessage(
        owner,
        "无法创建窗口：" + win32::SystemErrorText(error) + "（" + std::to_string(error) + "）",
        kMessageError);
    load_failed = true;
    return nullptr;
  }
  detail::AdoptForm(std::move(form));
  if (!f->OnLoad()) {
    // The load step has reported; the half-loaded window must not stay.
    f->Unload();
    load_failed = true;
    return nullptr;
  }
  return f;
}

bool TakeLoadFailure() {
  return std::exchange(load_failed, false);
}

int Form::Left() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return r.left;
}

int Form::Top() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return r.top;
}

void Form::SetLeft(int x) {
  SetWindowPos(hwnd_, nullptr, x, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetTop(int y) {
  SetWindowPos(hwnd_, nullptr, Left(), y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::CentreOnScreen() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - kClientWidth) / 2,
               work.top + (work.bottom - work.top - kClientHeight) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::CentreOver(HWND owner) {
  RECT r{};
  GetWindowRect(owner, &r);
  SetWindowPos(hwnd_, nullptr, r.left + (r.right - r.left - kClientWidth) / 2,
               r.top + (r.bottom - r.top - kClientHeight) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetFocusedChild(HWND child) {
  focus_child_ = child;
  SetFocus(child);
}

void Form::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void Form::ShowModal() {
  detail::HandlerScope scope;
  const HWND owner = modal_owner_;
  if (owner != nullptr) EnableWindow(owner, FALSE);
  Show();
  MSG msg;
  while (!destroyed_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    DispatchFormMessage(msg);
  }
  if (!destroyed_) Unload();
  if (owner != nullptr && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
}

void Form::Unload() {
  if (hwnd_ == nullptr || destroyed_) return;
  // The owner must be usable again before this window goes, or the system
  // activates some other program's window.
  if (modal_owner_ != nullptr && IsWindow(modal_owner_)) EnableWindow(modal_owner_, TRUE);
  DestroyWindow(hwnd_);
}

std::function<void()> Form::Handler(std::function<void()> f) {
  return [f = std::move(f)] {
    detail::HandlerScope scope;
    f();
  };
}

void Form::OnWindowGone() {
  detail::HandlerScope scope;
  destroyed_ = true;
  detail::RetireForm(this);
}

}  // namespace qm::shell
