// A registry whose predefined roots are keys of another: the view a
// running system gives of its stored trees, where HKEY_CLASSES_ROOT and
// HKEY_CURRENT_CONFIG are keys below HKEY_LOCAL_MACHINE. Roots left
// unmapped are served as the inner registry has them.
#pragma once

#include <map>
#include <string>

#include "platform/registry.h"

namespace qm::posix {

class MappedRoots final : public RegistryReader {
 public:
  explicit MappedRoots(RegistryReader& inner) : inner_(inner) {}

  // Opening `root` opens `target_root`\`target_path` instead.
  void Map(RegKey root, RegKey target_root, std::string target_path);
  // Makes the root absent, as HKEY_DYN_DATA is on NT systems.
  void Absent(RegKey root);

  [[nodiscard]] RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override;
  [[nodiscard]] RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  [[nodiscard]] RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
  void CloseKey(RegKey key) override;

 private:
  struct Target {
    RegKey root = kNoKey;  // kNoKey: the root is absent
    std::string path;
  };
  RegistryReader& inner_;
  std::map<RegKey, Target> map_;
};

}  // namespace qm::posix
