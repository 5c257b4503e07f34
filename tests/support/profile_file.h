// The ro.ini beside the test program, as the windows under test use it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "tests/support/window_harness.h"

namespace qm::testing {

inline std::string Profile() {
  return ProfilePath(ProgramFolderPath());
}

inline std::filesystem::path ProfileFile() {
  return std::filesystem::path(win32::Widen(Profile()));
}

// Replaces the whole file with `text`, bytes as given.
inline void PutProfile(std::string_view text) {
  std::ofstream out(ProfileFile(), std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ProfileBytes() {
  std::ifstream in(ProfileFile(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace qm::testing
