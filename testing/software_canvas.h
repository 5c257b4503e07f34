// A canvas in memory with the platform's pixel rules, so that painting can
// be checked pixel by pixel without a display. Text is not rasterised: each
// call is recorded and measured with a fixed metric.
#pragma once

#include <string>
#include <vector>

#include "button/canvas.h"

namespace qm::button {

struct TextCall {
  std::string text;    // as passed, "&" markers included
  std::string shown;   // what the platform shows after prefix handling
  int underline = -1;  // index into shown (in code points) of the underlined character
  Rect rect;
  unsigned flags = 0;
  Color color = 0;
};

struct TextMetric {
  double advance = 7.0;  // width of every code point, "&" included
  double height = 12.0;
};

class SoftwareCanvas final : public Canvas {
 public:
  SoftwareCanvas(int width, int height, Color background = 0xFFFFFF, TextMetric metric = {});

  void Clear() override;
  void FillRect(const Rect& r, Color c) override;
  void FrameRect(const Rect& r, Color c) override;
  void Line(int x1, int y1, int x2, int y2, Color c) override;
  void SetPixelV(int x, int y, Color c) override;
  [[nodiscard]] std::optional<Color> GetPixel(int x, int y) const override;
  void SetTextColor(Color c) override { text_color_ = c; }
  void DrawText(std::string_view text, const Rect& r, unsigned flags) override;
  void DrawFocusRect(const Rect& r) override;
  [[nodiscard]] TextSize MeasureText(std::string_view text) const override;

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] Color TextColor() const { return text_color_; }
  [[nodiscard]] const std::vector<TextCall>& TextCalls() const { return text_calls_; }
  void ForgetTextCalls() { text_calls_.clear(); }
  // Pixel at (x, y); the caller keeps within the surface.
  [[nodiscard]] Color At(int x, int y) const { return pixels_[Index(x, y)]; }

 private:
  [[nodiscard]] bool Inside(int x, int y) const;
  [[nodiscard]] std::size_t Index(int x, int y) const;
  void Put(int x, int y, Color c);
  void Invert(int x, int y);
  // Fills the spans [x0, x1) x [y0, y1) after the platform's ordering of
  // reversed spans.
  void FillSpan(int left, int top, int right, int bottom, Color c);

  int width_;
  int height_;
  Color background_;
  TextMetric metric_;
  Color text_color_ = 0;
  std::vector<Color> pixels_;
  std::vector<TextCall> text_calls_;
};

}  // namespace qm::button
