// Form: painting, double-buffered, the skin first and then the visible
// elements in their order (later on top).
#include "platform/win32/wide.h"
#include "shell/form.h"
#include "shell/form_internals.h"

namespace qm::shell {

void Form::Draw(HDC dc, const RECT& area) {
  // The skin, then the visible elements in their order (later on top).
  if (skin_) {
    win32::UniqueMemoryDc src(CreateCompatibleDC(dc));
    win32::Selection sel(src.Get(), skin_.Get());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, src.Get(),
           area.left, area.top, SRCCOPY);
  } else {
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  }
  SetBkMode(dc, TRANSPARENT);
  for (const auto& e : elements_) {
    if (!e->visible) continue;
    const RECT r = ToRect(e->rect);
    RECT clip{};
    if (IntersectRect(&clip, &r, &area)) e->Paint(dc, *this);
  }
}

void Form::Paint() {
  const win32::PaintScope paint(hwnd_);
  const HDC dc = paint.Dc();
  if (back_dc_.Get() == nullptr) {
    back_dc_ = win32::UniqueMemoryDc(CreateCompatibleDC(dc));
    back_bitmap_ = win32::UniqueBitmap(CreateCompatibleBitmap(dc, kClientWidth, kClientHeight));
    back_selection_ = win32::Selection(back_dc_.Get(), back_bitmap_.Get());
  }
  const RECT& area = paint.Area();
  if (back_dc_.Get() != nullptr && back_bitmap_) {
    // Drawn off screen first, so that a changing caption never flickers.
    SaveDC(back_dc_.Get());
    IntersectClipRect(back_dc_.Get(), area.left, area.top, area.right, area.bottom);
    Draw(back_dc_.Get(), area);
    RestoreDC(back_dc_.Get(), -1);
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, back_dc_.Get(),
           area.left, area.top, SRCCOPY);
  } else {
    Draw(dc, area);
  }
}

void Image::Paint(HDC dc, Form& /*form*/) const {
  if (frame_ < 0 || frame_ >= static_cast<int>(frames_.size())) return;
  const HBITMAP frame = frames_[static_cast<std::size_t>(frame_)];
  if (frame == nullptr) return;
  const win32::UniqueMemoryDc src(CreateCompatibleDC(dc));
  const win32::Selection sel(src.Get(), frame);
  BitBlt(dc, rect.left, rect.top, rect.width, rect.height, src.Get(), 0, 0, SRCCOPY);
}

void Label::Paint(HDC dc, Form& form) const {
  const win32::Selection sel(dc, form.GetFont(font_));
  ::SetTextColor(dc, color_);
  const std::wstring text = win32::Widen(caption_);
  RECT r = ToRect(rect);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_NOPREFIX | (wrap_ ? DT_WORDBREAK : DT_SINGLELINE) | DT_LEFT | DT_TOP);
}

}  // namespace qm::shell
