// Every key and value of an in-memory registry below a key, in enumeration
// order, one line each: two trees compare as their dumps do.
#pragma once

#include <string>
#include <vector>

#include "platform/memory_registry.h"

namespace qm::testing {

inline void DumpKey(MemoryRegistry& reg, RegKey key, const std::string& path,
                    std::vector<std::string>& out) {
  RegValue v;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, v) == kRegOk; ++i) {
    out.push_back(path + " = " + v.name + ":" + std::to_string(v.type) + ":" +
                  std::string(v.data.begin(), v.data.end()));
  }
  std::string name;
  for (std::uint32_t i = 0; reg.EnumKey(key, i, name) == kRegOk; ++i) {
    out.push_back(path + "\\" + name);
    ScopedKey<RegistryReader> child(reg);
    if (reg.OpenKey(key, name, child.Put()) == kRegOk) {
      DumpKey(reg, child.Get(), path + "\\" + name, out);
    }
  }
}

[[nodiscard]] inline std::vector<std::string> Dump(MemoryRegistry& reg, RegKey root) {
  std::vector<std::string> out;
  DumpKey(reg, root, "", out);
  return out;
}

}  // namespace qm::testing
