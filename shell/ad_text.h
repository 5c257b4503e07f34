// The advertisement rule: a fetched body counts only when its first two
// characters are "AD" in any letter case; the advertisement is the rest,
// exactly as sent (no trimming).
#pragma once

#include <string>
#include <string_view>

namespace qm::shell {

// `text` is the whole body already decoded to UTF-8. Returns the text after
// the prefix, or empty text when there is no advertisement.
[[nodiscard]] std::string AdTextFrom(std::string_view text);

}  // namespace qm::shell
