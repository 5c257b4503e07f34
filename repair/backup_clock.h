// The local date and time in the user's regional formats, as backup file
// names carry them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct LocalDateTimeText {
  std::string short_date;  // regional short date, for example "2010/7/7"
  std::string long_time;   // regional long time, for example "7:33:11"
  bool midnight = false;   // the time of day is exactly 00:00:00
};

// The clock is read once per backup, so the date and the time in one name
// always belong to the same instant.
class BackupClock {
 public:
  virtual ~BackupClock() = default;
  [[nodiscard]] virtual LocalDateTimeText Now() = 0;
};

struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The formats used where the system offers no regional ones: "2010/7/7"
// and "7:33:11".
[[nodiscard]] LocalDateTimeText FixedDateTimeText(const CivilTime& t);

// The date-time part of a backup file name: the short date, a blank and
// the long time (the short date alone at exactly midnight), then every "/"
// made "-" and every ":" made ";", which file names cannot hold.
[[nodiscard]] std::string BackupStampText(const LocalDateTimeText& now);

// "Backup (" stamp ").reg"; from the second candidate on, a counter keeps
// an earlier backup of the same second from being overwritten:
// "Backup (2010-7-7 7;33;11) (2).reg".
[[nodiscard]] std::string BackupFileName(const std::string& stamp, int candidate);

// What a name BackupFileName gave says about when the backup was written.
struct BackupNameTime {
  std::array<int, 3> date{};  // as the name has them, year first or year last
  bool year_first = false;
  int hour = 0, minute = 0, second = 0;  // on the 24-hour clock
  int candidate = 1;
};

// Reads a name back: "Backup (", a stamp of three numbers (a date whose
// year has four digits, first or last) and, unless it is midnight, three
// more (the time, with "AM"/"PM" or 上午/下午 and their Japanese and Korean
// kin for a 12-hour clock), ")", an optional " (N)", ".reg" in any letter
// case. Any other word, count of numbers or number out of range gives
// nothing: such a name is not read as a time.
[[nodiscard]] std::optional<BackupNameTime> ReadBackupFileName(std::string_view name);

}  // namespace qm
