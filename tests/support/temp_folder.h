// The tests' one temporary folder: a new folder of the test's own in the
// system's temporary folder ($TMPDIR, /tmp, or Windows' %TEMP%).
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace qm::testing {

// A folder no one else has made, kept after the test; an empty path when
// none could be made.
inline std::filesystem::path MakeTempFolder(const std::string& stem) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) return {};
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path path =
        base / (stem + "-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    // create_directory says false for a folder that was there already.
    if (std::filesystem::create_directory(path, ec)) return path;
    if (ec) return {};
  }
  return {};
}

// A MakeTempFolder folder removed with everything in it at the end of the
// test, made writable first in case the test took that away.
class TempFolder {
 public:
  explicit TempFolder(const std::string& stem = "qm-test") : path_(MakeTempFolder(stem)) {}
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace qm::testing
