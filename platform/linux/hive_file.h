// Windows registry hive files (SYSTEM, SOFTWARE, NTUSER.DAT and the like)
// read with hivex. A hive from a disk is untrusted input: whatever hivex
// refuses, and any loop or depth no real hive has, makes the read fail
// with a message, never a crash or an endless walk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/memory_registry.h"

namespace qm::posix {

// Copies the hive's key at `subtree` (empty: its root) and everything
// below it into `into` as `root`\`under`, in the hive's order: the number
// of keys read, or what went wrong, naming the file. On failure `into` may
// hold part of the hive and is to be discarded.
[[nodiscard]] Result<std::size_t> LoadHive(const std::string& file, MemoryRegistry& into,
                                           RegKey root, std::string_view under,
                                           std::string_view subtree = {});

// Whether the hive's header says it was closed cleanly: its two sequence
// numbers agree. A hive whose numbers differ has changes in its log files
// that only Windows replays; nothing may write it. A failure when the
// header cannot be read.
[[nodiscard]] Result<bool> ReadHiveHeader(const std::string& file);

}  // namespace qm::posix
