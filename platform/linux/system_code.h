// The one translation of errno into the system codes failures carry, so a
// Linux source reports in the numbers the Windows program does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/failure.h"

namespace qm::posix {

// The code of a failed call that opens, reads or removes what is there.
[[nodiscard]] std::uint32_t SystemCode(int errno_value);

// The code of a failed call that makes a new name: there, a missing name
// is the folder to make it in (Windows' "path not found").
[[nodiscard]] std::uint32_t SystemCodeCreating(int errno_value);

// The failure of the step `message` names, after a call that set errno (or
// cleared it beforehand and left it 0): errno's text is appended when set.
[[nodiscard]] Failure ErrnoFailure(std::string message);

}  // namespace qm::posix
