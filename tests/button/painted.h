// A button painted in one look on the software canvas, for pixel checks.
#pragma once

#include <vector>

#include "fakes.h"

namespace qm::button::testing {

inline constexpr Color kFace = 240 + 256 * 240 + 65536 * 240;  // the fake system face colour

struct Look {
  bool hovered = false;
  bool focused = false;
  bool is_default = false;
  std::uint8_t state = kStateUp;
  bool enabled = true;
};

// A button of the given type and size, loaded with defaults plus `extra`.
class Painted {
 public:
  Painted(std::int32_t type, int w, int h, const Look& look = {},
          const MemoryPropertyStore& extra = {})
      : f_(w, h) {
    MemoryPropertyStore layout = extra;
    layout.Set("ButtonType", type);
    if (!layout.Contains("Caption")) layout.Set("Caption", std::string("OK"));
    if (!look.enabled) layout.Set("Enabled", false);
    f_.host.display_as_default = look.is_default;
    f_.command.Load(layout);
    f_.command.Resize();
    if (look.focused) f_.command.FocusGained();
    if (look.hovered) {
      f_.platform.cursor = PointF{3, 3};
      f_.command.Move(0, 0, 3, 3);
    }
    f_.platform.canvas->ForgetTextCalls();
    f_.command.PaintButton(look.state, true);
  }

  [[nodiscard]] Color At(int x, int y) const { return f_.platform.canvas->At(x, y); }
  [[nodiscard]] std::vector<Color> Pixels() const {
    std::vector<Color> out;
    for (int y = 0; y < f_.platform.canvas->Height(); ++y) {
      for (int x = 0; x < f_.platform.canvas->Width(); ++x) out.push_back(At(x, y));
    }
    return out;
  }
  [[nodiscard]] const std::vector<TextCall>& Texts() const {
    return f_.platform.canvas->TextCalls();
  }
  Fixture& fixture() { return f_; }

 private:
  Fixture f_;
};

inline Color Inverted(Color c) {
  return c ^ 0xFFFFFF;
}

}  // namespace qm::button::testing
