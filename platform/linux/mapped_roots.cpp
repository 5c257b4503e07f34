#include "platform/linux/mapped_roots.h"

namespace qm::posix {

void MappedRoots::Map(RegKey root, RegKey target_root, std::string target_path) {
  map_[CanonicalRoot(root)] = Target{target_root, std::move(target_path)};
}

void MappedRoots::Absent(RegKey root) {
  map_[CanonicalRoot(root)] = Target{};
}

RegStatus MappedRoots::OpenKey(RegKey parent, std::string_view path, RegKey* out) {
  if (!IsPredefinedRoot(parent)) return inner_.OpenKey(parent, path, out);
  const auto it = map_.find(CanonicalRoot(parent));
  if (it == map_.end()) return inner_.OpenKey(parent, path, out);
  *out = kNoKey;
  const Target& t = it->second;
  if (t.root == kNoKey) return kRegFileNotFound;
  std::string full = t.path;
  if (!path.empty()) {
    if (!full.empty()) full += '\\';
    full += path;
  }
  return inner_.OpenKey(t.root, full, out);
}

RegStatus MappedRoots::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  // The search enumerates only keys it opened, never a mapped root itself.
  if (IsPredefinedRoot(key) && map_.count(CanonicalRoot(key)) != 0) return kRegInvalidHandle;
  return inner_.EnumKey(key, index, name);
}

RegStatus MappedRoots::EnumValue(RegKey key, std::uint32_t index, RegValue& value) {
  if (IsPredefinedRoot(key) && map_.count(CanonicalRoot(key)) != 0) return kRegInvalidHandle;
  return inner_.EnumValue(key, index, value);
}

void MappedRoots::CloseKey(RegKey key) {
  inner_.CloseKey(key);
}

}  // namespace qm::posix
