#include "button/caption_text.h"

#include <vector>

namespace qm::button {
namespace {

// Decodes UTF-8 leniently: a malformed byte stands for itself as U+FFFD.
std::vector<char32_t> Decode(std::string_view s) {
  std::vector<char32_t> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= s.size())) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::size_t CodePointCount(std::string_view utf8) {
  return Decode(utf8).size();
}

PrefixedText ParsePrefix(std::string_view caption) {
  const std::vector<char32_t> cps = Decode(caption);
  PrefixedText result;
  int shown_count = 0;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (cps[i] == U'&') {
      if (i + 1 >= cps.size()) break;  // a final "&" marks nothing
      ++i;
      if (cps[i] != U'&') result.underline = shown_count;
    }
    Append(result.shown, cps[i]);
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
  const std::vector<char32_t> cps = Decode(caption);
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
