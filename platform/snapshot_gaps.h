// A saved registry leaves out the volatile keys, those the system makes
// anew at every start (hardware, device interfaces, mounted devices, the
// font cache): RegSaveKeyW skips them, under Wine as on Windows. Here the
// keys a loaded snapshot lacks are read from the live registry into it, at
// the place the live registry lists them, so that a walk of the snapshot
// meets the same keys in the same order as a live walk.
//
// Finding them needs the live subkey count of every key compared, which
// for the whole tree would cost as much as the live walk. The system keeps
// its volatile keys below small keys near a root (HKLM\Hardware,
// ...\Control\DeviceClasses\<class>\<device>\#\Control, Software\Wine\Fonts),
// so only keys reached through keys with few subkeys are compared, and
// only so many: a volatile key below a key with more subkeys than that, or
// beyond the keys compared, is still missed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/memory_registry.h"
#include "platform/registry.h"

namespace qm {

struct SnapshotGapLimits {
  // Subkeys of a key are compared only when it has at most this many.
  std::size_t max_fan = 64;
  // Keys compared per root, nearest the root first.
  std::size_t max_compared = 4096;
};

struct SnapshotGaps {
  std::size_t compared = 0;  // keys whose live subkey count was asked for
  std::size_t added = 0;     // keys read live into the snapshot
};

// The live subkey count of a key opened through the live provider, or
// nothing when it is not known (the names are then compared).
using SubkeyCounter = std::function<std::optional<std::uint32_t>(RegKey)>;

// Compares the snapshot of `root` with the live registry from the root
// down, breadth first, and reads every subtree the snapshot lacks live into
// it. Keys the live registry refuses to open are left as the snapshot has
// them.
[[nodiscard]] SnapshotGaps FillSnapshotGaps(RegistryReader& live, const SubkeyCounter& live_subkeys,
                                            MemoryRegistry& snapshot, RegKey root,
                                            SnapshotGapLimits limits = {});

}  // namespace qm
