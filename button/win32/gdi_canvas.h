// The button's canvas on a real device context.
#pragma once

#include <windows.h>

#include "button/canvas.h"

namespace qm::button::win32 {

class GdiCanvas final : public Canvas {
 public:
  // Draws on `dc` (not owned), whose drawable area is width x height; the
  // background is what Clear paints.
  GdiCanvas(HDC dc, int width, int height, Color background);

  void Clear() override;
  void FillRect(const Rect& r, Color c) override;
  void FrameRect(const Rect& r, Color c) override;
  void Line(int x1, int y1, int x2, int y2, Color c) override;
  void SetPixelV(int x, int y, Color c) override;
  [[nodiscard]] std::optional<Color> GetPixel(int x, int y) const override;
  void SetTextColor(Color c) override;
  void DrawText(std::string_view text, const Rect& r, unsigned flags) override;
  void DrawFocusRect(const Rect& r) override;
  [[nodiscard]] TextSize MeasureText(std::string_view text) const override;

 private:
  HDC dc_;
  int width_;
  int height_;
  Color background_;
};

[[nodiscard]] inline COLORREF ToColorRef(Color c) {
  return static_cast<COLORREF>(c) & 0xFFFFFF;
}

}  // namespace qm::button::win32
