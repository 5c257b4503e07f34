// Text onto the system's clipboard.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace qm::win32 {

// Replaces the clipboard's content with the UTF-8 text as CF_UNICODETEXT:
// 0, or the platform's error code of the step that failed.
[[nodiscard]] std::uint32_t PutClipboardText(HWND owner, std::string_view utf8);

}  // namespace qm::win32
