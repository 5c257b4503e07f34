// File-system queries on Win32.
#pragma once

#include "platform/file_system.h"

namespace qm::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  [[nodiscard]] Status QueryPath(std::string_view path) override;
  [[nodiscard]] std::string SystemDirectory() override;
  [[nodiscard]] std::string AlternateSystemDirectory() override;
  // The short names given are the volume's own; Wine's are hashed
  // (PROG~FBU) and serve only where they match exactly.
  [[nodiscard]] FolderList ListFolder(std::string_view folder) override;
};

}  // namespace qm::win32
