// The answer typed to repair's question, read so that no input can make
// it grow: only one short line is ever held.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace qm::cli {

// The longest answer kept; "yes" needs three.
inline constexpr std::size_t kAnswerLimit = 64;

// The first line of `in` without its line end (LF or CR LF). At most
// `limit` + 2 bytes are read: a longer line is no answer (empty text,
// never a "yes") and its rest stays unread. Nothing at the end of input.
[[nodiscard]] std::optional<std::string> ReadAnswerLine(std::FILE* in,
                                                        std::size_t limit = kAnswerLimit);

// "y" or "yes" in any letter case.
[[nodiscard]] bool IsYes(std::string_view answer);

}  // namespace qm::cli
