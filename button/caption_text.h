// Caption text rules: the "&" prefix as the platform shows it, and the
// access key the button takes from its caption. Texts are UTF-8; positions
// and lengths count code points.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qm::button {

[[nodiscard]] std::size_t CodePointCount(std::string_view utf8);

struct PrefixedText {
  std::string shown;   // "&x" shows x, "&&" shows one "&", a final "&" shows nothing
  int underline = -1;  // code-point index in shown of the last marked character
};
[[nodiscard]] PrefixedText ParsePrefix(std::string_view caption);

// Lower case for the letters that have one (ASCII, Latin-1, Greek, Cyrillic,
// full-width Latin); other characters come back unchanged.
[[nodiscard]] char32_t LowerCodePoint(char32_t c);

// The access key of a caption, in lower case; nullopt when it has none.
// Only the first "&" and, after a doubled one, the next "&" are examined.
[[nodiscard]] std::optional<char32_t> AccessKeyOf(std::string_view caption);

}  // namespace qm::button
