// File-system and system-folder queries the core needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace qm {

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
  // Whether the path names something: ok when it does, else the system's
  // code (kErrFileNotFound, kErrPathNotFound: nothing of that name).
  [[nodiscard]] virtual Status QueryPath(std::string_view path) = 0;
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
