#include "button/paint_primitives.h"

#include <array>

namespace qm::button {
namespace {

using Channels = std::array<int, 3>;
using RealChannels = std::array<float, 3>;

Channels Split(Color c) {
  return {RedOf(c), GreenOf(c), BlueOf(c)};
}

Color RoundedRgb(const RealChannels& v) {
  return Rgb(RoundHalfEven(v[0]), RoundHalfEven(v[1]), RoundHalfEven(v[2]));
}

// Integer division that treats a zero divisor as 1. The highlight rows of
// the glass face divide by expressions of the width that reach zero at a
// few widths; with 1 the row simply reaches its end colour at once.
int DivOrOne(int a, int b) {
  return a / (b == 0 ? 1 : b);
}

// Each channel's step (end - mid) / divisor, kept in single precision. A
// zero divisor happens only where the step is never applied (the loop that
// uses it draws at most its first row), so it counts as no step.
RealChannels Steps(const Channels& mid, const Channels& end, double divisor) {
  RealChannels s{};
  for (std::size_t i = 0; i < 3; ++i) {
    s[i] = divisor == 0.0 ? 0.0f : static_cast<float>((end[i] - mid[i]) / divisor);
  }
  return s;
}

void Advance(RealChannels& v, const RealChannels& step) {
  for (std::size_t i = 0; i < 3; ++i) v[i] = ClampChannel(v[i] + step[i]);
}

// The highlight row: white at x 2, end at i == span, darker past it.
Color HighlightAt(const Channels& end, int i, int span) {
  Channels c{};
  for (std::size_t k = 0; k < 3; ++k) {
    const int v = 255 - DivOrOne((255 - end[k]) * i, span);
    c[k] = v < 0 ? 0 : v;
  }
  return Rgb(c[0], c[1], c[2]);
}

double SplitRow(int percent, int h) {
  // The product is taken in 64 bits: a stored Percent is not range-checked.
  return static_cast<double>(static_cast<long long>(percent) * h) / 100.0;
}

}  // namespace

void Surface::FillBox(int x, int y, int w, int h, Color c, bool frame) {
  const Rect r{x, y, x + w, y + h};
  if (frame) {
    canvas.FrameRect(r, c);
  } else {
    canvas.FillRect(r, c);
  }
}

void FadeToWhite(Surface& s, int r, int g, int b, int from, int to, int step) {
  // At H = 5 the increment would divide by zero; one step to white is the
  // limit of the fade there, so the divisor counts as 1.
  const double rows = s.H - 5 == 0 ? 1.0 : static_cast<double>(s.H - 5);
  const std::array<int, 3> start{r, g, b};
  RealChannels v{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
  for (int y = from; step > 0 ? y <= to : y >= to; y += step) {
    for (std::size_t i = 0; i < 3; ++i) {
      v[i] = static_cast<float>(static_cast<double>(v[i]) + (255 - start[i]) / rows);
      if (v[i] > 255.0f) v[i] = 255.0f;
    }
    s.DrawLine(1, y, s.W - 1, y, RoundedRgb(v));
  }
}

void DrawRoundFrame(Surface& s, Color c1, Color c2) {
  const int w = s.W;
  const int h = s.H;
  s.DrawLine(2, 0, w - 2, 0, c1);
  s.DrawLine(2, h - 1, w - 2, h - 1, c1);
  s.DrawLine(0, 2, 0, h - 2, c1);
  s.DrawLine(w - 1, 2, w - 1, h - 2, c1);
  s.PutPixel(1, 1, c2);
  s.PutPixel(1, h - 2, c2);
  s.PutPixel(w - 2, 1, c2);
  s.PutPixel(w - 2, h - 2, c2);
}

void PaintGlassFace(Surface& s, Color mid, Color border, Color end, int percent, bool flat) {
  const int w = s.W;
  const int h = s.H;
  if (flat) {
    s.Fill(1, 1, w - 2, h - 2, mid);
    DrawRoundFrame(s, border, border);
    return;
  }
  const double p = SplitRow(percent, h);
  const Channels m = Split(mid);
  const Channels e = Split(end);

  const RealChannels up_step = Steps(m, e, p - 1.0);
  RealChannels v{static_cast<float>(m[0]), static_cast<float>(m[1]), static_cast<float>(m[2])};
  for (int n = RoundHalfEven(p); n >= 1; --n) {
    s.DrawLine(1, n, w - 1, n, RoundedRgb(v));
    Advance(v, up_step);
  }

  for (int i = 0; i <= w - 4; ++i) s.PutPixel(i + 2, 1, HighlightAt(e, i, w - 10));
  for (int i = 0; i <= w - w / 3 - 2; ++i) {
    s.PutPixel(i + 2, 2, HighlightAt(e, i, w - (2 * w) / 3 - 2));
  }

  const RealChannels down_step = Steps(m, e, static_cast<double>(h) - p - 4.0);
  s.DrawLine(1, RoundHalfEven(p + 1), w - 1, RoundHalfEven(p + 1), mid);
  s.DrawLine(1, RoundHalfEven(p + 2), w - 1, RoundHalfEven(p + 2), mid);
  v = {static_cast<float>(m[0]), static_cast<float>(m[1]), static_cast<float>(m[2])};
  for (int y = RoundHalfEven(p + 3); y <= h - 4; ++y) {
    s.DrawLine(1, y, w - 1, y, RoundedRgb(v));
    Advance(v, down_step);
  }

  if (h < 10) return;
  const Color shade = s.canvas.GetPixel(2, h - 10).value_or(0);
  s.DrawLine(1, h - 9, w - 1, h - 9, shade);
  s.DrawLine(1, h - 8, w - 1, h - 8, shade);
  s.DrawLine(1, RoundHalfEven(p + 5), w - 1, RoundHalfEven(p + 5), mid);
  s.DrawLine(1, h - 3, w - 2, h - 3, shade);
  s.DrawLine(1, h - 2, w - 2, h - 2, shade);
  DrawRoundFrame(s, border, border);
}

void PaintGelFace(Surface& s, Color mid, Color border, Color end, int percent) {
  const int w = s.W;
  const int h = s.H;
  const double p = SplitRow(percent, h);
  const Channels m = Split(mid);
  const Channels e = Split(end);

  // Integer steps. A zero divisor only occurs where the loop using the step
  // draws nothing (P = 1 leaves the upper loop empty, H - P - 4 = 0 starts
  // the lower loop below H - 4), so the step counts as 0 there.
  const auto steps = [&](double divisor) {
    Channels a{};
    for (std::size_t i = 0; i < 3; ++i) {
      a[i] = divisor == 0.0 ? 0 : RoundHalfEven((e[i] - m[i]) / divisor);
    }
    return a;
  };
  const auto clamped_add = [](Channels& v, const Channels& d) {
    for (std::size_t i = 0; i < 3; ++i) v[i] = ClampChannel(v[i] + d[i]);
  };

  const Channels a = steps(p - 1.0);
  Channels v{m[0] + 10, m[1] + 10, m[2] + 10};
  for (int n = RoundHalfEven(p); n >= 3; --n) {
    s.DrawLine(1, n, w - 1, n, Rgb(v[0], v[1], v[2]));
    clamped_add(v, a);
  }

  const Channels b = steps(static_cast<double>(h) - p - 4.0);
  const int band_end = RoundHalfEven(p + 0.27 * h);
  for (int y = RoundHalfEven(p + 1); y <= band_end; ++y) s.DrawLine(1, y, w - 1, y, mid);

  v = {m[0] + 5, m[1] + 5, m[2] + 5};
  const int lower_start =
      RoundHalfEven(static_cast<double>((static_cast<long long>(percent) + 27) * h) / 100.0);
  for (int y = lower_start; y <= h - 4; ++y) {
    s.DrawLine(1, y, w - 1, y, Rgb(v[0], v[1], v[2]));
    clamped_add(v, b);
  }

  s.Frame(1, 1, w - 2, h - 2, Rgb(211, 229, 255));
  s.Frame(2, 2, w - 4, h - 4, Rgb(201, 216, 255));
  s.DrawLine(1, h - 3, w - 1, h - 3, Rgb(207, 234, 255));
  DrawRoundFrame(s, border, border);
}

void DrawXpFrame(Surface& s) {
  DrawRoundFrame(s, Rgb(0, 60, 115), Rgb(16, 77, 123));
}

void DrawHoverRing(Surface& s, Color k) {
  const int w = s.W;
  const int h = s.H;
  s.Frame(2, 1, w - 4, h - 2, k);
  s.DrawLine(1, 2, 1, h - 2, k);
  s.DrawLine(3, 2, w - 3, 2, k);
  s.DrawLine(w - 2, 2, w - 2, h - 2, k);
  s.DrawLine(3, h - 3, w - 3, h - 3, k);
}

namespace {

struct RingColors {
  Color frame, bottom, top, second, sides;
};

void DrawFocusRing(Surface& s, const RingColors& c, bool classic_form) {
  const int w = s.W;
  const int h = s.H;
  s.Frame(1, 2, w - 2, h - 4, c.frame);
  s.DrawLine(2, h - 2, w - 2, h - 2, c.bottom);
  s.DrawLine(2, 1, w - 2, 1, c.top);
  if (classic_form) {
    s.DrawLine(1, 2, w - 1, 2, c.second);
  } else {
    s.DrawLine(2, 2, w - 2, 2, c.second);
  }
  s.DrawLine(2, 3, 2, h - 3, c.sides);
  s.DrawLine(w - 3, 3, w - 3, h - 3, c.sides);
}

}  // namespace

void DrawBlueFocusRing(Surface& s, bool classic_form) {
  DrawFocusRing(s,
                RingColors{Rgb(140, 174, 231), Rgb(107, 130, 239), Rgb(206, 231, 255),
                           Rgb(189, 215, 247), Rgb(181, 209, 240)},
                classic_form);
}

void DrawGreenFocusRing(Surface& s) {
  const Color g = Rgb(122, 184, 98);
  DrawFocusRing(s, RingColors{g, g, g, g, g}, false);
}

}  // namespace qm::button
