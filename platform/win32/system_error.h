// The system's own wording of an error code, for messages to the user.
#pragma once

#include <windows.h>

#include <string>

namespace qm::win32 {

// The text FormatMessageW gives for `error` (UTF-8, without the trailing
// line break); empty when the system has none.
[[nodiscard]] std::string SystemErrorText(DWORD error);

}  // namespace qm::win32
