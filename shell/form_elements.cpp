// Form: the windowless elements (skin, labels, pictures), their fonts and
// the pointer events they get.
// clang-format off
#include <windows.h>
#include <windowsx.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "platform/win32/program_folder.h"
#include "platform/win32/system_error.h"
#include "platform/win32/wide.h"
#include "shell/form.h"
#include "shell/form_internals.h"
#include "shell/services.h"

namespace qm::shell {
namespace {

int PointsToHeight(double points) {
  return -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

// `file_name` ("\bgmain.dll") in the program's folder. A drive root keeps
// its separator as a folder ("C:\"); the name brings its own.
std::wstring SkinPath(std::wstring_view file_name) {
  std::wstring folder = win32::Widen(win32::ProgramFolder().value_or("."));
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder + std::wstring(file_name);
}

}  // namespace

bool Form::LoadSkin(std::wstring_view file_name) {
  const std::wstring path = SkinPath(file_name);
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bitmap == nullptr) {
    const DWORD error = GetLastError();
    std::string reason = error != 0 ? win32::SystemErrorText(error) : std::string();
    if (reason.empty()) reason = "文件不是可读取的图片。";
    std::string text = "无法加载皮肤图片文件：\r\n" + win32::Narrow(path) + "\r\n\r\n" + reason;
    if (error != 0) text += "（错误 " + std::to_string(error) + "）";
    ShowMessage(hwnd_, text, kMessageError);
    return false;
  }
  skin_ = win32::UniqueBitmap(bitmap);
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
  label->wrap_ = desc.wrap;
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

Element* Form::FindElement(std::string_view name) const {
  for (const auto& e : elements_) {
    if (e->name == name) return e.get();
  }
  return nullptr;
}

HFONT Form::GetFont(const FontDesc& font) {
  auto it = fonts_.find(font);
  if (it != fonts_.end()) return it->second.Get();
  HFONT f = CreateFontW(PointsToHeight(font.points), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                        FALSE, font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, win32::Widen(font.face).c_str());
  return fonts_.emplace(font, win32::UniqueFont(f)).first->second.Get();
}

void Form::MeasureLabel(Label& label) {
  if (!label.autosize_) return;
  win32::UniqueWindowDc screen(hwnd_);
  win32::Selection sel(screen.Get(), GetFont(label.font_));
  const std::wstring text = win32::Widen(label.caption_);
  SIZE size{};
  GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
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
  if (wp & MK_LBUTTON) held |= kLeftButton;
  if (wp & MK_RBUTTON) held |= kRightButton;
  if (wp & MK_MBUTTON) held |= kMiddleButton;
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
  if (button == kLeftButton) left_pressed_ = target;
  if (target != nullptr && target->MouseDown) target->MouseDown(button, x, y);
}

void Form::OnButtonUp(int button, LPARAM lp) {
  const int x = GET_X_LPARAM(lp);
  const int y = GET_Y_LPARAM(lp);
  Element* target = captured_ != nullptr ? captured_ : HitTest(x, y);
  Element* pressed = button == kLeftButton ? std::exchange(left_pressed_, nullptr) : nullptr;
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

}  // namespace qm::shell
