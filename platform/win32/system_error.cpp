#include "platform/win32/system_error.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

std::string SystemErrorText(DWORD error) {
  UniqueLocal<wchar_t*> buffer;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.Put()), 0, nullptr);
  std::wstring text = n != 0 && buffer ? std::wstring(buffer.Get(), n) : std::wstring();
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

}  // namespace qm::win32
