// Windows registry hive files (SYSTEM, SOFTWARE, NTUSER.DAT and the like)
// read with hivex. A hive from a disk is untrusted input: whatever hivex
// refuses, and any loop or depth no real hive has, makes the read fail
// with a message, never a crash or an endless walk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/memory_registry.h"

namespace qm::posix {

struct HiveRead {
  bool ok = false;
  std::string error;  // what went wrong, naming the file
  std::size_t keys = 0;
};

// Copies the hive's key at `subtree` (empty: its root) and everything
// below it into `into` as `root`\`under`, in the hive's order. On failure
// `into` may hold part of the hive and is to be discarded.
[[nodiscard]] HiveRead LoadHive(const std::string& file, MemoryRegistry& into, RegKey root,
                                std::string_view under, std::string_view subtree = {});

// Whether the hive's header says it was closed cleanly: its two sequence
// numbers agree. A hive whose numbers differ has changes in its log files
// that only Windows replays; nothing may write it. `error` is set when the
// header cannot be read.
struct HiveHeader {
  bool read = false;
  bool clean = false;
  std::string error;
};
[[nodiscard]] HiveHeader ReadHiveHeader(const std::string& file);

}  // namespace qm::posix
