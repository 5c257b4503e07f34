// Private-profile (INI file) access, as the system's profile functions
// offer it. The Win32 implementation calls GetPrivateProfileStringW and
// WritePrivateProfileStringW; IniFileProfile reads and writes the same INI
// text itself, for systems without those functions and for native tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

struct ProfileRead {
  std::string value;      // UTF-8, what the buffer held up to its first NUL
  std::size_t copied = 0; // characters copied, as the system function returns
};

class PrivateProfile {
 public:
  virtual ~PrivateProfile() = default;
  // Reads section/key of `file` into a buffer of `buffer_chars` characters
  // with the default "", as GetPrivateProfileString does: a value longer
  // than the buffer is cut to buffer_chars - 1 characters.
  [[nodiscard]] virtual ProfileRead GetString(std::string_view file, std::string_view section,
                                              std::string_view key, std::size_t buffer_chars) = 0;
  // Stores the value, creating the file, section and key as needed.
  // Returns true when the system reports success.
  [[nodiscard]] virtual bool WriteString(std::string_view file, std::string_view section,
                                         std::string_view key, std::string_view value) = 0;
};

// The portable replacement: INI text in UTF-8 with CR LF line ends,
// section and key names compared without regard to case, values stored
// unchanged. Reads strip blanks around values and one pair of enclosing
// quotes, as the system functions do.
class IniFileProfile final : public PrivateProfile {
 public:
  [[nodiscard]] ProfileRead GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) override;
  [[nodiscard]] bool WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) override;
};

}  // namespace qm
