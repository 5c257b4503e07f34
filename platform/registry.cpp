#include "platform/registry.h"

namespace qm {

std::string_view RootKeyName(RegKey root) {
  for (const auto& r : kRegRoots) {
    if (r.handle == root) return r.name;
  }
  return {};
}

bool IsPredefinedRoot(RegKey key) {
  return !RootKeyName(key).empty();
}

}  // namespace qm
