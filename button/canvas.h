// The drawing surface the button paints on, with the platform's semantics:
// rectangles exclude their right and bottom edges, a line does not paint
// its end point, text is drawn without its background.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "button/color.h"

namespace qm::button {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct TextSize {
  double width = 0.0;
  double height = 0.0;
};

// Text flags, the platform's values.
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtVCenter = 0x4;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtSingleLine = 0x20;
inline constexpr unsigned kDtExpandTabs = 0x40;
inline constexpr unsigned kSingleLineFlags = kDtCenter | kDtVCenter | kDtSingleLine | kDtExpandTabs;
inline constexpr unsigned kWrappedFlags = kDtCenter | kDtWordBreak;

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Clears the whole surface to its background.
  virtual void Clear() = 0;
  virtual void FillRect(const Rect& r, Color c) = 0;
  virtual void FrameRect(const Rect& r, Color c) = 0;
  // A one-pixel solid line from (x1, y1) towards (x2, y2), end point excluded.
  virtual void Line(int x1, int y1, int x2, int y2, Color c) = 0;
  virtual void SetPixelV(int x, int y, Color c) = 0;
  // nullopt where the surface cannot tell (outside it).
  [[nodiscard]] virtual std::optional<Color> GetPixel(int x, int y) const = 0;
  virtual void SetTextColor(Color c) = 0;
  // UTF-8 text with the platform's "&" prefix handling.
  virtual void DrawText(std::string_view text, const Rect& r, unsigned flags) = 0;
  // The dotted focus rectangle, drawn in the current text colour.
  virtual void DrawFocusRect(const Rect& r) = 0;
  // Width and single-line height of a text in the surface's font.
  [[nodiscard]] virtual TextSize MeasureText(std::string_view text) const = 0;
};

}  // namespace qm::button
