// Registry data as the tests write it: UTF-16LE bytes of a text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::testing {

// The text's UTF-16LE units, and a terminating NUL when `terminate`.
inline std::vector<std::uint8_t> Utf16Bytes(std::u16string_view s, bool terminate = false) {
  std::vector<std::uint8_t> out;
  for (const char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminate) out.insert(out.end(), {0, 0});
  return out;
}

}  // namespace qm::testing
