// The backup writer's file operations and clock on Linux, for backups kept
// on the drive being repaired, under the Windows paths its system will see.
#pragma once

#include "platform/linux/linux_file_system.h"
#include "repair/backup_clock.h"
#include "repair/backup_disk.h"

namespace qm::cli {

class LinuxBackupDisk final : public BackupDisk {
 public:
  explicit LinuxBackupDisk(posix::LinuxFileSystem& files) : files_(files) {}
  [[nodiscard]] PathState Inspect(std::string_view path) override;
  [[nodiscard]] std::uint32_t CreateFolder(std::string_view path) override;
  [[nodiscard]] std::uint32_t PublishNewFile(std::string_view path,
                                             std::span<const std::uint8_t> bytes) override;

 private:
  // The Linux path of a Windows path whose folder exists; empty if none.
  std::string NewPath(std::string_view path);
  posix::LinuxFileSystem& files_;
};

class LinuxBackupClock final : public BackupClock {
 public:
  [[nodiscard]] LocalDateTimeText Now() override;
};

}  // namespace qm::cli
