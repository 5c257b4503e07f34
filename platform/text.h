// Text helpers of the portable core. Inside the core every text is UTF-8;
// conversion to UTF-16 happens only at the platform boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::text {

// Decodes UTF-16LE bytes (as the registry stores string data) to UTF-8.
// Stops at the first NUL character when stop_at_nul is set. An odd trailing
// byte is ignored and an unpaired surrogate becomes U+FFFD, so any byte
// sequence decodes without failure.
[[nodiscard]] std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size,
                                        bool stop_at_nul);

[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of one code point (invalid ones as U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one code point at pos and advances pos; malformed bytes yield
// U+FFFD and advance by one byte.
[[nodiscard]] char32_t NextCodePoint(std::string_view s, std::size_t& pos);

// Simple upper-case mapping: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters. Other characters (CJK among
// them) have no case and stay as they are.
[[nodiscard]] char32_t UpperCodePoint(char32_t cp);
[[nodiscard]] std::string UpperCase(std::string_view utf8);

// Case-insensitive comparisons under the mapping above.
[[nodiscard]] bool EqualsNoCase(std::string_view a, std::string_view b);

// Finds a text inside another without regard to case. Prepared once for a
// needle, then used for many haystacks: the registry search tests every
// name and data text against the same search text.
class NoCaseFinder {
 public:
  explicit NoCaseFinder(std::string_view needle = {});
  [[nodiscard]] bool FoundIn(std::string_view haystack) const;
  [[nodiscard]] bool Empty() const { return upper_needle_.empty(); }

 private:
  [[nodiscard]] bool MatchesAt(std::string_view haystack, std::size_t at) const;

  std::string upper_needle_;
  bool ascii_ = true;
  std::size_t anchor_ = 0;
  bool caseless_anchor_ = false;
};

}  // namespace qm::text
