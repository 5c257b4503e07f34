// The registry as the core sees it: a provider answering the four read
// operations of the search (open, enumerate subkeys, enumerate values,
// close). The Win32 provider talks to the real registry; the in-memory one
// stands in for tests and benchmarks. Statuses are Windows error codes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

using RegStatus = long;
inline constexpr RegStatus kRegOk = 0;
inline constexpr RegStatus kRegFileNotFound = 2;
inline constexpr RegStatus kRegAccessDenied = 5;
inline constexpr RegStatus kRegInvalidHandle = 6;
inline constexpr RegStatus kRegInvalidParameter = 87;
inline constexpr RegStatus kRegMoreData = 234;
inline constexpr RegStatus kRegNoMoreItems = 259;
inline constexpr RegStatus kRegKeyDeleted = 1018;
// A name that is not the WTF-8 form of any UTF-16 name, so no W call can
// address it exactly.
inline constexpr RegStatus kRegNoUnicodeTranslation = 1113;

// Registry type codes.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// An open key as the provider hands it out. The predefined roots use their
// Windows handle values (0x80000000 to 0x80000006) on every provider.
using RegKey = std::uintptr_t;
inline constexpr RegKey kNoKey = 0;

// One value as read from the registry. String data keep their stored form,
// UTF-16LE bytes, until the formatting step decodes them.
struct RegValue {
  std::string name;  // UTF-8
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

// The number a REG_DWORD value holds (stored little-endian); nothing for a
// value of another type or size.
[[nodiscard]] inline std::optional<std::uint32_t> DwordOf(const RegValue& v) {
  if (v.type != kRegDword || v.data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(v.data[0] | v.data[1] << 8 | v.data[2] << 16) |
         static_cast<std::uint32_t>(v.data[3]) << 24;
}

class RegistryReader {
 public:
  virtual ~RegistryReader() = default;

  // Opens `path` (components joined by "\", empty for the key itself) below
  // an open key or a predefined root, for reading.
  [[nodiscard]] virtual RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) = 0;
  // The name of the subkey at `index`; kRegNoMoreItems past the last one.
  [[nodiscard]] virtual RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) = 0;
  // The whole value at `index`, however large its name and data; the
  // provider grows its buffers rather than failing with kRegMoreData.
  [[nodiscard]] virtual RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) = 0;
  virtual void CloseKey(RegKey key) = 0;
};

// Owns one key opened through a provider (a RegistryReader or a
// RegistryEditor); closes it through that provider exactly once.
template <typename Provider>
class ScopedKey {
 public:
  ScopedKey() = default;
  explicit ScopedKey(Provider& provider, RegKey key = kNoKey) : provider_(&provider), key_(key) {}
  ScopedKey(ScopedKey&& other) noexcept
      : provider_(other.provider_), key_(std::exchange(other.key_, kNoKey)) {}
  ScopedKey& operator=(ScopedKey&& other) noexcept {
    if (this != &other) {
      Reset();
      provider_ = other.provider_;
      key_ = std::exchange(other.key_, kNoKey);
    }
    return *this;
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() { Reset(); }

  void Reset() {
    if (key_ != kNoKey) provider_->CloseKey(std::exchange(key_, kNoKey));
  }
  // For the out-parameter of an open call: releases what is held first.
  [[nodiscard]] RegKey* Put() {
    Reset();
    return &key_;
  }
  [[nodiscard]] RegKey Get() const { return key_; }
  explicit operator bool() const { return key_ != kNoKey; }

 private:
  Provider* provider_ = nullptr;
  RegKey key_ = kNoKey;
};

using ScopedRegKey = ScopedKey<RegistryReader>;

// The predefined roots in the order of an all-roots search.
struct RegRoot {
  RegKey handle;
  const char* name;
};
inline constexpr RegRoot kRegRoots[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT"},     {0x80000001u, "HKEY_CURRENT_USER"},
    {0x80000002u, "HKEY_LOCAL_MACHINE"},    {0x80000003u, "HKEY_USERS"},
    {0x80000004u, "HKEY_PERFORMANCE_DATA"}, {0x80000005u, "HKEY_CURRENT_CONFIG"},
    {0x80000006u, "HKEY_DYN_DATA"},
};
inline constexpr RegKey kHkeyClassesRoot = 0x80000000u;
inline constexpr RegKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002u;
inline constexpr RegKey kHkeyUsers = 0x80000003u;
inline constexpr RegKey kHkeyPerformanceData = 0x80000004u;
inline constexpr RegKey kHkeyCurrentConfig = 0x80000005u;
inline constexpr RegKey kHkeyDynData = 0x80000006u;

// How a root's name may be written where it is read back.
enum class RootSpelling {
  kExact,           // the long name as the registry gives it, letter case included
                    // (a row of the search, a key line of a backup file)
  kAnyCase,         // the long name in any letter case, as a user types it
  kAnyCaseOrShort,  // that, or HKCR, HKCU, HKLM, HKU, HKCC (an ignore-list line)
};
// The predefined root `name` names; kNoKey (0, which names no key) for
// "HKEY_ALL" and every other text.
[[nodiscard]] RegKey RootKeyFromName(std::string_view name,
                                     RootSpelling spelling = RootSpelling::kExact);

// A predefined root in its 32-bit form (0x80000000 to 0x80000006), whether
// it came in that form or sign-extended to 64 bits as a Windows HKEY; any
// other handle unchanged.
[[nodiscard]] RegKey CanonicalRoot(RegKey key);
// The root's name, or empty text for any other handle. Either form of a
// root is recognised.
[[nodiscard]] std::string_view RootKeyName(RegKey root);
[[nodiscard]] bool IsPredefinedRoot(RegKey key);

// "REG_SZ", "REG_DWORD" and so on; a type without a name as "0x0000002A".
[[nodiscard]] std::string RegTypeName(std::uint32_t type);

}  // namespace qm
