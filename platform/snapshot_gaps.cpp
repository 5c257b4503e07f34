#include "platform/snapshot_gaps.h"

#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/text.h"

namespace qm {

namespace {

// A subtree read live is read whole, but a chain of links leading back
// into itself must end.
constexpr int kMaxCopyDepth = 32;

void CopyLive(RegistryReader& live, RegKey from, MemoryRegistry& snapshot, RegKey to, int depth,
              std::size_t& added) {
  RegValue value;
  for (std::uint32_t i = 0; live.EnumValue(from, i, value) == kRegOk; ++i) {
    if (snapshot.WriteValue(to, value) != kRegOk) return;
  }
  if (depth >= kMaxCopyDepth) return;
  std::string name;
  for (std::uint32_t i = 0; live.EnumKey(from, i, name) == kRegOk; ++i) {
    ScopedKey<RegistryReader> child(live);
    if (live.OpenKey(from, name, child.Put()) != kRegOk) continue;
    ScopedKey<RegistryReader> copy(snapshot, snapshot.InsertKeyForBuilding(to, name, SIZE_MAX));
    if (copy.Get() == kNoKey) continue;
    ++added;
    CopyLive(live, child.Get(), snapshot, copy.Get(), depth + 1, added);
  }
}

std::string Join(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + "\\" + name;
}

}  // namespace

SnapshotGaps FillSnapshotGaps(RegistryReader& live, const SubkeyCounter& live_subkeys,
                              MemoryRegistry& snapshot, RegKey root, SnapshotGapLimits limits) {
  SnapshotGaps gaps;
  std::deque<std::string> pending{std::string()};
  std::string name;
  while (!pending.empty() && gaps.compared < limits.max_compared) {
    const std::string path = std::move(pending.front());
    pending.pop_front();
    ScopedKey<RegistryReader> saved(snapshot);
    ScopedKey<RegistryReader> now(live);
    if (snapshot.OpenKey(root, path, saved.Put()) != kRegOk ||
        live.OpenKey(root, path, now.Put()) != kRegOk) {
      continue;
    }
    ++gaps.compared;
    // The names as stored, links among them, whether or not they open.
    std::vector<std::string> names;
    for (std::uint32_t i = 0; snapshot.EnumKey(saved.Get(), i, name) == kRegOk; ++i) {
      names.push_back(name);
    }
    const std::optional<std::uint32_t> count = live_subkeys(now.Get());
    std::unordered_set<std::string> read_live;
    // A root handed back as its own predefined handle has no count: its
    // names are then compared, as few as a root has.
    if (!count || *count > names.size()) {
      std::unordered_set<std::string> known;
      for (const std::string& n : names) known.insert(text::UpperCase(n));
      // Live names come in the registry's order; a missing one goes where
      // the live registry lists it.
      for (std::uint32_t i = 0; live.EnumKey(now.Get(), i, name) == kRegOk; ++i) {
        if (known.count(text::UpperCase(name))) continue;
        ScopedKey<RegistryReader> child(live);
        if (live.OpenKey(now.Get(), name, child.Put()) != kRegOk) continue;
        ScopedKey<RegistryReader> copy(snapshot,
                                       snapshot.InsertKeyForBuilding(saved.Get(), name, i));
        if (copy.Get() == kNoKey) continue;
        ++gaps.added;
        read_live.insert(name);
        CopyLive(live, child.Get(), snapshot, copy.Get(), 1, gaps.added);
      }
    }
    if (names.size() + read_live.size() > limits.max_fan) continue;
    for (const std::string& n : names) pending.push_back(Join(path, n));
  }
  return gaps;
}

}  // namespace qm
