#include "platform/win32/wide.h"

#include "platform/text.h"

namespace qm::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16");

std::wstring Widen(std::string_view utf8) {
  const std::u16string w = text::Utf8ToUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

std::string Narrow(std::wstring_view utf16) {
  return text::Utf16ToWtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

}  // namespace qm::win32
