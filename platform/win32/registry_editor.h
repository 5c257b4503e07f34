// The repair's registry operations on the real registry, through the W APIs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_writer.h"

namespace qm::win32 {

class Win32RegistryEditor final : public RegistryEditor {
 public:
  [[nodiscard]] RegStatus OpenKeyForQuery(RegKey parent, std::string_view path,
                                          RegKey* out) override;
  [[nodiscard]] RegStatus OpenKeyForWrite(RegKey parent, std::string_view path,
                                          RegKey* out) override;
  [[nodiscard]] RegStatus QueryValue(RegKey key, std::string_view name, RegValue& value) override;
  [[nodiscard]] RegStatus DeleteValue(RegKey key, std::string_view name) override;
  [[nodiscard]] RegStatus CreateKeyForWrite(RegKey parent, std::string_view path,
                                            RegKey* out) override;
  [[nodiscard]] RegStatus WriteValue(RegKey key, const RegValue& value) override;
  void CloseKey(RegKey key) override;

 private:
  [[nodiscard]] RegStatus Open(RegKey parent, std::string_view path, REGSAM access, RegKey* out);

  std::vector<BYTE> data_ = std::vector<BYTE>(1024);
};

}  // namespace qm::win32
