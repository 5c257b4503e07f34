// The backup folder on the system's file system.
#pragma once

#include "repair/backup_manager.h"

namespace qm::win32 {

class Win32BackupFolder final : public BackupFolder {
 public:
  [[nodiscard]] std::vector<FolderEntry> List(std::string_view folder) override;
  [[nodiscard]] bool FileMissing(std::string_view path) override;
  [[nodiscard]] std::uint32_t Remove(std::string_view path) override;
  [[nodiscard]] std::uint32_t ReadWhole(std::string_view path,
                                        std::vector<std::uint8_t>& bytes) override;
};

}  // namespace qm::win32
