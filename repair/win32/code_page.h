// The system's ANSI code page through WideCharToMultiByte.
#pragma once

#include <windows.h>

#include "repair/code_page.h"

namespace qm::win32 {

class Win32CodePage final : public AnsiCodePage {
 public:
  // The code page GetACP reports now, or another one for tests.
  Win32CodePage() : Win32CodePage(GetACP()) {}
  explicit Win32CodePage(UINT code_page) : code_page_(code_page) {}

  [[nodiscard]] std::optional<std::string> Encode(std::u16string_view text) override;
  [[nodiscard]] std::optional<std::u16string> Decode(std::string_view bytes) override;
  [[nodiscard]] UINT CodePage() const { return code_page_; }

 private:
  UINT code_page_;
};

}  // namespace qm::win32
