// How the search shows a value's data as text: the text that is matched
// against the search text and that appears in the error list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace qm {

inline constexpr const char* kUnsupportedText = "Temporarily unsupported";

// Strings (REG_SZ, REG_MULTI_SZ) up to their first NUL, so a multi-string
// reads as its first string; binary as upper-case hex pairs separated by
// blanks; a DWORD as 0x%08X(%d); every other type as kUnsupportedText.
// Empty data are treated as one zero byte.
[[nodiscard]] std::string FormatValueData(std::uint32_t type, const std::uint8_t* data,
                                          std::size_t size);

// The same into a buffer the caller reuses, so a walk formats without
// allocating once the buffer has grown.
void FormatValueDataInto(std::string& out, std::uint32_t type, const std::uint8_t* data,
                         std::size_t size);

// A value's type and data as the registry stores them.
struct StoredData {
  std::uint32_t type = kRegNone;
  std::span<const std::uint8_t> bytes;
};

// The strings of a REG_MULTI_SZ value after its first (the one the search
// shows), the empty ones left out, up to the end of its data; none for any
// other type.
[[nodiscard]] std::vector<std::string> LaterStrings(const StoredData& stored);

}  // namespace qm
