// The local date and time in the user's regional short-date and long-time
// formats.
#pragma once

#include "repair/backup_clock.h"

namespace qm::win32 {

class SystemBackupClock final : public BackupClock {
 public:
  [[nodiscard]] LocalDateTimeText Now() override;
};

}  // namespace qm::win32
