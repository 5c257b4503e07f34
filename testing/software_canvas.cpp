#include "testing/software_canvas.h"

#include <cstdlib>
#include <utility>

#include "button/caption_text.h"

namespace qm::button {
namespace {

// A reversed span [from, to) with to < from covers to + 1 .. from, as the
// platform's block fill does for a negative extent.
void OrderSpan(int& from, int& to) {
  if (to < from) {
    const int start = to + 1;
    to = from + 1;
    from = start;
  }
}

}  // namespace

SoftwareCanvas::SoftwareCanvas(int width, int height, Color background, TextMetric metric)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      background_(background),
      metric_(metric),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), background) {}

bool SoftwareCanvas::Inside(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_;
}

std::size_t SoftwareCanvas::Index(int x, int y) const {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
         static_cast<std::size_t>(x);
}

void SoftwareCanvas::Put(int x, int y, Color c) {
  if (Inside(x, y)) pixels_[Index(x, y)] = c;
}

void SoftwareCanvas::Invert(int x, int y) {
  if (Inside(x, y)) pixels_[Index(x, y)] ^= 0xFFFFFF;
}

void SoftwareCanvas::Clear() {
  for (Color& p : pixels_) p = background_;
}

void SoftwareCanvas::FillSpan(int left, int top, int right, int bottom, Color c) {
  OrderSpan(left, right);
  OrderSpan(top, bottom);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) Put(x, y, c);
  }
}

void SoftwareCanvas::FillRect(const Rect& r, Color c) {
  FillSpan(r.left, r.top, r.right, r.bottom, c);
}

void SoftwareCanvas::FrameRect(const Rect& r, Color c) {
  // An empty or reversed rectangle has no border at all.
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillSpan(r.left, r.top, r.right, r.top + 1, c);
  FillSpan(r.left, r.bottom - 1, r.right, r.bottom, c);
  FillSpan(r.left, r.top, r.left + 1, r.bottom, c);
  FillSpan(r.right - 1, r.top, r.right, r.bottom, c);
}

namespace {

// delta * i / steps rounded to nearest, ties towards zero (the start point).
int MinorOffset(int delta, int i, int steps) {
  const long long n = static_cast<long long>(delta) * i;
  long long q = n / steps;
  const long long r = n % steps;
  if (2 * (r < 0 ? -r : r) > steps) q += n < 0 ? -1 : 1;
  return static_cast<int>(q);
}

}  // namespace

void SoftwareCanvas::Line(int x1, int y1, int x2, int y2, Color c) {
  const int dx = x2 - x1;
  const int dy = y2 - y1;
  const bool x_major = std::abs(dx) >= std::abs(dy);
  const int steps = x_major ? std::abs(dx) : std::abs(dy);
  // One pixel per step along the major axis; the end point is left out.
  for (int i = 0; i < steps; ++i) {
    if (x_major) {
      Put(x1 + (dx > 0 ? i : -i), y1 + MinorOffset(dy, i, steps), c);
    } else {
      Put(x1 + MinorOffset(dx, i, steps), y1 + (dy > 0 ? i : -i), c);
    }
  }
}

void SoftwareCanvas::SetPixelV(int x, int y, Color c) {
  Put(x, y, Rgb(RedOf(c), GreenOf(c), BlueOf(c)));
}

std::optional<Color> SoftwareCanvas::GetPixel(int x, int y) const {
  if (!Inside(x, y)) return std::nullopt;
  return pixels_[Index(x, y)];
}

void SoftwareCanvas::DrawText(std::string_view text, const Rect& r, unsigned flags) {
  PrefixedText shown = ParsePrefix(text);
  text_calls_.push_back(
      TextCall{std::string(text), std::move(shown.shown), shown.underline, r, flags, text_color_});
}

void SoftwareCanvas::DrawFocusRect(const Rect& in) {
  // The platform inverts every other pixel of the border, in a checkerboard
  // anchored at the top right pixel. A border one pixel thin is walked twice
  // and keeps only its end pixels.
  // Reversed edges are put in order first, as the platform does.
  Rect r = in;
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0 || (w == 1 && h == 1)) return;
  if (h == 1) {
    Invert(r.right - 1, r.top);
    if (w % 2 == 1) Invert(r.left, r.top);
    return;
  }
  if (w == 1) {
    Invert(r.left, r.top);
    if (h % 2 == 1) Invert(r.left, r.bottom - 1);
    return;
  }
  const int anchor = r.right - 1 + r.top;
  const auto on = [anchor](int x, int y) { return (x + y - anchor) % 2 == 0; };
  for (int x = r.left; x < r.right; ++x) {
    if (on(x, r.top)) Invert(x, r.top);
    if (on(x, r.bottom - 1)) Invert(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    if (on(r.left, y)) Invert(r.left, y);
    if (on(r.right - 1, y)) Invert(r.right - 1, y);
  }
}

TextSize SoftwareCanvas::MeasureText(std::string_view text) const {
  return TextSize{metric_.advance * static_cast<double>(CodePointCount(text)), metric_.height};
}

}  // namespace qm::button
