// What the form's own sources share: geometry and the skinned buttons'
// host. Nothing outside shell/form*.cpp includes it.
#pragma once

#include <windows.h>

#include <string>

#include "button/command_host.h"
#include "shell/form.h"
#include "shell/twips.h"

namespace qm::shell {

[[nodiscard]] inline RECT ToRect(const PixelRect& r) {
  return RECT{r.left, r.top, r.right(), r.bottom()};
}

// The ambient values a skinned button reads from the window it sits on.
struct Form::CommandHostImpl final : button::CommandHost {
  std::string name;
  button::FontSpec font;
  [[nodiscard]] button::FontSpec AmbientFont() const override { return font; }
  [[nodiscard]] std::string InstanceName() const override { return name; }
};

}  // namespace qm::shell
