#include "repair/win32/code_page.h"

#include <vector>

namespace qm::win32 {

std::optional<std::string> Win32CodePage::Encode(std::u16string_view text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int chars = static_cast<int>(text.size());
  // UTF-8 as the ANSI code page (a Windows option) takes neither flag nor
  // the used-default pointer; it represents everything but lone surrogates.
  const bool utf8 = code_page_ == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int bytes = WideCharToMultiByte(code_page_, flags, wide, chars, nullptr, 0, nullptr, used);
  if (bytes <= 0 || used_default) return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(code_page_, flags, wide, chars, out.data(), bytes, nullptr, used) !=
          bytes ||
      used_default) {
    return std::nullopt;
  }
  // Some code pages map a character to bytes that read back as another
  // one without reporting a default; only an exact round trip counts.
  std::vector<wchar_t> back(text.size() + 1);
  const int back_chars = MultiByteToWideChar(code_page_, 0, out.data(), bytes, back.data(),
                                             static_cast<int>(back.size()));
  if (back_chars != chars || std::wstring_view(back.data(), back_chars) !=
                                 std::wstring_view(wide, static_cast<std::size_t>(chars))) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::u16string> Win32CodePage::Decode(std::string_view bytes) {
  if (bytes.empty()) return std::u16string();
  const int size = static_cast<int>(bytes.size());
  // A lead byte without its trail byte, or a sequence the code page does
  // not define, fails rather than turning into a default character.
  const int chars =
      MultiByteToWideChar(code_page_, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (chars <= 0) return std::nullopt;
  std::u16string out(static_cast<std::size_t>(chars), u'\0');
  if (MultiByteToWideChar(code_page_, MB_ERR_INVALID_CHARS, bytes.data(), size,
                          reinterpret_cast<wchar_t*>(out.data()), chars) != chars) {
    return std::nullopt;
  }
  return out;
}

}  // namespace qm::win32
