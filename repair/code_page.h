// The system's ANSI code page, in which REGEDIT4 files are read back by the
// registry editor. Which one it is belongs to the machine, so the backup
// writer and reader ask through this interface rather than assuming one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  // The text in the code page's bytes, or nothing when some character has
  // no exact form there. A best-fit look-alike or the default character
  // would restore a different name or string, so neither counts.
  [[nodiscard]] virtual std::optional<std::string> Encode(std::u16string_view text) = 0;
  // The text the bytes stand for, or nothing when some byte sequence is no
  // character of the code page: guessing one would restore another name.
  [[nodiscard]] virtual std::optional<std::u16string> Decode(std::string_view bytes) = 0;
};

// Windows-1252, the ANSI code page of Western European systems, computed
// without the system: for the portable build and its tests.
class Windows1252CodePage final : public AnsiCodePage {
 public:
  [[nodiscard]] std::optional<std::string> Encode(std::u16string_view text) override;
  [[nodiscard]] std::optional<std::u16string> Decode(std::string_view bytes) override;
};

}  // namespace qm
