// The running process's environment: what the scanning user's programs
// expand their registry strings with.
#pragma once

#include "platform/environment.h"

namespace qm::win32 {

class Win32Environment final : public Environment {
 public:
  [[nodiscard]] std::optional<std::string> Variable(std::string_view name) const override;
};

}  // namespace qm::win32
