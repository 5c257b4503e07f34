#include "platform/win32/clipboard.h"

#include <cstring>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// The clipboard is open between construction and destruction.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  [[nodiscard]] bool Open() const { return open_; }

 private:
  bool open_;
};

}  // namespace

std::uint32_t PutClipboardText(HWND owner, std::string_view utf8) {
  const std::wstring text = Widen(utf8);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (block.Get() == nullptr) return GetLastError();
  void* at = GlobalLock(block.Get());
  if (at == nullptr) return GetLastError();
  std::memcpy(at, text.c_str(), bytes);
  GlobalUnlock(block.Get());

  const OpenClipboardScope clipboard(owner);
  if (!clipboard.Open()) return GetLastError();
  if (!EmptyClipboard()) return GetLastError();
  if (SetClipboardData(CF_UNICODETEXT, block.Get()) == nullptr) return GetLastError();
  (void)block.Release();  // the system owns it now
  return 0;
}

}  // namespace qm::win32
