// The text of a backup file: registry-editor import format holding the
// values a repair is about to delete, each in a form that recreates its
// type and every byte of its data when the file is imported.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "repair/code_page.h"

namespace qm {

// One value to save: the text of its key line (the root's name, "\" and the
// key path, "HKEY_CURRENT_USER\" for a value directly under a root) and the
// value as it is in the registry now.
struct BackupEntry {
  std::string key;
  RegValue value;
};

enum class RegFileFormat {
  kRegedit4,  // "REGEDIT4", text in the ANSI code page
  kVersion5,  // "Windows Registry Editor Version 5.00", UTF-16LE with BOM
};

struct RegFileBytes {
  RegFileFormat format = RegFileFormat::kRegedit4;
  std::vector<std::uint8_t> bytes;
};

// Which form stored bytes are in: version 5 begins with the UTF-16LE
// byte-order mark, anything else is read as REGEDIT4.
[[nodiscard]] inline RegFileFormat RegFileFormatOf(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE ? RegFileFormat::kVersion5
                                                                   : RegFileFormat::kRegedit4;
}

// Whether any form of the file can carry the entry: the importer reads a
// key or a value name up to the end of its line, so one holding a line
// break cannot be written.
[[nodiscard]] bool CanWriteEntry(const BackupEntry& entry);

// The whole file, lines ending in CR LF. REGEDIT4 when every key, name and
// string is plain ASCII and no string holds a line break or is of an odd
// length; version 5 otherwise, since its UTF-16 text carries every
// character whatever code page the importing machine uses.
// Entries CanWriteEntry refuses must not be passed.
[[nodiscard]] RegFileBytes BuildRegFile(std::span<const BackupEntry> entries,
                                        AnsiCodePage& code_page);

}  // namespace qm
