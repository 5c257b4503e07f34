#include "shell/ad_text.h"

#include "platform/text.h"

namespace qm::shell {

std::string AdTextFrom(std::string_view text) {
  // Compare characters, not bytes: a body that begins with a two-byte
  // character must not be cut in the middle of it.
  std::size_t pos = 0;
  char32_t prefix[2] = {0, 0};
  for (char32_t& c : prefix) {
    if (pos >= text.size()) return {};
    c = text::UpperCodePoint(text::NextCodePoint(text, pos));
  }
  if (prefix[0] != U'A' || prefix[1] != U'D') return {};
  return std::string(text.substr(pos));
}

}  // namespace qm::shell
