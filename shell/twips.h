// Layout geometry. Window layouts are written in twips (1440 to the inch);
// the program is not per-monitor DPI aware and its skins are fixed pictures,
// so every layout converts at 96 dots per inch: 15 twips to a pixel.
#pragma once

namespace qm::shell {

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel; halves round away from zero.
[[nodiscard]] constexpr int TwipsToPixels(int twips) {
  return twips >= 0 ? (twips * 2 + kTwipsPerPixel) / (2 * kTwipsPerPixel)
                    : -((-twips * 2 + kTwipsPerPixel) / (2 * kTwipsPerPixel));
}

// A layout rectangle in twips: Left, Top, Width, Height.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The same rectangle in client pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  [[nodiscard]] int right() const { return left + width; }
  [[nodiscard]] int bottom() const { return top + height; }
  [[nodiscard]] bool Contains(int x, int y) const {
    return x >= left && y >= top && x < right() && y < bottom();
  }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

[[nodiscard]] constexpr PixelRect ToPixels(const TwipsRect& r) {
  return {TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
          TwipsToPixels(r.height)};
}

// Every window's client area: 11790 x 8355 twips.
inline constexpr int kClientWidthTwips = 11790;
inline constexpr int kClientHeightTwips = 8355;
inline constexpr int kClientWidth = TwipsToPixels(kClientWidthTwips);
inline constexpr int kClientHeight = TwipsToPixels(kClientHeightTwips);

}  // namespace qm::shell
