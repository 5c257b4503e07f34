#include "platform/win32/clipboard.h"

#include <cstring>
#include <string>

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

// Owns a moveable global block until the clipboard takes it.
class GlobalBlock {
 public:
  explicit GlobalBlock(std::size_t bytes) : h_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~GlobalBlock() {
    if (h_ != nullptr) GlobalFree(h_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  [[nodiscard]] HGLOBAL Get() const { return h_; }
  void Release() { h_ = nullptr; }

 private:
  HGLOBAL h_;
};

}  // namespace

std::uint32_t PutClipboardText(HWND owner, std::string_view utf8) {
  const std::wstring text = Widen(utf8);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  GlobalBlock block(bytes);
  if (block.Get() == nullptr) return GetLastError();
  void* at = GlobalLock(block.Get());
  if (at == nullptr) return GetLastError();
  std::memcpy(at, text.c_str(), bytes);
  GlobalUnlock(block.Get());

  const OpenClipboardScope clipboard(owner);
  if (!clipboard.Open()) return GetLastError();
  if (!EmptyClipboard()) return GetLastError();
  if (SetClipboardData(CF_UNICODETEXT, block.Get()) == nullptr) return GetLastError();
  block.Release();  // the system owns it now
  return 0;
}

}  // namespace qm::win32
