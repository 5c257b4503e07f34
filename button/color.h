// Colour values and the small integer arithmetic the button draws with.
// A colour is the platform's 32-bit value: red + 256 * green + 65536 * blue.
// It is signed because stored values are taken as they are, and a negative
// one must still split into (non-positive) channels without failing.
#pragma once

#include <cstdint>

namespace qm::button {

using Color = std::int32_t;

// Builds a colour; a channel above 255 counts as 255 and one below 0 as 0.
[[nodiscard]] Color Rgb(int red, int green, int blue);

// Channels split by truncating division and a remainder that keeps the
// sign of the dividend, so 0..16777215 give the plain bytes.
[[nodiscard]] int RedOf(Color c);
[[nodiscard]] int GreenOf(Color c);
[[nodiscard]] int BlueOf(Color c);

[[nodiscard]] int ClampChannel(int v);
[[nodiscard]] float ClampChannel(float v);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Results beyond the 32-bit range saturate and NaN gives 0, so arithmetic
// at degenerate sizes never fails.
[[nodiscard]] std::int32_t RoundHalfEven(double v);

// Moves every channel by delta; with scale_blue the blue channel moves by
// blue * delta / 192 (truncated) instead. Channels are clamped to 0..255.
[[nodiscard]] Color AdjustColor(Color c, int delta, bool scale_blue);

// Moves each channel by its own delta and limits it to 0..the channel of limit.
[[nodiscard]] Color OffsetColorWithin(Color c, int dr, int dg, int db, Color limit);

}  // namespace qm::button
