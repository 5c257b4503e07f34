// The profile ro.ini beside the program: the one user setting and the
// figures of the last stopped scan and the last repair. Nothing is cached;
// every caller reads or writes the file at the moment it needs a value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/profile_io.h"

namespace qm {

// The profile's name, appended to the program's folder.
inline constexpr std::string_view kProfileFileName = "\\ro.ini";

inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kBackupBeforeFixKey = "BackupBeforeFix";

inline constexpr std::string_view kRecordsSection = "Records";
inline constexpr std::string_view kLastScanTimeKey = "LastScanTime";
inline constexpr std::string_view kErrorCountKey = "ErrorCount";
inline constexpr std::string_view kFixedCountKey = "FixedCount";

// Characters of the buffer a value is read into; longer values come back
// cut to one less.
inline constexpr std::size_t kReadBufferChars = 255;

// The profile's path for the program's folder. A folder that already ends
// in a separator (a drive root such as "C:\") gets no second one.
[[nodiscard]] std::string ProfilePath(std::string_view program_folder);

// The value under section/key with leading and trailing spaces (U+0020
// only) removed; empty text when the file, section or key is absent or the
// value is empty, which the caller cannot tell apart.
[[nodiscard]] std::string ReadIniValue(PrivateProfile& profile, std::string_view file,
                                       std::string_view section, std::string_view key);

// Stores the value unchanged under section/key, creating what is missing.
// True when the write succeeded.
[[nodiscard]] bool WriteIniValue(PrivateProfile& profile, std::string_view file,
                                 std::string_view section, std::string_view key,
                                 std::string_view value);

// What a stored BackupBeforeFix text means. The program itself writes only
// "1" and "0", but the file is the user's to edit. A cleaner deletes
// registry values, so only an explicit zero turns the backup off: a text of
// decimal digits with an optional sign whose value is 0 ("0", "00", "-0")
// means off; any other integer, empty text (never written) and anything
// that is not an integer mean on.
[[nodiscard]] bool BackupBeforeFixEnabled(std::string_view stored);

// Reads BackupBeforeFix from the profile under the rule above.
[[nodiscard]] bool ReadBackupBeforeFix(PrivateProfile& profile, std::string_view file);

// Stores the setting as the check box's value: "1" on, "0" off.
[[nodiscard]] bool WriteBackupBeforeFix(PrivateProfile& profile, std::string_view file, bool on);

}  // namespace qm
