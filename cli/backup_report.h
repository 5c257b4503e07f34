// What quillmar-cli prints of a backup on both systems: its values, the
// verdict of its check line and a comparison with the registry.
#pragma once

#include <span>
#include <string>

#include "repair/backup_list.h"
#include "repair/backup_restore.h"
#include "repair/backup_seal.h"
#include "repair/reg_file_reader.h"

namespace qm::cli {

// "KEY  "name"" as in the file, "@" for the default value; an unpaired
// surrogate shows as U+FFFD.
[[nodiscard]] std::string BackupValueText(const BackupEntry& e);

// The warning for standard error before a file without a check line is
// restored as it reads.
[[nodiscard]] std::string UnverifiedRestoreWarning(const std::string& path);

// The message for standard error when the file itself cannot be read
// (`why`: the system's reason, without a full stop).
[[nodiscard]] std::string UnreadableBackupText(const std::string& path, const std::string& why);

// The message for standard error when a file is damaged or cannot be read
// whole (`read` describes it): it names the file, and says that nothing
// was written.
[[nodiscard]] std::string BackupRefusedText(const std::string& path, const RegFileReadResult& read);

// `backups list`: a heading "ID  文件", then a row per backup.
[[nodiscard]] std::string BackupListText(std::span<const BackupRow> rows);

// The message for standard error when a listed file is gone.
[[nodiscard]] std::string VanishedBackupText(std::string_view path);

// `restore`'s report: a line per value, restored with its type and size,
// or NOT RESTORED with the reason (not written, other data or missing on
// reading back, not readable), then the count; `exit` gets 0 when every
// value is back, else 1.
[[nodiscard]] std::string RestoreText(const std::string& path, std::span<const BackupEntry> entries,
                                      std::span<const ValueOutcome> outcomes, int& exit);

// `verify`'s exit status: 0 when every value is in the registry as in the
// file, else 1.
[[nodiscard]] int VerifyExitStatus(std::span<const ValueOutcome> outcomes);

// `verify`'s report: the check line's verdict, a line per value (same,
// differs, missing, unreadable) and the count of those the same.
[[nodiscard]] std::string VerifyText(const std::string& path, const SealCheck& seal,
                                     std::span<const BackupEntry> entries,
                                     std::span<const ValueOutcome> outcomes);

}  // namespace qm::cli
