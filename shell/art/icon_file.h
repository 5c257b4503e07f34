// Writes an ICO file: every canvas (square, transparent background) at
// 32 bits per pixel with alpha and at 256 colours with a transparency mask.
#pragma once

#include <string>
#include <vector>

#include "shell/art/canvas.h"

namespace qm::art {

[[nodiscard]] bool SaveIcon(const std::wstring& path, const std::vector<const Canvas*>& images);

}  // namespace qm::art
