#include "platform/registry.h"

#include <cstdio>

#include "platform/text.h"

namespace qm {

RegKey CanonicalRoot(RegKey key) {
  if constexpr (sizeof(RegKey) > 4) {
    // Windows defines the roots as LONGs, so a 64-bit HKEY carries them
    // sign-extended: 0xFFFFFFFF80000002 is HKEY_LOCAL_MACHINE.
    const std::uint64_t wide = key;
    if ((wide >> 32) == 0xFFFFFFFFu) {
      const auto low = static_cast<RegKey>(wide & 0xFFFFFFFFu);
      for (const auto& r : kRegRoots) {
        if (r.handle == low) return low;
      }
    }
  }
  return key;
}

std::string_view RootKeyName(RegKey root) {
  const RegKey canonical = CanonicalRoot(root);
  for (const auto& r : kRegRoots) {
    if (r.handle == canonical) return r.name;
  }
  return {};
}

RegKey RootKeyFromName(std::string_view name, RootSpelling spelling) {
  for (const auto& r : kRegRoots) {
    if (spelling == RootSpelling::kExact ? name == r.name : text::EqualsNoCase(name, r.name)) {
      return r.handle;
    }
  }
  if (spelling != RootSpelling::kAnyCaseOrShort) return kNoKey;
  struct ShortRoot {
    std::string_view name;
    RegKey handle;
  };
  static constexpr ShortRoot kShortRoots[] = {
      {"HKCR", kHkeyClassesRoot}, {"HKCU", kHkeyCurrentUser},   {"HKLM", kHkeyLocalMachine},
      {"HKU", kHkeyUsers},        {"HKCC", kHkeyCurrentConfig},
  };
  for (const ShortRoot& r : kShortRoots) {
    if (text::EqualsNoCase(name, r.name)) return r.handle;
  }
  return kNoKey;
}

bool IsPredefinedRoot(RegKey key) {
  return !RootKeyName(key).empty();
}

std::string RegTypeName(std::uint32_t type) {
  static constexpr const char* kNames[] = {"REG_NONE",
                                           "REG_SZ",
                                           "REG_EXPAND_SZ",
                                           "REG_BINARY",
                                           "REG_DWORD",
                                           "REG_DWORD_BIG_ENDIAN",
                                           "REG_LINK",
                                           "REG_MULTI_SZ",
                                           "REG_RESOURCE_LIST",
                                           "REG_FULL_RESOURCE_DESCRIPTOR",
                                           "REG_RESOURCE_REQUIREMENTS_LIST",
                                           "REG_QWORD"};
  if (type < std::size(kNames)) return kNames[type];
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(type));
  return buf;
}

}  // namespace qm
