// Values that are the system's own configuration, though they name files
// on the system drive: the paging files, the logon shell, what the session
// manager runs and loads at boot, the LSA packages, AppInit_DLLs and the
// values of boot- and system-start services. Deleting one can leave Windows
// unable to start or log on, whatever the file check says, so their rows
// are listed with a mark and never ticked by default.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/registry.h"
#include "scan/error_list.h"

namespace qm {

// What the list's kind column and the reports show for such a row.
inline constexpr std::string_view kSystemSettingMark = "系统设置";

// Whether `key_path` is a service's own key, below HKEY_LOCAL_MACHINE:
// SYSTEM\<control set>\Services\<name>. Its values count only when the
// service starts at boot or with the system, which its Start value tells.
[[nodiscard]] bool IsServiceKey(std::string_view root, std::string_view key_path);

// Whether the value `value_name` of `key_path` under the root named `root`
// is one of the listed system settings. Names compare without case; the
// control set is CurrentControlSet or any ControlSet00N; the keys under
// SOFTWARE count in the 32-bit view (Wow6432Node) too. `service_start` is
// the Start value of the key when IsServiceKey: 0 (boot) and 1 (system)
// count, anything else or nothing does not.
[[nodiscard]] bool IsSystemSetting(std::string_view root, std::string_view key_path,
                                   std::string_view value_name,
                                   std::optional<std::uint32_t> service_start);

// The same for a row, reading a service key's Start value from `registry`.
[[nodiscard]] bool IsSystemSettingRow(RegistryReader& registry, const RegErrorRow& row);

// The text of the list's first column: the mark for a system setting that
// no repair has marked otherwise, else the row's kind.
[[nodiscard]] std::string_view KindCellText(const RegErrorRow& row);

}  // namespace qm
