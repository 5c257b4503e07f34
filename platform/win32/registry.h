// The real registry through the W APIs.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/registry.h"

namespace qm::win32 {

// The HKEY of a handle the core uses: predefined roots carry their 32-bit
// values in the core and are sign-extended here, as Windows defines them.
[[nodiscard]] HKEY ToHkey(RegKey key);

// Every registry call is a round trip to the registry's owner (the kernel,
// or the wineserver under Wine), so a walk costs about as many round trips
// as it makes calls. A key opened here is asked once for its counts of
// subkeys and values and its longest name and data: the walk's enumerations
// then need no terminating call past the last item, and the buffers are
// large enough before the first read. Items added to a key after it was
// opened may go unseen; items removed end its listing early.
class Win32Registry final : public RegistryReader {
 public:
  [[nodiscard]] RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override;
  [[nodiscard]] RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  [[nodiscard]] RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override;
  void CloseKey(RegKey key) override;

  // The subkey count a key opened here was asked for when it was opened.
  [[nodiscard]] std::optional<std::uint32_t> SubkeyCount(RegKey key) const;

 private:
  struct Counts {
    RegKey key;
    DWORD subkeys;
    DWORD values;
  };
  // The counts of a key opened here, or null (a root handed in directly,
  // or a key whose counts could not be read): then every call is made.
  [[nodiscard]] const Counts* CountsOf(RegKey key) const;
  void ReadCounts(HKEY key, RegKey out);

  // Buffers kept across calls: a walk makes millions of these calls.
  std::vector<wchar_t> key_name_ = std::vector<wchar_t>(256);
  std::vector<wchar_t> value_name_ = std::vector<wchar_t>(16384);
  std::vector<BYTE> data_ = std::vector<BYTE>(4096);
  std::wstring wide_path_;
  // One entry per key open through this provider, in opening order; a walk
  // keeps one per level of its path and asks mostly about the last.
  std::vector<Counts> open_;
};

}  // namespace qm::win32
