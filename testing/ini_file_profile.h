// The system's profile functions rebuilt over INI text, for the native
// tests of everything that keeps settings in ro.ini; the Windows tests check
// it against GetPrivateProfileStringW and WritePrivateProfileStringW.
#pragma once

#include "platform/profile_io.h"

namespace qm {

// Reads and writes what the system's functions do with the same files:
// - Lines end at CR, LF or CR LF; a section runs from its "[name]" line to
//   the next one. Only the first section of a name and the first key of a
//   name inside it count, names compare without case and without the blanks
//   around them, and a key line without "=" reads as absent. Lines starting
//   with ";" are keys like any other, so comments need no special case.
// - A read strips blanks (tab to CR, ^Z, space) around the value, then one
//   pair of enclosing double or single quotes.
// - A write replaces the key's line in place, adds a missing key after the
//   last line of its section and a missing section at the end; every other
//   line keeps its bytes, and all lines end in CR LF. The new text goes to a
//   temporary file beside the profile that then replaces it, so a failed
//   write leaves the old file as it was. A read-only file, a folder where
//   nothing can be created, and names or values that INI text cannot hold
//   (a line break anywhere, "=" in a key, "]" in a section, empty names)
//   make the write fail.
// - Encoding: a file that starts with a UTF-16LE byte-order mark is read and
//   written as UTF-16LE, as the system does; a UTF-8 mark is kept. Any other
//   file is taken as UTF-8 and a new file is written as UTF-8 without a
//   mark. The system reads such a file in the ANSI code page, so the two
//   agree on ASCII text (all that the program stores); non-ASCII bytes of
//   lines a write does not touch are kept as they are.
class IniFileProfile final : public PrivateProfile {
 public:
  [[nodiscard]] ProfileRead GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) override;
  [[nodiscard]] bool WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) override;
};

}  // namespace qm
