#include "repair/backup_clock.h"

#include <algorithm>

namespace qm {

LocalDateTimeText FixedDateTimeText(const CivilTime& t) {
  auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  LocalDateTimeText out;
  out.short_date =
      std::to_string(t.year) + "/" + std::to_string(t.month) + "/" + std::to_string(t.day);
  out.long_time = std::to_string(t.hour) + ":" + two(t.minute) + ":" + two(t.second);
  out.midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
  return out;
}

std::string BackupStampText(const LocalDateTimeText& now) {
  std::string s = now.short_date;
  if (!now.midnight) s += " " + now.long_time;
  std::replace(s.begin(), s.end(), '/', '-');
  std::replace(s.begin(), s.end(), ':', ';');
  return s;
}

std::string BackupFileName(const std::string& stamp, int candidate) {
  std::string name = "Backup (" + stamp + ")";
  if (candidate > 1) name += " (" + std::to_string(candidate) + ")";
  return name + ".reg";
}

}  // namespace qm
