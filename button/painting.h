// PaintButton: draws the button's current look onto a canvas.
#pragma once

#include <cstdint>

#include "button/button_types.h"
#include "button/canvas.h"

namespace qm::button {

struct PaintInputs {
  const ButtonProperties& props;
  const Palette& palette;
  bool display_as_default;  // the host's ambient default-button flag
};

// Draws the look for `state` (kStateUp or kStateDown) and records it in
// `state_out.DrawState`. Without force it returns at once when neither the
// look nor the caption changed; with H = 0 it never draws. Returns whether
// it drew.
bool PaintButton(Canvas& canvas, const PaintInputs& in, ButtonState& st, std::uint8_t state,
                 bool force);

}  // namespace qm::button
