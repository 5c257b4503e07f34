// Reads a backup file back into the values it holds, exactly as the
// writer (reg_file.h) put them: both formats, every typed form, long hex
// data continued over lines, "@" for the default value, and the escapes of
// quoted text. A restore acts on a file only when all of it reads, so any
// line it does not understand makes the whole file unreadable.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "repair/backup_seal.h"
#include "repair/code_page.h"
#include "repair/reg_file.h"

namespace qm {

struct RegFileContent {
  RegFileFormat format = RegFileFormat::kRegedit4;
  // In file order; the key is the key line's text, as BackupEntry holds it.
  // Keys and names are WTF-8, so an unpaired surrogate in the file names
  // the same value again when it is written back.
  std::vector<BackupEntry> entries;
};

struct RegFileReadResult {
  std::optional<RegFileContent> content;  // empty when the file does not read
  std::size_t line = 0;                   // the first line that does not, from 1
  std::string error;                      // what is wrong with it, in English
  // The file's check line (backup_seal.h). A damaged file gives no
  // content: `error` says what does not match.
  SealCheck seal;
};

// REGEDIT4 text is read in `code_page`, as the system's importer reads it.
// A file whose check line does not match is refused before it is parsed;
// one without a check line is read, its `seal` saying it is unsealed.
// Every line must end in its line break: a file cut short mid-line is
// refused rather than read as shorter data.
[[nodiscard]] RegFileReadResult ReadRegFile(std::span<const std::uint8_t> bytes,
                                            AnsiCodePage& code_page);

}  // namespace qm
