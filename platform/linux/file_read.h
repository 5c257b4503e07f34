// The one whole-file read of the Linux sources (prefix texts, hives' copies,
// backups named on the command line, the ignore list).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace qm::posix {

// The whole file at `path`, or why not: the errno's code and a detail
// naming the file.
[[nodiscard]] Result<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace qm::posix
