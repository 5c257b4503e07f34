#include "repair/backup_clock.h"

#include <algorithm>
#include <vector>

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

namespace {

bool IsWordByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// 0 for a morning word, 12 for an afternoon word, -1 for any other.
int HalfOfDay(std::string_view word) {
  static constexpr std::string_view kMorning[] = {"AM", "am", "上午", "午前", "오전"};
  static constexpr std::string_view kAfternoon[] = {"PM", "pm", "下午", "午後", "오후"};
  if (std::find(std::begin(kMorning), std::end(kMorning), word) != std::end(kMorning)) return 0;
  if (std::find(std::begin(kAfternoon), std::end(kAfternoon), word) != std::end(kAfternoon)) {
    return 12;
  }
  return -1;
}

// " (N)" with N of 2 or more at the end of `rest`, taken off.
int TakeCandidate(std::string_view& rest) {
  const std::size_t open = rest.rfind(" (");
  if (open == std::string_view::npos || !rest.ends_with(')') || open + 3 >= rest.size()) return 1;
  int n = 0;
  for (char c : rest.substr(open + 2, rest.size() - open - 3)) {
    if (c < '0' || c > '9' || n > 100000) return 1;
    n = n * 10 + (c - '0');
  }
  if (n < 2) return 1;
  rest = rest.substr(0, open);
  return n;
}

}  // namespace

std::optional<BackupNameTime> ReadBackupFileName(std::string_view name) {
  constexpr std::string_view kHead = "Backup (";
  if (!name.starts_with(kHead) || name.size() < kHead.size() + 5) return std::nullopt;
  std::string extension(name.substr(name.size() - 4));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  if (extension != ".reg") return std::nullopt;
  std::string_view rest = name.substr(kHead.size(), name.size() - kHead.size() - 4);
  BackupNameTime t;
  t.candidate = TakeCandidate(rest);
  if (!rest.ends_with(')')) return std::nullopt;
  rest.remove_suffix(1);

  std::vector<int> numbers;
  std::vector<std::size_t> widths;
  int half = -1;
  for (std::size_t i = 0; i < rest.size();) {
    std::size_t end = i;
    if (rest[i] >= '0' && rest[i] <= '9') {
      while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9') ++end;
      if (end - i > 4) return std::nullopt;
      numbers.push_back(std::stoi(std::string(rest.substr(i, end - i))));
      widths.push_back(end - i);
    } else if (IsWordByte(rest[i])) {
      while (end < rest.size() && IsWordByte(rest[end])) ++end;
      half = HalfOfDay(rest.substr(i, end - i));
      if (half < 0) return std::nullopt;
    } else {
      end = i + 1;
    }
    i = end;
  }
  if (numbers.size() != 3 && numbers.size() != 6) return std::nullopt;
  t.year_first = widths[0] == 4;
  if (!t.year_first && widths[2] != 4) return std::nullopt;
  std::copy_n(numbers.begin(), 3, t.date.begin());
  const int month_or_day = t.year_first ? t.date[1] : std::min(t.date[0], t.date[1]);
  const int day = t.year_first ? t.date[2] : std::max(t.date[0], t.date[1]);
  if (month_or_day < 1 || month_or_day > 12 || day < 1 || day > 31) return std::nullopt;
  if (numbers.size() == 6) {
    t.hour = numbers[3];
    t.minute = numbers[4];
    t.second = numbers[5];
    if (half >= 0) {
      if (t.hour < 1 || t.hour > 12) return std::nullopt;
      t.hour = t.hour % 12 + half;
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  }
  return t;
}

}  // namespace qm
