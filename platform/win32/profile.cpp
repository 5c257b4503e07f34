#include "platform/win32/profile.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// Profile values are short; a larger request is served with this many
// characters instead of allocating whatever the caller asked for.
constexpr std::size_t kMaxBufferChars = std::size_t{1} << 20;

}  // namespace

ProfileRead Win32Profile::GetString(std::string_view file, std::string_view section,
                                    std::string_view key, std::size_t buffer_chars) {
  if (buffer_chars == 0) return {};
  const DWORD size = static_cast<DWORD>(std::min(buffer_chars, kMaxBufferChars));
  std::vector<wchar_t> buffer(size, L'\0');
  // The names are always passed, never null: a null section or key would
  // ask the system for a list of names instead of one value.
  const DWORD copied = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"",
                                                buffer.data(), size, Widen(file).c_str());
  const std::size_t length = wcsnlen(buffer.data(), buffer.size());
  // Profile values are figures and settings, never names to address again:
  // they decode as every other text of the profile does, a cut surrogate
  // pair becoming U+FFFD, so that both profile readers agree.
  return {text::Utf16ToUtf8(
              std::u16string_view(reinterpret_cast<const char16_t*>(buffer.data()), length)),
          copied};
}

bool Win32Profile::WriteString(std::string_view file, std::string_view section,
                               std::string_view key, std::string_view value) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), Widen(file).c_str()) != FALSE;
}

}  // namespace qm::win32
