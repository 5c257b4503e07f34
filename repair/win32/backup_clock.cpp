#include "repair/win32/backup_clock.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace qm::win32 {

namespace {

// Empty text when the system has no such format for the user's locale.
template <typename Fn>
std::string Formatted(Fn format) {
  const int chars = format(nullptr, 0);
  if (chars <= 0) return {};
  std::wstring buf(static_cast<std::size_t>(chars), L'\0');
  const int written = format(buf.data(), chars);
  if (written <= 0) return {};
  buf.resize(static_cast<std::size_t>(written - 1));  // the count includes the NUL
  return Narrow(buf);
}

}  // namespace

LocalDateTimeText SystemBackupClock::Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  LocalDateTimeText out;
  out.short_date = Formatted([&](wchar_t* buf, int n) {
    return GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, n, nullptr);
  });
  out.long_time = Formatted([&](wchar_t* buf, int n) {
    return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, n);
  });
  out.midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
  if (out.short_date.empty() || out.long_time.empty()) {
    const LocalDateTimeText fixed =
        FixedDateTimeText({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
    if (out.short_date.empty()) out.short_date = fixed.short_date;
    if (out.long_time.empty()) out.long_time = fixed.long_time;
  }
  return out;
}

}  // namespace qm::win32
