#include "button/window_shape.h"

namespace qm::button {

bool WindowShape::Contains(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  for (const Rect& r : removed) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return false;
  }
  return true;
}

WindowShape BuildWindowRegion(std::int32_t button_type, int width, int height) {
  WindowShape shape{width, height, {}};
  if (button_type != 3 && button_type != 4 && button_type != 8 && button_type != 9) return shape;
  const int w = width;
  const int h = height;
  const auto pixel = [&shape](int x, int y) { shape.removed.push_back(Rect{x, y, x + 1, y + 1}); };
  pixel(0, 0);
  pixel(1, 0);
  pixel(0, 1);
  pixel(w - 1, 0);
  pixel(w - 2, 0);
  pixel(w - 1, 1);
  pixel(0, h - 1);
  pixel(1, h - 1);
  pixel(0, h - 2);
  pixel(w - 1, h - 1);
  pixel(w - 2, h - 1);
  pixel(w - 1, h - 2);
  return shape;
}

}  // namespace qm::button
