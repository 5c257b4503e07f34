#include "button/color.h"

#include <cmath>
#include <limits>

namespace qm::button {

int ClampChannel(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

float ClampChannel(float v) {
  return v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
}

Color Rgb(int red, int green, int blue) {
  return ClampChannel(red) + 256 * ClampChannel(green) + 65536 * ClampChannel(blue);
}

// C++ integer division already truncates towards zero and % keeps the
// dividend's sign, which is exactly the split the stored values need.
int RedOf(Color c) {
  return c % 256;
}
int GreenOf(Color c) {
  return (c / 256) % 256;
}
int BlueOf(Color c) {
  return (c / 65536) % 256;
}

std::int32_t RoundHalfEven(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
  constexpr double kMin = static_cast<double>(std::numeric_limits<std::int32_t>::min());
  if (v >= kMax) return std::numeric_limits<std::int32_t>::max();
  if (v <= kMin) return std::numeric_limits<std::int32_t>::min();
  const double floor = std::floor(v);
  const double fraction = v - floor;
  double result = floor;
  if (fraction > 0.5) {
    result = floor + 1.0;
  } else if (fraction == 0.5) {
    result = std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
  }
  return static_cast<std::int32_t>(result);
}

Color AdjustColor(Color c, int delta, bool scale_blue) {
  int blue = BlueOf(c);
  const int green = GreenOf(c) + delta;
  const int red = RedOf(c) + delta;
  blue = scale_blue ? blue + (blue * delta) / 192 : blue + delta;
  return Rgb(red, green, blue);
}

Color OffsetColorWithin(Color c, int dr, int dg, int db, Color limit) {
  auto within = [](int v, int top) { return v < 0 ? 0 : (v > top ? top : v); };
  return Rgb(within(RedOf(c) + dr, RedOf(limit)), within(GreenOf(c) + dg, GreenOf(limit)),
             within(BlueOf(c) + db, BlueOf(limit)));
}

}  // namespace qm::button
