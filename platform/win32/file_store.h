// Whole-file reads and atomic replacements on Win32.
#pragma once

#include "platform/file_store.h"

namespace qm::win32 {

class Win32FileStore final : public FileStore {
 public:
  [[nodiscard]] FileContents ReadWhole(std::string_view path) override;
  [[nodiscard]] std::uint32_t ReplaceWhole(std::string_view path, std::string_view bytes) override;
};

}  // namespace qm::win32
