// The system's private-profile functions behind PrivateProfile.
#pragma once

#include "platform/profile_io.h"

namespace qm::win32 {

// GetPrivateProfileStringW and WritePrivateProfileStringW, with every text
// converted between UTF-8 and UTF-16 at the call. The system keeps the file
// in the ANSI code page unless it starts with a UTF-16 byte-order mark.
class Win32Profile final : public PrivateProfile {
 public:
  [[nodiscard]] ProfileRead GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) override;
  [[nodiscard]] bool WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) override;
};

}  // namespace qm::win32
