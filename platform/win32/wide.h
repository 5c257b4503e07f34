// UTF-8 <-> UTF-16 at the Win32 call. Only Win32 sources include this.
#pragma once

#include <string>
#include <string_view>

namespace qm::win32 {

[[nodiscard]] std::wstring Widen(std::string_view utf8);
[[nodiscard]] std::string Narrow(std::wstring_view utf16);

}  // namespace qm::win32
