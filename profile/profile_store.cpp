#include "profile/profile_store.h"

#include <algorithm>

namespace qm {

std::string ProfilePath(std::string_view program_folder) {
  std::string path(program_folder);
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  path += kProfileFileName;
  return path;
}

std::string ReadIniValue(PrivateProfile& profile, std::string_view file, std::string_view section,
                         std::string_view key) {
  const ProfileRead read = profile.GetString(file, section, key, kReadBufferChars);
  if (read.copied == 0) return {};
  std::string_view value = read.value;
  const std::size_t first = value.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  value = value.substr(first, value.find_last_not_of(' ') - first + 1);
  return std::string(value);
}

bool WriteIniValue(PrivateProfile& profile, std::string_view file, std::string_view section,
                   std::string_view key, std::string_view value) {
  return profile.WriteString(file, section, key, value);
}

bool BackupBeforeFixEnabled(std::string_view stored) {
  std::string_view digits = stored;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty()) return true;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return true;
  }
  // Counting zeros instead of converting keeps very long texts from
  // overflowing into a wrong answer.
  return digits.find_first_not_of('0') != std::string_view::npos;
}

bool ReadBackupBeforeFix(PrivateProfile& profile, std::string_view file) {
  return BackupBeforeFixEnabled(ReadIniValue(profile, file, kSettingsSection, kBackupBeforeFixKey));
}

bool WriteBackupBeforeFix(PrivateProfile& profile, std::string_view file, bool on) {
  return WriteIniValue(profile, file, kSettingsSection, kBackupBeforeFixKey, on ? "1" : "0");
}

}  // namespace qm
