// The one editor both offline registries repair and restore through: it
// answers from the tree they loaded, and keeps each change for the file
// that holds its key, to be written to that file later as one edit.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/registry_writer.h"

namespace qm::posix {

struct RegistryChange {
  enum class Kind { kDeleteValue, kSetValue, kCreateKey };
  Kind kind = Kind::kDeleteValue;
  std::string path;  // the key below the file's own key, "\"-separated
  RegValue value;    // its name alone for a deletion; nothing for a new key
};

// Each file's changes, in the order they were made.
using RegistryChanges = std::map<std::string, std::vector<RegistryChange>>;

struct RegistryPlace {
  std::string file;   // the registry file's Linux path
  std::string inner;  // the key's path below the file's own key
};

class ChangeRecorder final : public RegistryEditor {
 public:
  // Where a key of `root` (as the program opened it) is stored; `deleted`
  // names the value about to be deleted, null for a write or a new key.
  // None for a key no file holds: a change to it is refused.
  using PlaceOf = std::function<std::optional<RegistryPlace>(RegKey root, const std::string& path,
                                                             const std::string_view* deleted)>;
  // Where the tree keeps a key of `root`, for the roots it keeps below
  // another.
  using TreeOf =
      std::function<std::pair<RegKey, std::string>(RegKey root, const std::string& path)>;

  ChangeRecorder(MemoryRegistry& tree, PlaceOf place_of, TreeOf tree_of)
      : tree_(tree), place_of_(std::move(place_of)), tree_of_(std::move(tree_of)) {}

  [[nodiscard]] const RegistryChanges& Changes() const { return changes_; }

  RegStatus OpenKeyForQuery(RegKey parent, std::string_view path, RegKey* out) override {
    return Open(parent, path, out, false);
  }
  RegStatus OpenKeyForWrite(RegKey parent, std::string_view path, RegKey* out) override {
    return Open(parent, path, out, false);
  }
  RegStatus CreateKeyForWrite(RegKey parent, std::string_view path, RegKey* out) override {
    return Open(parent, path, out, true);
  }
  RegStatus QueryValue(RegKey key, std::string_view name, RegValue& value) override {
    return tree_.QueryValue(key, name, value);
  }
  RegStatus DeleteValue(RegKey key, std::string_view name) override;
  RegStatus WriteValue(RegKey key, const RegValue& value) override;
  void CloseKey(RegKey key) override {
    opened_.erase(key);
    tree_.CloseKey(key);
  }

 private:
  struct Opened {
    RegKey root;
    std::string path;
  };
  RegStatus Open(RegKey parent, std::string_view path, RegKey* out, bool create);

  MemoryRegistry& tree_;
  PlaceOf place_of_;
  TreeOf tree_of_;
  // Keys opened keep the path they were opened by, as the root shows it,
  // so that each change finds the file and the key it names.
  std::map<RegKey, Opened> opened_;
  RegistryChanges changes_;
};

}  // namespace qm::posix
