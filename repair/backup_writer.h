// The backup writer: saves the values a repair is about to delete in a new
// file in the folder "RegBackups" beside the program, which the system's
// registry editor can import to put them back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "repair/backup_clock.h"
#include "repair/backup_disk.h"
#include "repair/code_page.h"
#include "repair/reg_file.h"

namespace qm {

// Where and how backups are written; the caller owns the services.
struct BackupPlace {
  std::string program_folder;
  BackupDisk& disk;
  AnsiCodePage& code_page;
  BackupClock& clock;
};

enum class BackupFailure {
  kNone,
  kFolderIsFile,  // a file named RegBackups stands where the folder belongs
  kFolder,        // the folder could not be found or created
  kFile,          // the file could not be written whole
  kNoFreeName,    // every candidate name was taken
};

struct BackupResult {
  BackupFailure failure = BackupFailure::kNone;
  std::uint32_t error = 0;  // the platform's code when a step failed
  // The file written; after a failure, the folder or file that failed.
  std::string path;
  RegFileFormat format = RegFileFormat::kRegedit4;
  [[nodiscard]] bool ok() const { return failure == BackupFailure::kNone; }
};

// How many names one second may use before the writer gives up.
inline constexpr int kMaxBackupCandidates = 1000;

[[nodiscard]] std::string BackupFolderPath(std::string_view program_folder);

// Writes one new file holding `entries` in their order, sealed with its
// check line (backup_seal.h). The folder is
// created (one level) when missing. A name already taken is never reused:
// the next candidate gets a counter. Success means the file is complete
// and closed.
[[nodiscard]] BackupResult WriteBackupFile(std::span<const BackupEntry> entries,
                                           const BackupPlace& place);

}  // namespace qm
