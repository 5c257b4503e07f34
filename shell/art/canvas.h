// A 32-bit drawing surface for the artwork: anti-aliased shapes computed
// from distance functions (clean edges at 15-pixel sizes), gradients, and
// text drawn by GDI with the system's fonts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/gdi_handles.h"

namespace qm::art {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

[[nodiscard]] Rgb Mix(Rgb a, Rgb b, double t);

class Canvas {
 public:
  // A canvas filled with `fill`; `transparent` starts every pixel clear
  // (icons), otherwise opaque.
  Canvas(int width, int height, Rgb fill = {}, bool transparent = false);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  [[nodiscard]] int Width() const { return w_; }
  [[nodiscard]] int Height() const { return h_; }
  // Straight colour and alpha (0..255) of a pixel.
  [[nodiscard]] Rgb At(int x, int y) const;
  [[nodiscard]] std::uint8_t AlphaAt(int x, int y) const;

  // Blends `c` at coverage `a` (0..1) into a pixel.
  void Blend(int x, int y, Rgb c, double a);
  void FillRect(int x, int y, int w, int h, Rgb c);
  // A vertical gradient over the rectangle, top colour to bottom colour.
  void VGradient(int x, int y, int w, int h, Rgb top, Rgb bottom);
  void HGradient(int x, int y, int w, int h, Rgb left, Rgb right);

  // Shapes by signed distance (negative inside), in pixel coordinates whose
  // pixel centres lie at x + 0.5. `paint` gives the colour at a point.
  using Sdf = std::function<double(double x, double y)>;
  using Paint = std::function<Rgb(double x, double y)>;
  void FillShape(const Sdf& sdf, const Paint& paint, double opacity = 1.0);
  void FillShape(const Sdf& sdf, Rgb c, double opacity = 1.0) {
    FillShape(
        sdf, [c](double, double) { return c; }, opacity);
  }

  // Text with GDI (opaque canvases only). `align`: 0 left, 1 centre, 2 right of x.
  void Text(const std::wstring& text, int x, int y, const wchar_t* face, int pixel_height,
            bool bold, Rgb c, int align = 0);
  [[nodiscard]] int TextWidth(const std::wstring& text, const wchar_t* face, int pixel_height,
                              bool bold);

  [[nodiscard]] bool SaveBmp(const std::wstring& path) const;

 private:
  int w_, h_;
  win32::UniqueMemoryDc dc_;
  win32::UniqueBitmap bitmap_;
  win32::Selection selection_;
  std::uint8_t* bits_ = nullptr;  // top-down BGRA
};

// Distance functions.
[[nodiscard]] double SdCircle(double x, double y, double cx, double cy, double r);
[[nodiscard]] double SdRoundRect(double x, double y, double left, double top, double w, double h,
                                 double radius);
// A line segment with round ends, of thickness 2 * r.
[[nodiscard]] double SdCapsule(double x, double y, double x1, double y1, double x2, double y2,
                               double r);

}  // namespace qm::art
