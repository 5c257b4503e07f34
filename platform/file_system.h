// File-system and system-folder queries the core needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The outcome of asking whether a path exists. `error` is the platform's
// error code when the query failed (0 when it answered "exists").
struct PathQuery {
  bool exists = false;
  std::uint32_t error = 0;
};

// Error codes of a failed path query that mean "nothing of that name".
inline constexpr std::uint32_t kErrFileNotFound = 2;
inline constexpr std::uint32_t kErrPathNotFound = 3;
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrNotReady = 21;
inline constexpr std::uint32_t kErrInvalidName = 123;

// One entry of a folder: its name, and the 8.3 short name the volume
// stores for it when the file system tells (empty when it does not).
struct ListedName {
  std::string name;
  std::string short_name;
};

enum class FolderListStatus { kListed, kMissing, kUnreadable };

// A folder's entries, or why there are none to tell.
struct [[nodiscard]] FolderList {
  FolderListStatus status = FolderListStatus::kUnreadable;
  std::vector<ListedName> names;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  [[nodiscard]] virtual PathQuery QueryPath(std::string_view path) = 0;
  // The system directory, for example C:\Windows\System32.
  [[nodiscard]] virtual std::string SystemDirectory() = 0;
  // Where registrations naming the system directory may really point: the
  // 32-bit system folder (SysWOW64) for a 64-bit program, the native one
  // (Sysnative) for a 32-bit program on 64-bit Windows; empty when the
  // system has no second folder.
  [[nodiscard]] virtual std::string AlternateSystemDirectory() = 0;
  // The entries of a folder (a Windows path such as C:\Program Files),
  // for resolving short names the volume itself did not resolve. A file
  // system that cannot list says so, and what it holds cannot be checked.
  [[nodiscard]] virtual FolderList ListFolder(std::string_view /*folder*/) { return {}; }
};

}  // namespace qm
