// The backup writer's file operations and clock on Linux, for backups kept
// on the drive being repaired, under the Windows paths its system will see.
#pragma once

#include "platform/linux/linux_file_system.h"
#include "repair/backup_clock.h"
#include "repair/backup_disk.h"
#include "repair/backup_manager.h"

namespace qm::posix {

class LinuxBackupDisk final : public BackupDisk {
 public:
  explicit LinuxBackupDisk(LinuxFileSystem& files) : files_(files) {}
  [[nodiscard]] Result<PathKind> Inspect(std::string_view path) override;
  [[nodiscard]] std::uint32_t CreateFolder(std::string_view path) override;
  [[nodiscard]] std::uint32_t PublishNewFile(std::string_view path,
                                             std::span<const std::uint8_t> bytes) override;

 private:
  // The Linux path of a Windows path whose folder exists; empty if none.
  std::string NewPath(std::string_view path);
  LinuxFileSystem& files_;
};

// The backup folder of a prefix or an installation, by Linux paths, for
// the backup manager's list, restore and delete.
class LinuxBackupFolder final : public BackupFolder {
 public:
  [[nodiscard]] std::vector<FolderEntry> List(std::string_view folder) override;
  [[nodiscard]] bool FileMissing(std::string_view path) override;
  [[nodiscard]] std::uint32_t Remove(std::string_view path) override;
  [[nodiscard]] std::uint32_t ReadWhole(std::string_view path,
                                        std::vector<std::uint8_t>& bytes) override;
};

class LinuxBackupClock final : public BackupClock {
 public:
  [[nodiscard]] LocalDateTimeText Now() override;
};

}  // namespace qm::posix
