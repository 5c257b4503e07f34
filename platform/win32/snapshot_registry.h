// The registry read from a snapshot of each root: the first time a walk
// opens a root, the whole root is saved with RegSaveKeyW into a private
// temporary file, read into memory and the file removed; the walk then
// reads memory instead of making a round trip to the registry per call.
//
// Under Wine the saved file is Wine's registry text, which is read here.
// Anything else (the binary hive Windows writes, a save the system refuses,
// a file that does not read, links the file cannot resolve) leaves that
// root to the live registry, unless snapshots are all that is asked for.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/memory_registry.h"
#include "platform/registry.h"
#include "platform/win32/registry.h"

namespace qm::win32 {

// A root saved and read into memory.
struct SavedRoot {
  std::unique_ptr<MemoryRegistry> registry;  // the root below its own handle
  // Keys the saved file lacked (volatile ones) and that were read live.
  std::size_t keys_read_live = 0;
  long long file_bytes = -1;  // the saved file's size
};
// Or why not: the save's own status, ERROR_NOT_SUPPORTED for a file in
// another format, ERROR_BADDB for Wine text that does not read whole or
// resolve; the detail in English, for a log.
using RootSnapshot = Result<SavedRoot>;

// Takes one snapshot and reads into it, live, the volatile keys near the
// root that the save leaves out. Once `cancel` is set (from another
// thread) it gives up at its next step with ERROR_CANCELLED. The temporary
// file is gone when this returns, whatever happened.
[[nodiscard]] RootSnapshot TakeRootSnapshot(RegKey root, const std::atomic<bool>* cancel = nullptr);
// The second half of it: reads the file RegSaveKeyW wrote for `root` and
// deletes it, whatever it holds.
[[nodiscard]] RootSnapshot ReadSavedRoot(const std::wstring& path, RegKey root,
                                         const std::atomic<bool>* cancel = nullptr);

enum class SnapshotPolicy {
  kFallBackToLive,  // a root without a snapshot is read live
  // A root without a snapshot does not open. The performance data are read
  // live all the same: they are no stored tree but made afresh for every
  // query, on Windows as under Wine, so there is nothing to save.
  kSnapshotOnly,
};

class SnapshotRegistry final : public RegistryReader {
 public:
  explicit SnapshotRegistry(SnapshotPolicy policy = SnapshotPolicy::kFallBackToLive);
  ~SnapshotRegistry() override;
  SnapshotRegistry(const SnapshotRegistry&) = delete;
  SnapshotRegistry& operator=(const SnapshotRegistry&) = delete;

  [[nodiscard]] RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override;
  [[nodiscard]] RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  [[nodiscard]] RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
  void CloseKey(RegKey key) override;

  // Called on the walk's thread, again and again, while a root's snapshot
  // is taken on a worker thread: whenever a message arrives for the thread
  // and every few milliseconds. A window pumps its messages here. False
  // cancels the snapshot; that root and every later one then do not open
  // (ERROR_CANCELLED), as the walk is being stopped. Without a wait the
  // snapshot is taken on the walk's thread.
  using Wait = std::function<bool(RegKey root)>;
  void SetWait(Wait wait) { wait_ = std::move(wait); }
  // Whether a snapshot is being taken now, on the worker thread.
  [[nodiscard]] bool Taking() const { return taking_; }
  // Forgets every snapshot, so that the next walk takes new ones. No key
  // opened here may be open.
  void Reset();

  enum class Source { kNotOpened, kSnapshot, kLive, kNone };
  // Takes the root's snapshot now, if not yet taken, rather than when the
  // walk first opens the root; where it then reads from.
  Source Prepare(RegKey root);
  // Where a root's walk reads from, once the walk has opened it; kNone
  // when only snapshots were asked for and it has none.
  [[nodiscard]] Source SourceOf(RegKey root) const;
  // Why the root has no snapshot (kRegOk when it has one or was not
  // opened), and in what words.
  [[nodiscard]] RegStatus SnapshotStatus(RegKey root) const;
  [[nodiscard]] const std::string& SnapshotDetail(RegKey root) const;

 private:
  struct Root {
    Source source = Source::kNotOpened;
    std::unique_ptr<MemoryRegistry> snapshot;
    RegStatus status = kRegOk;
    std::string detail;
  };
  struct Slot {
    RegistryReader* provider = nullptr;
    RegKey inner = kNoKey;
  };
  // The provider answering for `key` and its handle there; null for an
  // unknown handle or a root that has no provider.
  RegistryReader* Route(RegKey key, RegKey* inner, RegStatus* failure);
  Root& RootOf(RegKey root);
  RootSnapshot TakeWhileWaiting(RegKey root);
  RegKey AddSlot(RegistryReader* provider, RegKey inner);

  SnapshotPolicy policy_;
  Win32Registry live_;
  std::array<Root, std::size(kRegRoots)> roots_;
  std::vector<Slot> slots_;  // handle h is slots_[h - kFirstSlot]
  std::vector<std::size_t> free_slots_;
  Wait wait_;
  bool taking_ = false;
  bool cancelled_ = false;
};

}  // namespace qm::win32
