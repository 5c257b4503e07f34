#include "repair/backup_restore.h"

#include <string_view>

#include "repair/row_value.h"

namespace qm {

namespace {

struct KeyPlace {
  RegKey root = kNoKey;
  std::string_view path;
};

// "HKEY_CURRENT_USER\Software\App" as the root and the path below it.
KeyPlace Place(const std::string& key) {
  const std::size_t cut = key.find('\\');
  const std::string_view whole(key);
  if (cut == std::string::npos) return {RootKeyFromName(whole), {}};
  return {RootKeyFromName(whole.substr(0, cut)), whole.substr(cut + 1)};
}

ValueOutcome Compare(const BackupEntry& e, RegistryEditor& registry) {
  const KeyPlace place = Place(e.key);
  if (place.root == kNoKey) return {ValueCheck::kUnreadable, kRegInvalidHandle};
  ScopedEditKey key(registry);
  RegValue now;
  RegStatus rc = registry.OpenKeyForQuery(place.root, place.path, key.Put());
  if (rc == kRegOk) rc = registry.QueryValue(key.Get(), e.value.name, now);
  if (rc == kRegFileNotFound) return {ValueCheck::kMissing, rc};
  if (rc != kRegOk) return {ValueCheck::kUnreadable, rc};
  const bool same = now.type == e.value.type && now.data == e.value.data;
  return {same ? ValueCheck::kSame : ValueCheck::kDiffers, kRegOk};
}

RegStatus Write(const BackupEntry& e, RegistryEditor& registry) {
  const KeyPlace place = Place(e.key);
  if (place.root == kNoKey) return kRegInvalidHandle;
  ScopedEditKey key(registry);
  const RegStatus rc = registry.CreateKeyForWrite(place.root, place.path, key.Put());
  return rc == kRegOk ? registry.WriteValue(key.Get(), e.value) : rc;
}

}  // namespace

std::vector<ValueOutcome> CompareWithRegistry(std::span<const BackupEntry> entries,
                                              RegistryEditor& registry) {
  std::vector<ValueOutcome> out;
  out.reserve(entries.size());
  for (const BackupEntry& e : entries) out.push_back(Compare(e, registry));
  return out;
}

std::vector<ValueOutcome> RestoreEntries(std::span<const BackupEntry> entries,
                                         RegistryEditor& registry) {
  std::vector<ValueOutcome> out(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const RegStatus rc = Write(entries[i], registry);
    if (rc != kRegOk) out[i] = {ValueCheck::kNotWritten, rc};
  }
  // Read back only after every write: a later entry for the same value
  // (the file may name it through two roots) must not hide a difference.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (out[i].check != ValueCheck::kNotWritten) out[i] = Compare(entries[i], registry);
  }
  return out;
}

}  // namespace qm
