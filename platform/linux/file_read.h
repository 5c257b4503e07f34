// The one whole-file read of the Linux sources (prefix texts, hives' copies,
// backups named on the command line).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::posix {

// The whole file at `path`; false with `error` saying why, naming the file.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                                 std::string& error);

}  // namespace qm::posix
