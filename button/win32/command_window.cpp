#include "button/win32/command_window.h"

#include <windowsx.h>

#include "button/win32/offscreen_platform.h"

namespace qm::button::win32 {
namespace {

// Asks a button whether an access key is its own; it clicks when it is.
constexpr UINT kMsgAccessKey = WM_USER + 0x51;

std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

std::int16_t ButtonsHeld(WPARAM wp) {
  std::int16_t buttons = 0;
  if (wp & MK_LBUTTON) buttons |= kLeftButton;
  if (wp & MK_RBUTTON) buttons |= kRightButton;
  if (wp & MK_MBUTTON) buttons |= kMiddleButton;
  return buttons;
}

float X(LPARAM lp) {
  return static_cast<float>(GET_X_LPARAM(lp));
}
float Y(LPARAM lp) {
  return static_cast<float>(GET_Y_LPARAM(lp));
}

wchar_t Lower(wchar_t ch) {
  wchar_t buf[2] = {ch, 0};
  CharLowerW(buf);
  return buf[0];
}

}  // namespace

DWORD RegisterCommandClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kCommandClassName, &wc)) return 0;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &CommandWindow::WindowProcedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kCommandClassName;
  if (RegisterClassExW(&wc) == 0) {
    const DWORD error = GetLastError();
    return error == ERROR_CLASS_ALREADY_EXISTS ? 0 : error;
  }
  return 0;
}

CommandWindow::CommandWindow(CommandHost& host) : command_(*this, host) {}

DWORD CommandWindow::Create(HWND parent, int id, const RECT& bounds, CommandHost& host,
                            const PropertyStore& layout, std::unique_ptr<CommandWindow>& out) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (const DWORD error = RegisterCommandClass(instance); error != 0) return error;
  std::unique_ptr<CommandWindow> self(new CommandWindow(host));
  const HWND hwnd = CreateWindowExW(
      0, kCommandClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, bounds.left,
      bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, self->CreateParam());
  if (hwnd == nullptr) {
    // A refused WM_CREATE (no memory DC) may leave no error code behind.
    const DWORD error = GetLastError();
    return error != 0 ? error : static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
  }
  self->command_.Load(layout);
  self->loaded_ = true;
  self->command_.Resize();
  out = std::move(self);
  return 0;
}

CommandWindow::~CommandWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  ReleaseSurface();
}

void CommandWindow::ReleaseSurface() {
  canvas_.reset();
  font_selection_.Reset();
  image_selection_.Reset();
  image_.Reset();
  image_dc_.Reset();
}

void CommandWindow::OnWindowGone() {
  if (timer_on_) KillTimer(hwnd_, kTimer1);
  timer_on_ = false;
  hwnd_ = nullptr;
}

LRESULT CommandWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      OnCreate();
      return image_dc_.Get() ? 0 : -1;
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_LBUTTONDOWN:
      OnButtonDown(kLeftButton, wp, lp);
      return 0;
    case WM_RBUTTONDOWN:
      OnButtonDown(kRightButton, wp, lp);
      return 0;
    case WM_MBUTTONDOWN:
      OnButtonDown(kMiddleButton, wp, lp);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(kLeftButton, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      OnButtonUp(kRightButton, wp, lp);
      return 0;
    case WM_MBUTTONUP:
      OnButtonUp(kMiddleButton, wp, lp);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      OnDoubleClick();
      return 0;
    case WM_MOUSEMOVE:
      command_.Move(ButtonsHeld(wp), ShiftState(), X(lp), Y(lp));
      return 0;
    case WM_TIMER:
      if (wp == kTimer1) command_.Tick();
      return 0;
    case WM_KEYDOWN:
      command_.KeyDown(static_cast<std::int16_t>(wp), ShiftState());
      return 0;
    case WM_CHAR:
      command_.KeyPress(static_cast<std::int16_t>(wp));
      return 0;
    case WM_KEYUP:
      command_.KeyUp(static_cast<std::int16_t>(wp), ShiftState());
      return 0;
    case WM_SYSCHAR:
      if (DispatchAccessKey(GetParent(hwnd_), static_cast<wchar_t>(wp))) return 0;
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      command_.FocusGained();
      return 0;
    case WM_KILLFOCUS:
      command_.FocusLost();
      return 0;
    case kMsgAccessKey:
      return OnAccessKeyQuery(static_cast<wchar_t>(wp)) ? 1 : 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void CommandWindow::OnCreate() {
  const qm::win32::UniqueWindowDc screen(hwnd_);
  image_dc_ = qm::win32::UniqueMemoryDc(CreateCompatibleDC(screen.Get()));
  OnSize();
}

void CommandWindow::OnSize() {
  if (!image_dc_.Get()) return;
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  const int w = rc.right > 0 ? rc.right : 1;
  const int h = rc.bottom > 0 ? rc.bottom : 1;
  // A fresh image of the new size; the resize step repaints it at once.
  canvas_.reset();
  image_selection_.Reset();
  void* bits = nullptr;
  image_ = qm::win32::CreateDib32(image_dc_.Get(), w, h, &bits);
  if (!image_) return;
  image_selection_ = qm::win32::Selection(image_dc_.Get(), image_.Get());
  canvas_ =
      std::make_unique<GdiCanvas>(image_dc_.Get(), rc.right, rc.bottom, SysColor(kColorBtnFace));
  canvas_->Clear();
  if (loaded_) command_.Resize();
}

void CommandWindow::OnPaint() {
  const qm::win32::PaintScope paint(hwnd_);
  const RECT& area = paint.Area();
  if (paint.Dc() != nullptr && image_dc_.Get()) {
    BitBlt(paint.Dc(), area.left, area.top, area.right - area.left, area.bottom - area.top,
           image_dc_.Get(), area.left, area.top, SRCCOPY);
  }
}

void CommandWindow::OnButtonDown(std::int16_t button, WPARAM /*wp*/, LPARAM lp) {
  const std::weak_ptr<const void> alive = alive_;
  if (GetFocus() != hwnd_) SetFocus(hwnd_);
  if (alive.expired() || hwnd_ == nullptr) return;
  SetCapture(hwnd_);
  if (button == kLeftButton) click_armed_ = true;
  command_.Press(button, ShiftState(), X(lp), Y(lp));
}

void CommandWindow::OnButtonUp(std::int16_t button, WPARAM wp, LPARAM lp) {
  const std::weak_ptr<const void> alive = alive_;
  if (ButtonsHeld(wp) == 0 && GetCapture() == hwnd_) ReleaseCapture();
  const bool click = button == kLeftButton && click_armed_ &&
                     command_.Shape().Contains(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
  if (button == kLeftButton) click_armed_ = false;
  command_.Release(button, ShiftState(), X(lp), Y(lp));
  // The platform's click follows a press and a release of the primary
  // button over the button; the host's MouseUp may have destroyed it.
  if (click && !alive.expired()) command_.Click();
}

void CommandWindow::OnDoubleClick() {
  // The second press of a double click: no click follows its release.
  SetCapture(hwnd_);
  click_armed_ = false;
  command_.DoubleClick();
}

bool CommandWindow::OnAccessKeyQuery(wchar_t ch) {
  if (!access_key_ || !command_.Enabled() || !IsWindowVisible(hwnd_)) return false;
  if (static_cast<char32_t>(Lower(ch)) != *access_key_) return false;
  command_.AccessKey();
  return true;
}

bool DispatchAccessKey(HWND parent, wchar_t ch) {
  if (parent == nullptr) return false;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    if (GetClassNameW(child, name, 64) == 0 || lstrcmpW(name, kCommandClassName) != 0) continue;
    if (SendMessageW(child, kMsgAccessKey, ch, 0) != 0) return true;
  }
  return false;
}

Color CommandWindow::SysColor(int index) const {
  return static_cast<Color>(GetSysColor(index));
}

std::uintptr_t CommandWindow::WindowHandle() const {
  return reinterpret_cast<std::uintptr_t>(hwnd_);
}

void CommandWindow::EnableWindow(bool enabled) {
  if (hwnd_ != nullptr) ::EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void CommandWindow::UseFont(const FontSpec& desc) {
  if (!image_dc_.Get()) return;
  qm::win32::UniqueFont font = CreateButtonFont(desc);
  if (!font) return;  // keep the font in use
  font_selection_.Reset();
  font_ = std::move(font);
  font_selection_ = qm::win32::Selection(image_dc_.Get(), font_.Get());
}

Canvas* CommandWindow::Surface() {
  return canvas_.get();
}

void CommandWindow::PaintDone() {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CommandWindow::ShowImageNow() {
  if (hwnd_ != nullptr) UpdateWindow(hwnd_);
}

void CommandWindow::SetWindowShape(const WindowShape& shape) {
  if (hwnd_ == nullptr) return;
  qm::win32::UniqueRegion region(CreateRectRgn(0, 0, shape.width, shape.height));
  if (!region) return;
  for (const Rect& r : shape.removed) {
    const qm::win32::UniqueRegion cut(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    if (cut) CombineRgn(region.Get(), region.Get(), cut.Get(), RGN_DIFF);
  }
  // On success the window owns the region and releases the previous one.
  if (SetWindowRgn(hwnd_, region.Get(), TRUE) != 0) (void)region.Release();
}

double CommandWindow::ClientWidth() const {
  RECT rc{};
  if (hwnd_ == nullptr || !GetClientRect(hwnd_, &rc)) return 0.0;
  return rc.right;
}

double CommandWindow::ClientHeight() const {
  RECT rc{};
  if (hwnd_ == nullptr || !GetClientRect(hwnd_, &rc)) return 0.0;
  return rc.bottom;
}

void CommandWindow::SetTimer1(bool on) {
  if (hwnd_ == nullptr || on == timer_on_) return;
  if (on) {
    timer_on_ = SetTimer(hwnd_, kTimer1, kTimer1IntervalMs, nullptr) != 0;
  } else {
    KillTimer(hwnd_, kTimer1);
    timer_on_ = false;
  }
}

std::optional<PointF> CommandWindow::CursorInClient() const {
  POINT pt{};
  if (hwnd_ == nullptr || !GetCursorPos(&pt) || !ScreenToClient(hwnd_, &pt)) return std::nullopt;
  return PointF{static_cast<float>(pt.x), static_cast<float>(pt.y)};
}

void CommandWindow::MoveFocus(bool forward) {
  if (hwnd_ == nullptr) return;
  const HWND next = GetNextDlgTabItem(GetParent(hwnd_), hwnd_, forward ? FALSE : TRUE);
  if (next != nullptr) SetFocus(next);
}

}  // namespace qm::button::win32
