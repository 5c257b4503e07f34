#include "shell/form.h"

#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "button/property_store.h"
#include "platform/win32/wide.h"
#include "shell/form_registry.h"
#include "shell/resource_ids.h"
#include "shell/services.h"

namespace qm::shell {
namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;

std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return text;
}

int PointsToHeight(double points) {
  return -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

RECT ToRect(const PixelRect& r) {
  return RECT{r.left, r.top, r.right(), r.bottom()};
}

}  // namespace

Form::Form(FormKind kind, const wchar_t* class_name) : kind_(kind), class_name_(class_name) {}

Form::~Form() {
  if (hwnd_ != nullptr && !destroyed_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

DWORD Form::CreateHidden(HWND owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!GetClassInfoExW(instance, class_name_, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form::WndProc;
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
                      kClientWidth, kClientHeight, owner, nullptr, instance, this);
  if (hwnd == nullptr) return GetLastError();
  modal_owner_ = owner;
  return 0;
}

Form* LoadForm(std::unique_ptr<Form> form, HWND owner) {
  detail::HandlerScope scope;
  if (!form) return nullptr;
  Form* f = form.get();
  if (const DWORD error = f->CreateHidden(owner); error != 0) {
    ShowMessage(owner,
                "无法创建窗口：" + win32::Narrow(SystemErrorText(error)) + "（" +
                    std::to_string(error) + "）",
                kStyleError);
    EndProcess(1);
    return nullptr;
  }
  detail::AdoptForm(std::move(form));
  if (!f->OnLoad()) {
    // The load step has reported and ended the program; when a test stands
    // in for the ending, the half-loaded window must not stay.
    f->Unload();
    return nullptr;
  }
  return f;
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

bool Form::LoadSkin(std::wstring_view file_name) {
  const std::wstring path = ProgramFolder() + std::wstring(file_name);
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bitmap == nullptr) {
    const DWORD error = GetLastError();
    std::string reason = error != 0 ? win32::Narrow(SystemErrorText(error)) : std::string();
    if (reason.empty()) reason = "文件不是可读取的图片。";
    std::string text = "无法加载皮肤图片文件：\r\n" + win32::Narrow(path) + "\r\n\r\n" + reason;
    if (error != 0) text += "（错误 " + std::to_string(error) + "）";
    ShowMessage(hwnd_, text, kStyleError);
    EndProcess(1);
    return false;
  }
  skin_ = gdi::Bitmap(bitmap);
  InvalidateRect(hwnd_, nullptr, FALSE);
  return true;
}

HBITMAP Form::LoadPicture(int resource_id) {
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource_id),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return nullptr;
  pictures_.emplace_back(bitmap);
  return bitmap;
}

Label& Form::AddLabel(const LabelSpec& desc) {
  auto label = std::make_unique<Label>();
  label->name = desc.name;
  label->rect = ToPixels(desc.twips);
  label->visible = desc.visible;
  label->hand_cursor = desc.hand_cursor;
  label->caption_ = desc.text;
  label->color_ = desc.color;
  label->font_ = desc.font;
  label->autosize_ = desc.autosize;
  MeasureLabel(*label);
  Label& ref = *label;
  elements_.push_back(std::move(label));
  Invalidate(ref.rect);
  return ref;
}

Image& Form::AddImage(std::string_view name, PixelRect rect, std::vector<HBITMAP> frames) {
  auto image = std::make_unique<Image>();
  image->name = std::string(name);
  image->rect = rect;
  image->frames_ = std::move(frames);
  Image& ref = *image;
  elements_.push_back(std::move(image));
  Invalidate(ref.rect);
  return ref;
}

HWND Form::AddCheckBox(const CheckBoxSpec& desc) {
  const PixelRect r = ToPixels(desc.twips);
  const HWND box = CreateWindowExW(
      0, L"BUTTON", win32::Widen(desc.text).c_str(),
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER, r.left,
      r.top, r.width, r.height, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (box == nullptr) return nullptr;
  // Visual styles would draw the caption in the theme's colour; the layout
  // gives each box its own text colour, so the boxes keep the classic look.
  SetWindowTheme(box, L"", L"");
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(desc.font)), FALSE);
  children_[desc.name] = box;
  child_looks_[box] = ChildLook{desc.text_color, desc.back_color};
  return box;
}

// The ambient values a skinned button reads from the window it sits on.
struct Form::CommandHostImpl final : button::CommandHost {
  std::string name;
  button::FontSpec font;
  [[nodiscard]] button::FontSpec AmbientFont() const override { return font; }
  [[nodiscard]] std::string InstanceName() const override { return name; }
};

button::win32::CommandWindow* Form::AddCommand(const CommandSpec& desc) {
  auto host = std::make_unique<CommandHostImpl>();
  host->name = desc.name;
  host->font = button::FontSpec{"宋体", 9.0, 400};
  button::MemoryPropertyStore layout;
  layout.Set("Caption", desc.caption);
  layout.Set("Font", button::FontSpec{desc.font.face, desc.font.points, desc.font.bold ? 700 : 400,
                                      false, desc.font.underline});
  layout.Set("XpType", static_cast<std::int32_t>(desc.xp_type));
  const PixelRect r = ToPixels(desc.twips);
  std::unique_ptr<button::win32::CommandWindow> command;
  const DWORD error = button::win32::CommandWindow::Create(
      hwnd_, static_cast<int>(1000 + commands_.size()), ToRect(r), *host, layout, command);
  if (error != 0 || !command) return nullptr;
  children_[desc.name] = command->Handle();
  command_hosts_.push_back(std::move(host));
  commands_.push_back(std::move(command));
  return commands_.back().get();
}

HWND Form::AddChild(std::string_view name, const wchar_t* window_class, DWORD style, DWORD ex_style,
                    TwipsRect twips) {
  const PixelRect r = ToPixels(twips);
  const HWND child =
      CreateWindowExW(ex_style, window_class, L"", style | WS_CHILD | WS_VISIBLE, r.left, r.top,
                      r.width, r.height, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (child != nullptr) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont(FontDesc{})), FALSE);
    children_[std::string(name)] = child;
  }
  return child;
}

Element* Form::FindElement(std::string_view name) const {
  for (const auto& e : elements_) {
    if (e->name == name) return e.get();
  }
  return nullptr;
}

HWND Form::FindChild(std::string_view name) const {
  auto it = children_.find(name);
  return it == children_.end() ? nullptr : it->second;
}

HFONT Form::GetFont(const FontDesc& font) {
  auto it = fonts_.find(font);
  if (it != fonts_.end()) return it->second.get();
  HFONT f = CreateFontW(PointsToHeight(font.points), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                        FALSE, font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, win32::Widen(font.face).c_str());
  return fonts_.emplace(font, gdi::Font(f)).first->second.get();
}

void Form::MeasureLabel(Label& label) {
  if (!label.autosize_) return;
  gdi::WindowDc screen(hwnd_);
  gdi::Selection sel(screen.get(), GetFont(label.font_));
  const std::wstring text = win32::Widen(label.caption_);
  SIZE size{};
  GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
  label.rect.width = size.cx;
  label.rect.height = std::max<int>(label.rect.height, size.cy);
}

void Form::Invalidate(const PixelRect& r) {
  if (hwnd_ == nullptr) return;
  const RECT rc = ToRect(r);
  InvalidateRect(hwnd_, &rc, FALSE);
}

void Form::SetCaption(Label& label, std::string_view text) {
  if (label.caption_ == text) return;
  Invalidate(label.rect);
  label.caption_ = std::string(text);
  MeasureLabel(label);
  Invalidate(label.rect);
}

void Form::SetVisible(Element& e, bool visible) {
  if (e.visible == visible) return;
  e.visible = visible;
  Invalidate(e.rect);
}

void Form::SetUnderline(Label& label, bool underline) {
  if (label.font_.underline == underline) return;
  label.font_.underline = underline;
  Invalidate(label.rect);
}

void Form::SetFrame(Image& image, int frame) {
  if (image.frame_ == frame) return;
  image.frame_ = frame;
  Invalidate(image.rect);
}

void Form::StartTimer(UINT_PTR id, UINT interval_ms, std::function<void()> tick) {
  timers_[id] = std::move(tick);
  SetTimer(hwnd_, id, interval_ms, nullptr);
}

void Form::StopTimer(UINT_PTR id) {
  KillTimer(hwnd_, id);
  timers_.erase(id);
}

// Painting --------------------------------------------------------------

void Form::Draw(HDC dc, const RECT& area) {
  // The skin, then the visible elements in their order (later on top).
  if (skin_) {
    gdi::OwnedDc src(CreateCompatibleDC(dc));
    gdi::Selection sel(src.get(), skin_.get());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, src.get(),
           area.left, area.top, SRCCOPY);
  } else {
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  }
  SetBkMode(dc, TRANSPARENT);
  for (const auto& e : elements_) {
    if (!e->visible) continue;
    RECT r = ToRect(e->rect);
    RECT clip{};
    if (!IntersectRect(&clip, &r, &area)) continue;
    if (auto* image = dynamic_cast<Image*>(e.get())) {
      if (image->frame_ < 0 || image->frame_ >= static_cast<int>(image->frames_.size())) continue;
      HBITMAP frame = image->frames_[image->frame_];
      if (frame == nullptr) continue;
      gdi::OwnedDc src(CreateCompatibleDC(dc));
      gdi::Selection sel(src.get(), frame);
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, src.get(), 0, 0, SRCCOPY);
    } else if (auto* label = dynamic_cast<Label*>(e.get())) {
      gdi::Selection sel(dc, GetFont(label->font_));
      ::SetTextColor(dc, label->color_);
      const std::wstring text = win32::Widen(label->caption_);
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_NOPREFIX | DT_SINGLELINE | DT_LEFT | DT_TOP);
    }
  }
}

void Form::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (back_dc_.get() == nullptr) {
    back_dc_ = gdi::OwnedDc(CreateCompatibleDC(dc));
    back_bitmap_ = gdi::Bitmap(CreateCompatibleBitmap(dc, kClientWidth, kClientHeight));
    back_selection_ = gdi::Selection(back_dc_.get(), back_bitmap_.get());
  }
  const RECT& area = ps.rcPaint;
  if (back_dc_.get() != nullptr && back_bitmap_) {
    // Drawn off screen first, so that a changing caption never flickers.
    SaveDC(back_dc_.get());
    IntersectClipRect(back_dc_.get(), area.left, area.top, area.right, area.bottom);
    Draw(back_dc_.get(), area);
    RestoreDC(back_dc_.get(), -1);
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, back_dc_.get(),
           area.left, area.top, SRCCOPY);
  } else {
    Draw(dc, area);
  }
  EndPaint(hwnd_, &ps);
}

// Pointer ---------------------------------------------------------------

Element* Form::HitTest(int x, int y) const {
  for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
    if ((*it)->visible && (*it)->rect.Contains(x, y)) return it->get();
  }
  return nullptr;
}

void Form::OnMouseMove(WPARAM wp, LPARAM lp) {
  const int x = GET_X_LPARAM(lp);
  const int y = GET_Y_LPARAM(lp);
  // The system repeats a move without motion (capture changes, windows
  // appearing); only real motion counts as a move.
  if (x == last_move_.x && y == last_move_.y) return;
  last_move_ = {x, y};
  int held = 0;
  if (wp & MK_LBUTTON) held |= kMouseLeft;
  if (wp & MK_RBUTTON) held |= kMouseRight;
  if (wp & MK_MBUTTON) held |= kMouseMiddle;
  Element* target = captured_ != nullptr ? captured_ : HitTest(x, y);
  if (target == nullptr) {
    OnBackgroundMove();
  } else if (target->MouseMove) {
    target->MouseMove(held, x, y);
  }
}

void Form::OnButtonDown(int button, LPARAM lp) {
  const int x = GET_X_LPARAM(lp);
  const int y = GET_Y_LPARAM(lp);
  last_move_ = {x, y};
  Element* target = captured_ != nullptr ? captured_ : HitTest(x, y);
  if (buttons_held_ == 0) {
    captured_ = target;
    SetCapture(hwnd_);
  }
  buttons_held_ |= button;
  if (button == kMouseLeft) left_pressed_ = target;
  if (target != nullptr && target->MouseDown) target->MouseDown(button, x, y);
}

void Form::OnButtonUp(int button, LPARAM lp) {
  const int x = GET_X_LPARAM(lp);
  const int y = GET_Y_LPARAM(lp);
  Element* target = captured_ != nullptr ? captured_ : HitTest(x, y);
  Element* pressed = button == kMouseLeft ? std::exchange(left_pressed_, nullptr) : nullptr;
  buttons_held_ &= ~button;
  if (buttons_held_ == 0) {
    captured_ = nullptr;
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
  if (target == nullptr) return;
  const bool clicked = pressed == target && target->rect.Contains(x, y) && target->visible;
  auto click = clicked ? target->Click : std::function<void()>();
  if (target->MouseUp) target->MouseUp(button, x, y);
  if (destroyed_) return;  // the handler unloaded the window (navigation, exit)
  if (click) click();
}

LRESULT Form::OnCtlColor(HDC dc, HWND child) {
  auto it = child_looks_.find(child);
  if (it == child_looks_.end()) return 0;
  const COLORREF text =
      it->second.text != CLR_INVALID ? it->second.text : GetSysColor(COLOR_BTNTEXT);
  const COLORREF back =
      it->second.back != CLR_INVALID ? it->second.back : GetSysColor(COLOR_BTNFACE);
  ::SetTextColor(dc, text);
  SetBkColor(dc, back);
  auto brush = brushes_.find(back);
  if (brush == brushes_.end()) {
    brush = brushes_.emplace(back, gdi::Brush(CreateSolidBrush(back))).first;
  }
  return reinterpret_cast<LRESULT>(brush->second.get());
}

// Messages --------------------------------------------------------------

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  detail::HandlerScope scope;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* self = static_cast<Form*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->destroyed_ = true;
    detail::RetireForm(self);
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->HandleMessage(msg, wp, lp);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
      OnButtonDown(kMouseLeft, lp);
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnButtonDown(kMouseRight, lp);
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnButtonDown(kMouseMiddle, lp);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(kMouseLeft, lp);
      return 0;
    case WM_RBUTTONUP:
      OnButtonUp(kMouseRight, lp);
      return 0;
    case WM_MBUTTONUP:
      OnButtonUp(kMouseMiddle, lp);
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
    case WM_MEASUREITEM: {
      LRESULT result = 0;
      if (OnChildMessage(msg, wp, lp, result)) return result;
      break;
    }
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

// Message loop helpers ----------------------------------------------------

void DispatchFormMessage(MSG& msg) {
  if (msg.hwnd != nullptr && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root != nullptr && FormFromHandle(root) != nullptr && IsDialogMessageW(root, &msg)) {
      return;
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
