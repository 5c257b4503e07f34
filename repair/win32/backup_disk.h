// The backup writer's file operations on the real file system.
#pragma once

#include "repair/backup_disk.h"

namespace qm::win32 {

class Win32BackupDisk final : public BackupDisk {
 public:
  [[nodiscard]] Result<PathKind> Inspect(std::string_view path) override;
  [[nodiscard]] std::uint32_t CreateFolder(std::string_view path) override;
  [[nodiscard]] std::uint32_t PublishNewFile(std::string_view path,
                                             std::span<const std::uint8_t> bytes) override;
};

}  // namespace qm::win32
