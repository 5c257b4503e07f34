// Text helpers of the portable core. Inside the core every text is UTF-8;
// conversion to UTF-16 happens only at the platform boundary.
//
// Registry names (key names, value names, paths) are any sequence of UTF-16
// units, unpaired surrogates included, and must reach the W calls exactly as
// they were read. They are carried as WTF-8: UTF-8 in which an unpaired
// surrogate keeps its own three-byte form (ED A0..BF 80..BF). A well-formed
// name is plain UTF-8; string data, which stay raw bytes until shown, are
// decoded as standard UTF-8 with U+FFFD for what does not decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qm::text {

// Decodes UTF-16LE bytes (as the registry stores string data) to UTF-8.
// Stops at the first NUL character when stop_at_nul is set. An odd trailing
// byte is ignored and an unpaired surrogate becomes U+FFFD, so any byte
// sequence decodes without failure.
[[nodiscard]] std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size,
                                        bool stop_at_nul);

// Encodes UTF-8 to UTF-16. WTF-8 is read too: the three-byte form of a
// surrogate gives that surrogate unit, so Utf8ToUtf16(Utf16ToWtf8(u)) == u
// for every u. Other malformed bytes become U+FFFD.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
// Standard UTF-8: an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);
// Lossless: an unpaired surrogate keeps its three-byte form (WTF-8), a
// paired one becomes its four-byte UTF-8 character as usual.
[[nodiscard]] std::string Utf16ToWtf8(std::u16string_view utf16);

// Whether the text is the WTF-8 form of some UTF-16 name, that is, whether
// it survives Utf8ToUtf16 and back byte for byte. False for stray bytes,
// overlong forms, and a surrogate pair written as two three-byte forms.
[[nodiscard]] bool IsWtf8(std::string_view text);

// The text as well-formed UTF-8 for a reader (a console, a CSV file): each
// unpaired surrogate, and each stray byte, becomes U+FFFD. Well-formed
// UTF-8 is returned as it is.
[[nodiscard]] std::string DisplayUtf8(std::string_view wtf8);
// DisplayUtf8 kept on one line: each control character (a line break, a
// tab, DEL) shown as its control picture (U+240A and so on). For a cell of
// a listing and for any message that echoes what a user typed or wrote.
[[nodiscard]] std::string OneLine(std::string_view wtf8);

// Appends the UTF-8 form of one code point (invalid ones, surrogates
// included, as U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);

// Appends one code point as WTF-8: a surrogate keeps its own three-byte
// form, as a registry name carries it; any other as AppendUtf8 does.
void AppendWtf8(std::string& out, char32_t cp);

// The code points of a text, decoded one by one as NextCodePoint does.
[[nodiscard]] std::u32string CodePoints(std::string_view s);

// How BackslashEscaped writes what has no character of its own.
struct EscapeForm {
  bool upper_hex = false;      // \u001F rather than \u001f
  bool escape_delete = false;  // DEL (U+007F) as \u007F rather than as it is
};
// The text between double quotes with backslash escapes, as a JSON string
// and an ignore-list value name write it: \" \\ \n \r \t, every other
// control character and each unpaired surrogate (WTF-8) as \uXXXX, and a
// byte that is no character's as \uFFFD. The quotes are not added.
[[nodiscard]] std::string BackslashEscaped(std::string_view wtf8, EscapeForm form);

// Decodes one code point at pos and advances pos; malformed bytes yield
// U+FFFD and advance by one byte. The WTF-8 form of a surrogate yields the
// surrogate (0xD800 to 0xDFFF): callers that need a character, not a
// registry name, treat it like any other character without case.
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
  // Inline for the common answer: most texts a walk tests (value names,
  // short strings) do not hold the needle's caseless character at all.
  [[nodiscard]] bool FoundIn(std::string_view haystack) const {
    if (caseless_anchor_ && ascii_ &&
        (haystack.size() < upper_needle_.size() ||
         !std::memchr(haystack.data(), upper_needle_[anchor_], haystack.size()))) {
      return false;
    }
    return Search(haystack);
  }
  [[nodiscard]] bool Empty() const { return upper_needle_.empty(); }

 private:
  [[nodiscard]] bool Search(std::string_view haystack) const;
  [[nodiscard]] bool MatchesAt(std::string_view haystack, std::size_t at) const;

  std::string upper_needle_;
  bool ascii_ = true;
  std::size_t anchor_ = 0;
  bool caseless_anchor_ = false;
};

}  // namespace qm::text
