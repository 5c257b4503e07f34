// The check line every backup ends with, which lets a reader notice a file
// that changed after it was written: a digit altered, a value's lines
// taken out, the file cut short.
//
// The last line of a backup reads, in the file's own text encoding
// (ANSI bytes in a REGEDIT4 file, UTF-16LE in a version-5 file):
//
//   ; Quillmar backup: 3 values, SHA-256 <64 lower-case hex digits>
//
// followed by CR LF, and a blank line stands before it. The count is the
// number of value lines (those starting with '"' or '@'), "values" even
// for one. The digest is that of the file's bytes as stored, from its
// first byte (the UTF-16 byte-order mark included) up to the first byte
// of the check line, so the blank line before it is covered too. Both
// registry editors skip a line starting with ';' on import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "repair/reg_file.h"

namespace qm {

enum class SealVerdict {
  kIntact,    // the check line is last and matches the text above it
  kUnsealed,  // no check line: a file from before backups carried one
  kDamaged,   // the check line does not match, or is not the last line
};

struct SealCheck {
  SealVerdict verdict = SealVerdict::kUnsealed;
  std::size_t values = 0;  // the count the check line gives, when intact
  std::string why;         // for kDamaged: what does not match, in English
};

// Appends the blank line and the check line for a file of `values` values.
void SealBackup(RegFileBytes& file, std::size_t values);

// Needs no code page: the check line is ASCII and the count looks only at
// the first character of each line, which in any ANSI code page is never
// the trail byte of a double-byte character.
[[nodiscard]] SealCheck CheckBackupSeal(std::span<const std::uint8_t> bytes);

}  // namespace qm
