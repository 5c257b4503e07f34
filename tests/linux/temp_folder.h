// A new folder of the test's own in the system's temporary folder ($TMPDIR
// or /tmp), or an empty path when none could be made.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace qm::testing {

inline std::filesystem::path MakeTempFolder(const std::string& stem) {
  std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

}  // namespace qm::testing
