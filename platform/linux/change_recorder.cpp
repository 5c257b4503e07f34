#include "platform/linux/change_recorder.h"

namespace qm::posix {

RegStatus ChangeRecorder::DeleteValue(RegKey key, std::string_view name) {
  const auto it = opened_.find(key);
  if (it == opened_.end()) return kRegInvalidHandle;
  // A key no file holds (a volatile one, a root's own values, another
  // user's) cannot be changed on disk.
  const auto place = place_of_(it->second.root, it->second.path, &name);
  if (!place) return kRegAccessDenied;
  const RegStatus rc = tree_.DeleteValue(key, name);
  if (rc != kRegOk) return rc;
  changes_[place->file].push_back({RegistryChange::Kind::kDeleteValue, place->inner,
                                   RegValue{std::string(name), kRegNone, {}}});
  return kRegOk;
}

RegStatus ChangeRecorder::WriteValue(RegKey key, const RegValue& value) {
  const auto it = opened_.find(key);
  if (it == opened_.end()) return kRegInvalidHandle;
  const auto place = place_of_(it->second.root, it->second.path, nullptr);
  if (!place) return kRegAccessDenied;
  const RegStatus rc = tree_.WriteValue(key, value);
  if (rc != kRegOk) return rc;
  changes_[place->file].push_back({RegistryChange::Kind::kSetValue, place->inner, value});
  return kRegOk;
}

RegStatus ChangeRecorder::Open(RegKey parent, std::string_view path, RegKey* out, bool create) {
  *out = kNoKey;
  Opened at;
  if (IsPredefinedRoot(parent)) {
    at = {CanonicalRoot(parent), std::string(path)};
  } else {
    const auto it = opened_.find(parent);
    if (it == opened_.end()) return kRegInvalidHandle;
    at = it->second;
    if (!path.empty()) at.path += (at.path.empty() ? "" : "\\") + std::string(path);
  }
  const auto [tree_root, tree_path] = tree_of_(at.root, at.path);
  RegStatus rc = tree_.OpenKeyForWrite(tree_root, tree_path, out);
  if (rc == kRegFileNotFound && create) {
    // A new key is kept only where a file can hold it.
    const auto place = place_of_(at.root, at.path, nullptr);
    if (!place) return kRegAccessDenied;
    rc = tree_.CreateKeyForWrite(tree_root, tree_path, out);
    if (rc == kRegOk) {
      changes_[place->file].push_back({RegistryChange::Kind::kCreateKey, place->inner, {}});
    }
  }
  if (rc == kRegOk) opened_[*out] = std::move(at);
  return rc;
}

}  // namespace qm::posix
