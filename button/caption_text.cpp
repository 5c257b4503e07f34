#include "button/caption_text.h"

#include "platform/text.h"

namespace qm::button {

std::size_t CodePointCount(std::string_view utf8) {
  return text::CodePoints(utf8).size();
}

PrefixedText ParsePrefix(std::string_view caption) {
  const std::u32string cps = text::CodePoints(caption);
  PrefixedText result;
  int shown_count = 0;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (cps[i] == U'&') {
      if (i + 1 >= cps.size()) break;  // a final "&" marks nothing
      ++i;
      if (cps[i] != U'&') result.underline = shown_count;
    }
    text::AppendWtf8(result.shown, cps[i]);
    ++shown_count;
  }
  return result;
}

char32_t LowerCodePoint(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return c + 32;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

std::optional<char32_t> AccessKeyOf(std::string_view caption) {
  const std::u32string cps = text::CodePoints(caption);
  const std::size_t n = cps.size();
  if (n < 2) return std::nullopt;
  std::size_t p = 0;
  while (p < n && cps[p] != U'&') ++p;
  if (p >= n - 1) return std::nullopt;  // none, or only at the very end
  if (cps[p + 1] != U'&') return LowerCodePoint(cps[p + 1]);
  // A doubled "&" shows as one; look once more, after it.
  std::size_t q = p + 2;
  while (q < n && cps[q] != U'&') ++q;
  if (q >= n - 1) return std::nullopt;
  if (cps[q + 1] != U'&') return LowerCodePoint(cps[q + 1]);
  return std::nullopt;
}

}  // namespace qm::button
