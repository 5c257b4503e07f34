// UTF-8 <-> UTF-16 at the Win32 call. Only Win32 sources include this.
// Lossless both ways: Narrow keeps an unpaired surrogate as WTF-8 and
// Widen gives it back, so a registry name read from one W call addresses
// the same item in the next.
#pragma once

#include <string>
#include <string_view>

namespace qm::win32 {

[[nodiscard]] std::wstring Widen(std::string_view utf8);
[[nodiscard]] std::string Narrow(std::wstring_view utf16);

}  // namespace qm::win32
