// The window's shape: its client rectangle less a few cut corner pixels.
// Portable description; the Win32 side turns it into a region handle.
#pragma once

#include <cstdint>
#include <vector>

#include "button/canvas.h"

namespace qm::button {

struct WindowShape {
  int width = 0;
  int height = 0;
  std::vector<Rect> removed;  // one-pixel rectangles taken out, in order

  [[nodiscard]] bool Contains(int x, int y) const;
  friend bool operator==(const WindowShape&, const WindowShape&) = default;
};

// The full rectangle W x H; types 3, 4, 8 and 9 lose three pixels at each
// corner.
[[nodiscard]] WindowShape BuildWindowRegion(std::int32_t button_type, int width, int height);

}  // namespace qm::button
