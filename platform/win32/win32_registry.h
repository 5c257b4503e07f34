// The real registry through the W APIs.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace qm::win32 {

// The HKEY of a handle the core uses: predefined roots carry their 32-bit
// values in the core and are sign-extended here, as Windows defines them.
[[nodiscard]] HKEY ToHkey(RegKey key);

class Win32Registry final : public RegistryReader {
 public:
  [[nodiscard]] RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override;
  [[nodiscard]] RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  [[nodiscard]] RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
  void CloseKey(RegKey key) override;

 private:
  // Buffers kept across calls: a walk makes millions of these calls.
  std::vector<wchar_t> key_name_ = std::vector<wchar_t>(256);
  std::vector<wchar_t> value_name_ = std::vector<wchar_t>(16384);
  std::vector<BYTE> data_ = std::vector<BYTE>(4096);
  std::wstring wide_path_;
};

}  // namespace qm::win32
