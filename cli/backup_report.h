// What quillmar-cli prints of a backup on both systems: its values, the
// verdict of its check line and a comparison with the registry.
#pragma once

#include <span>
#include <string>

#include "repair/backup_restore.h"
#include "repair/backup_seal.h"
#include "repair/reg_file_reader.h"

namespace qm::cli {

// "KEY  "name"" as in the file, "@" for the default value; an unpaired
// surrogate shows as U+FFFD.
[[nodiscard]] std::string BackupValueText(const BackupEntry& e);

// The line for a file whose check line is missing: "PATH cannot be
// verified: ...", without a line break.
[[nodiscard]] std::string UnverifiedText(const std::string& path);

// The message for standard error when a file is damaged or cannot be read
// whole (`read` describes it): it names the file, and says that nothing
// was written.
[[nodiscard]] std::string BackupRefusedText(const std::string& path, const RegFileReadResult& read);

// `verify`'s report: the check line's verdict, a line per value (same,
// differs, missing, unreadable) and the count of those the same.
[[nodiscard]] std::string VerifyText(const std::string& path, const SealCheck& seal,
                                     std::span<const BackupEntry> entries,
                                     std::span<const ValueOutcome> outcomes);

}  // namespace qm::cli
