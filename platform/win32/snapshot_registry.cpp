#include "platform/win32/snapshot_registry.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <thread>

#include "platform/snapshot_gaps.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/wine_registry_text.h"

namespace qm::win32 {

namespace {

// Both providers number their handles from small values, so handles are
// renumbered here; these stay far below the roots' 0x80000000.
constexpr RegKey kFirstSlot = 0x10000;
// A saved registry larger than this is read live: its tree in memory would
// take a few times as much.
constexpr LONGLONG kMaxSnapshotBytes = LONGLONG{1} << 30;

// RegSaveKeyW needs the backup privilege enabled in the token; an
// administrator holds it disabled, others not at all (the save then fails
// with ERROR_PRIVILEGE_NOT_HELD and the root is read live).
void EnableBackupPrivilege() {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Put())) {
    return;
  }
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &tp.Privileges[0].Luid)) return;
  AdjustTokenPrivileges(token.Get(), FALSE, &tp, sizeof(tp), nullptr, nullptr);
}

std::wstring TempFolder() {
  std::wstring dir(MAX_PATH + 1, L'\0');
  const DWORD n = GetTempPathW(static_cast<DWORD>(dir.size()), dir.data());
  if (n == 0 || n >= dir.size()) return {};
  dir.resize(n);
  return dir;
}

// Saves the root under a name no other file has: RegSaveKeyW refuses to
// write over an existing file, so a name taken meanwhile is tried anew.
RegStatus SaveRoot(RegKey root, std::wstring& path) {
  static LONG counter = 0;
  const std::wstring dir = TempFolder();
  if (dir.empty()) return static_cast<RegStatus>(GetLastError());
  LONG rc = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 8 && (rc == ERROR_FILE_EXISTS || rc == ERROR_ALREADY_EXISTS);
       ++attempt) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    path = dir + L"quillmar-snapshot-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(now.QuadPart) +
           L".tmp";
    rc = RegSaveKeyW(ToHkey(root), path.c_str(), nullptr);
    // A save that failed may still have left part of a file.
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_EXISTS && rc != ERROR_ALREADY_EXISTS) {
      DeleteFileW(path.c_str());
    }
  }
  return rc;
}

// The saved file, opened to be deleted when closed, and deleted by name
// as well should that open fail.
RegStatus OpenToRemove(const std::wstring& path, UniqueFile& file) {
  file.Reset(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file) return kRegOk;
  const RegStatus rc = static_cast<RegStatus>(GetLastError());
  DeleteFileW(path.c_str());
  return rc;
}

}  // namespace

RootSnapshot TakeRootSnapshot(RegKey root, const std::atomic<bool>* cancel) {
  const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
  const Failure kCancelled{ERROR_CANCELLED, "cancelled"};
  if (cancelled()) return kCancelled;
  EnableBackupPrivilege();
  std::wstring path;
  const RegStatus saved = SaveRoot(root, path);
  if (saved != kRegOk) {
    return Failure{static_cast<std::uint32_t>(saved),
                   "RegSaveKeyW failed with " + std::to_string(saved)};
  }
  RootSnapshot out = ReadSavedRoot(path, root, cancel);
  if (!out.ok()) return out;
  if (cancelled()) return kCancelled;
  Win32Registry live;
  const SnapshotGaps gaps = FillSnapshotGaps(
      live, [&live](RegKey key) { return live.SubkeyCount(key); }, *out->registry, root);
  out->keys_read_live = gaps.added;
  return out;
}

RootSnapshot ReadSavedRoot(const std::wstring& path, RegKey root, const std::atomic<bool>* cancel) {
  SavedRoot out;
  UniqueFile file;
  RegStatus status = OpenToRemove(path, file);
  LARGE_INTEGER size{};
  if (status == kRegOk && !GetFileSizeEx(file.Get(), &size)) {
    status = static_cast<RegStatus>(GetLastError());
  }
  if (status == kRegOk) out.file_bytes = size.QuadPart;
  if (status == kRegOk && size.QuadPart > kMaxSnapshotBytes) status = ERROR_NOT_ENOUGH_MEMORY;
  // The heading first, alone: a hive in another format (Windows' is
  // hundreds of megabytes) is not read further.
  std::uint8_t head[64];
  DWORD head_size = 0;
  if (status == kRegOk && !ReadFile(file.Get(), head, sizeof(head), &head_size, nullptr)) {
    status = static_cast<RegStatus>(GetLastError());
  }
  if (status == kRegOk && !IsWineRegistryText(std::span(head, head_size))) {
    return Failure{ERROR_NOT_SUPPORTED, "the saved file is not Wine registry text"};
  }
  const auto unread = [](RegStatus why) {
    return Failure{static_cast<std::uint32_t>(why),
                   "the saved file did not read: " + std::to_string(why)};
  };
  if (status != kRegOk) return unread(status);
  // The rest is read as the parse goes, never held whole beside the tree.
  DWORD head_given = 0;
  RegStatus read_error = kRegOk;
  const WineRegistrySource source = [&](std::span<std::uint8_t> into, std::size_t& got) {
    if (cancel != nullptr && cancel->load()) {
      read_error = ERROR_CANCELLED;
      return false;
    }
    if (head_given < head_size) {
      got = std::min<std::size_t>(into.size(), head_size - head_given);
      std::memcpy(into.data(), head + head_given, got);
      head_given += static_cast<DWORD>(got);
      return true;
    }
    DWORD n = 0;
    if (!ReadFile(file.Get(), into.data(),
                  static_cast<DWORD>(std::min<std::size_t>(into.size(), 1u << 30)), &n, nullptr)) {
      read_error = static_cast<RegStatus>(GetLastError());
      return false;
    }
    got = n;
    return true;
  };
  out.registry = std::make_unique<MemoryRegistry>();
  const WineRegistryRead read = ReadWineRegistry(source, *out.registry, root);
  if (read_error != kRegOk) return unread(read_error);
  if (!read.ok()) return Failure{ERROR_BADDB, read.detail()};
  if (read->links_unresolved != 0) {
    return Failure{ERROR_BADDB,
                   std::to_string(read->links_unresolved) + " links lead out of the saved tree"};
  }
  return out;
}

SnapshotRegistry::SnapshotRegistry(SnapshotPolicy policy) : policy_(policy) {}

SnapshotRegistry::~SnapshotRegistry() {
  for (const Slot& s : slots_) {
    if (s.provider) s.provider->CloseKey(s.inner);
  }
}

void SnapshotRegistry::Reset() {
  for (Root& r : roots_) r = {};
  cancelled_ = false;
}

RootSnapshot SnapshotRegistry::TakeWhileWaiting(RegKey root) {
  UniqueKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return TakeRootSnapshot(root);
  std::atomic<bool> cancel{false};
  RootSnapshot result = Failure{ERROR_CANCELLED, "cancelled"};
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        result = TakeRootSnapshot(root, &cancel);
      } catch (...) {
        // Out of memory, most likely; the file went with its handle.
        result = Failure{ERROR_NOT_ENOUGH_MEMORY, "the snapshot did not fit in memory"};
      }
      SetEvent(done.Get());
    });
  } catch (...) {
    return TakeRootSnapshot(root);
  }
  taking_ = true;
  const HANDLE event = done.Get();
  bool stopped = false;
  while (WaitForSingleObject(event, 0) != WAIT_OBJECT_0) {
    if (!wait_(root)) {
      // A cancelled snapshot ends at its next step; a save under way ends
      // first (a fifth of a second for a large tree).
      stopped = true;
      cancel.store(true);
      WaitForSingleObject(event, INFINITE);
      break;
    }
    MsgWaitForMultipleObjects(1, &event, FALSE, 10, QS_ALLINPUT);
  }
  worker.join();
  taking_ = false;
  if (stopped && result.code() != ERROR_CANCELLED) {
    // The worker may have finished while the stop was being asked for: the
    // user stopped the phase all the same, and nothing more is read.
    result = Failure{ERROR_CANCELLED, "cancelled"};
  }
  return result;
}

SnapshotRegistry::Root& SnapshotRegistry::RootOf(RegKey root) {
  Root& r = roots_[CanonicalRoot(root) - kRegRoots[0].handle];
  if (r.source != Source::kNotOpened) return r;
  RootSnapshot snap = Failure{ERROR_CANCELLED, "cancelled"};
  if (!cancelled_) {
    snap = wait_ ? TakeWhileWaiting(CanonicalRoot(root)) : TakeRootSnapshot(CanonicalRoot(root));
  }
  r.status = static_cast<RegStatus>(snap.code());
  r.detail = snap.detail();
  if (snap.ok()) r.snapshot = std::move(snap->registry);
  if (r.status == ERROR_CANCELLED) {
    cancelled_ = true;
    r.source = Source::kNone;
  } else if (r.snapshot) {
    r.source = Source::kSnapshot;
  } else if (policy_ == SnapshotPolicy::kFallBackToLive ||
             CanonicalRoot(root) == kHkeyPerformanceData) {
    r.source = Source::kLive;
  } else {
    r.source = Source::kNone;
  }
  return r;
}

SnapshotRegistry::Source SnapshotRegistry::Prepare(RegKey root) {
  return IsPredefinedRoot(root) ? RootOf(root).source : Source::kNotOpened;
}

RegistryReader* SnapshotRegistry::Route(RegKey key, RegKey* inner, RegStatus* failure) {
  *failure = kRegInvalidHandle;
  if (IsPredefinedRoot(key)) {
    Root& r = RootOf(key);
    *inner = CanonicalRoot(key);
    if (r.source == Source::kSnapshot) return r.snapshot.get();
    if (r.source == Source::kLive) return &live_;
    *failure = r.status != kRegOk ? r.status : kRegFileNotFound;
    return nullptr;
  }
  if (key < kFirstSlot || key - kFirstSlot >= slots_.size()) return nullptr;
  const Slot& s = slots_[key - kFirstSlot];
  *inner = s.inner;
  return s.provider;
}

RegKey SnapshotRegistry::AddSlot(RegistryReader* provider, RegKey inner) {
  std::size_t slot;
  if (!free_slots_.empty()) {
    slot = free_slots_.back();
    free_slots_.pop_back();
    slots_[slot] = {provider, inner};
  } else {
    slot = slots_.size();
    slots_.push_back({provider, inner});
  }
  return kFirstSlot + slot;
}

RegStatus SnapshotRegistry::OpenKey(RegKey parent, std::string_view path, RegKey* out) {
  *out = kNoKey;
  RegKey inner = kNoKey;
  RegStatus failure = kRegOk;
  RegistryReader* provider = Route(parent, &inner, &failure);
  if (!provider) return failure;
  RegKey opened = kNoKey;
  const RegStatus rc = provider->OpenKey(inner, path, &opened);
  if (rc != kRegOk) return rc;
  // The live registry may answer with a root's own handle (the
  // performance data does): it stays that root's, never closed.
  *out = IsPredefinedRoot(opened) ? opened : AddSlot(provider, opened);
  return kRegOk;
}

RegStatus SnapshotRegistry::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  RegKey inner = kNoKey;
  RegStatus failure = kRegOk;
  RegistryReader* provider = Route(key, &inner, &failure);
  return provider ? provider->EnumKey(inner, index, name) : failure;
}

RegStatus SnapshotRegistry::EnumValue(RegKey key, std::uint32_t index, RegValue& value) {
  RegKey inner = kNoKey;
  RegStatus failure = kRegOk;
  RegistryReader* provider = Route(key, &inner, &failure);
  return provider ? provider->EnumValue(inner, index, value) : failure;
}

void SnapshotRegistry::CloseKey(RegKey key) {
  if (IsPredefinedRoot(key) || key < kFirstSlot || key - kFirstSlot >= slots_.size()) return;
  Slot& s = slots_[key - kFirstSlot];
  if (!s.provider) return;
  s.provider->CloseKey(s.inner);
  s = {};
  free_slots_.push_back(key - kFirstSlot);
}

SnapshotRegistry::Source SnapshotRegistry::SourceOf(RegKey root) const {
  if (!IsPredefinedRoot(root)) return Source::kNotOpened;
  return roots_[CanonicalRoot(root) - kRegRoots[0].handle].source;
}

RegStatus SnapshotRegistry::SnapshotStatus(RegKey root) const {
  if (!IsPredefinedRoot(root)) return kRegInvalidHandle;
  return roots_[CanonicalRoot(root) - kRegRoots[0].handle].status;
}

const std::string& SnapshotRegistry::SnapshotDetail(RegKey root) const {
  static const std::string kNone;
  if (!IsPredefinedRoot(root)) return kNone;
  return roots_[CanonicalRoot(root) - kRegRoots[0].handle].detail;
}

}  // namespace qm::win32
