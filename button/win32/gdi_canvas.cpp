#include "button/win32/gdi_canvas.h"

#include "platform/win32/gdi_handles.h"
#include "platform/win32/wide.h"

namespace qm::button::win32 {
namespace {

RECT ToRect(const Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

GdiCanvas::GdiCanvas(HDC dc, int width, int height, Color background)
    : dc_(dc), width_(width), height_(height), background_(background) {
  // Captions are drawn over the face without a background of their own.
  SetBkMode(dc_, TRANSPARENT);
}

void GdiCanvas::Clear() {
  FillRect(Rect{0, 0, width_, height_}, background_);
}

void GdiCanvas::FillRect(const Rect& r, Color c) {
  const qm::win32::UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
  if (!brush) return;  // out of GDI objects: this paint misses one fill
  const RECT rc = ToRect(r);
  ::FillRect(dc_, &rc, brush.Get());
}

void GdiCanvas::FrameRect(const Rect& r, Color c) {
  const qm::win32::UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
  if (!brush) return;
  const RECT rc = ToRect(r);
  ::FrameRect(dc_, &rc, brush.Get());
}

void GdiCanvas::Line(int x1, int y1, int x2, int y2, Color c) {
  const qm::win32::UniquePen pen(CreatePen(PS_SOLID, 1, ToColorRef(c)));
  if (!pen) return;
  const qm::win32::Selection selected(dc_, pen.Get());
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
}

void GdiCanvas::SetPixelV(int x, int y, Color c) {
  ::SetPixelV(dc_, x, y, ToColorRef(c));
}

std::optional<Color> GdiCanvas::GetPixel(int x, int y) const {
  const COLORREF c = ::GetPixel(dc_, x, y);
  if (c == CLR_INVALID) return std::nullopt;
  return static_cast<Color>(c & 0xFFFFFF);
}

void GdiCanvas::SetTextColor(Color c) {
  ::SetTextColor(dc_, ToColorRef(c));
}

void GdiCanvas::DrawText(std::string_view text, const Rect& r, unsigned flags) {
  std::wstring wide = qm::win32::Widen(text);
  RECT rc = ToRect(r);
  ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &rc, flags);
}

void GdiCanvas::DrawFocusRect(const Rect& r) {
  const RECT rc = ToRect(r);
  ::DrawFocusRect(dc_, &rc);
}

TextSize GdiCanvas::MeasureText(std::string_view text) const {
  const std::wstring wide = qm::win32::Widen(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size)) {
    return TextSize{};
  }
  return TextSize{static_cast<double>(size.cx), static_cast<double>(size.cy)};
}

}  // namespace qm::button::win32
