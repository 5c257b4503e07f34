#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace qm::text {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsSurrogate(char32_t cp) {
  return cp >= 0xD800 && cp <= 0xDFFF;
}

void AppendUnicodeEscape(std::string& out, char32_t cp, bool upper_hex) {
  const char* hex = upper_hex ? "0123456789ABCDEF" : "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hex[(cp >> shift) & 0xF]);
}
}  // namespace

void AppendWtf8(std::string& out, char32_t cp) {
  if (!IsSurrogate(cp)) {
    AppendUtf8(out, cp);
    return;
  }
  out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
  out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
  out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
}

std::u32string CodePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) out.push_back(NextCodePoint(s, pos));
  return out;
}

std::string BackslashEscaped(std::string_view wtf8, EscapeForm form) {
  std::string out;
  out.reserve(wtf8.size() + 2);
  for (std::size_t pos = 0; pos < wtf8.size();) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(wtf8, pos);
    switch (cp) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    const bool control = cp < 0x20 || (form.escape_delete && cp == 0x7F);
    // A three-byte U+FFFD is the character itself; shorter is a stray byte.
    const bool stray = cp == kReplacement && pos - start != 3;
    if (control || IsSurrogate(cp) || stray) {
      AppendUnicodeEscape(out, cp, form.upper_hex);
    } else {
      out.append(wtf8.substr(start, pos - start));
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int len = 0;
  char32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + len > s.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  // A surrogate's three-byte form is let through: it is how a registry
  // name with an unpaired surrogate is carried (WTF-8).
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF) {
    ++pos;
    return kReplacement;
  }
  pos += len;
  return cp;
}

std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size, bool stop_at_nul) {
  std::string out;
  const std::size_t units = size / 2;
  out.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    char32_t u = static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (u == 0 && stop_at_nul) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char32_t lo = static_cast<char32_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD there
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, pos);
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(utf16.data()), utf16.size() * 2,
                       false);
}

std::string Utf16ToWtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char32_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendWtf8(out, u);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

bool IsWtf8(std::string_view text) {
  bool after_high = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(text, pos);
    // A malformed byte decodes as U+FFFD one byte long; the character
    // itself takes three.
    if (cp == kReplacement && pos - start != 3) return false;
    // A pair in two three-byte forms would come back as one four-byte form.
    if (after_high && cp >= 0xDC00 && cp <= 0xDFFF) return false;
    after_high = cp >= 0xD800 && cp <= 0xDBFF;
  }
  return true;
}

std::string DisplayUtf8(std::string_view wtf8) {
  std::string out;
  out.reserve(wtf8.size());
  for (std::size_t pos = 0; pos < wtf8.size();) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(wtf8, pos);
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == kReplacement) {
      AppendUtf8(out, kReplacement);  // a stray byte too
    } else {
      out.append(wtf8.substr(start, pos - start));
    }
  }
  return out;
}

std::string OneLine(std::string_view wtf8) {
  const std::string s = DisplayUtf8(wtf8);
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      // The character's control picture (U+2400 to U+241F, U+2421 for
      // DEL): a line break or tab inside a cell would break the row.
      AppendUtf8(out, b == 0x7F ? 0x2421 : 0x2400 + b);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

char32_t UpperCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs capital/small on even/odd code points, except
    // for a shifted run between U+0139 and U+0148 and from U+0179 on.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

std::string UpperCase(std::string_view utf8) {
  if (std::all_of(utf8.begin(), utf8.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string out(utf8);
    for (char& c : out) c = AsciiUpper(c);
    return out;
  }
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out.push_back(AsciiUpper(static_cast<char>(b)));
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(utf8, pos);
    const char32_t up = UpperCodePoint(cp);
    if (up == cp && cp != kReplacement) {
      out.append(utf8.substr(start, pos - start));
    } else {
      AppendUtf8(out, up);
    }
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return UpperCase(a) == UpperCase(b);
}

NoCaseFinder::NoCaseFinder(std::string_view needle) : upper_needle_(UpperCase(needle)) {
  ascii_ = std::all_of(upper_needle_.begin(), upper_needle_.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  // Anchor the search on a character that has no case ("C:" has ':'), so
  // candidates can be found with memchr.
  for (std::size_t i = 0; i < upper_needle_.size(); ++i) {
    const char c = upper_needle_[i];
    if (!(c >= 'A' && c <= 'Z')) {
      anchor_ = i;
      caseless_anchor_ = true;
      break;
    }
  }
}

bool NoCaseFinder::MatchesAt(std::string_view haystack, std::size_t at) const {
  for (std::size_t k = 0; k < upper_needle_.size(); ++k) {
    if (AsciiUpper(haystack[at + k]) != upper_needle_[k]) return false;
  }
  return true;
}

bool NoCaseFinder::Search(std::string_view haystack) const {
  if (upper_needle_.empty()) return !haystack.empty();
  if (!ascii_) return UpperCase(haystack).find(upper_needle_) != std::string::npos;
  // An ASCII needle can only match ASCII bytes, and the multi-byte sequences
  // of UTF-8 never contain ASCII bytes, so a byte-wise search is exact here.
  const std::size_t n = upper_needle_.size();
  if (haystack.size() < n) return false;
  const std::size_t last = haystack.size() - n;  // the last possible start
  if (caseless_anchor_) {
    const char a = upper_needle_[anchor_];
    const char* base = haystack.data();
    const char* p = base + anchor_;
    const char* end = base + last + anchor_ + 1;
    while (p < end) {
      p = static_cast<const char*>(std::memchr(p, a, static_cast<std::size_t>(end - p)));
      if (!p) return false;
      if (MatchesAt(haystack, static_cast<std::size_t>(p - base) - anchor_)) return true;
      ++p;
    }
    return false;
  }
  const char first = upper_needle_[0];
  for (std::size_t i = 0; i <= last; ++i) {
    if (AsciiUpper(haystack[i]) == first && MatchesAt(haystack, i)) return true;
  }
  return false;
}

}  // namespace qm::text
