// Private-profile (INI file) access, as the system's profile functions
// offer it. The Win32 implementation calls GetPrivateProfileStringW and
// WritePrivateProfileStringW; the tests' IniFileProfile (testing/) reads and
// writes the same INI text itself, so the native build can run the cores.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

struct ProfileRead {
  std::string value;       // UTF-8, what the buffer held up to its first NUL
  std::size_t copied = 0;  // characters copied, as the system function returns
};

class PrivateProfile {
 public:
  virtual ~PrivateProfile() = default;
  // Reads section/key of `file` into a buffer of `buffer_chars` characters
  // with the default "", as GetPrivateProfileString does: a value longer
  // than the buffer is cut to buffer_chars - 1 characters (UTF-16 units).
  // An absent file, section or key copies nothing.
  [[nodiscard]] virtual ProfileRead GetString(std::string_view file, std::string_view section,
                                              std::string_view key, std::size_t buffer_chars) = 0;
  // Stores the value, creating the file, section and key as needed.
  // Returns true when the system reports success.
  [[nodiscard]] virtual bool WriteString(std::string_view file, std::string_view section,
                                         std::string_view key, std::string_view value) = 0;
};

}  // namespace qm
