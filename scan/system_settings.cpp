#include "scan/system_settings.h"

#include "platform/text.h"
#include "scan/key_pattern.h"
#include "scan/rules.h"

namespace qm {

namespace {

// Key components are patterns (scan/key_pattern.h); a value of "*" is any.
constexpr std::string_view kAnyValue = "*";

struct Place {
  std::string_view key;  // below HKEY_LOCAL_MACHINE
  std::string_view value;
};

// The list the README documents; keep the two together.
constexpr Place kPlaces[] = {
    {"SYSTEM\\<ControlSet>\\Control\\Session Manager\\Memory Management", "PagingFiles"},
    {"SYSTEM\\<ControlSet>\\Control\\Session Manager", "BootExecute"},
    {"SYSTEM\\<ControlSet>\\Control\\Session Manager\\KnownDLLs", kAnyValue},
    {"SYSTEM\\<ControlSet>\\Control\\Lsa", "Authentication Packages"},
    {"SYSTEM\\<ControlSet>\\Control\\Lsa", "Security Packages"},
    {"SYSTEM\\<ControlSet>\\Control\\Lsa", "Notification Packages"},
    {"SOFTWARE\\<View>\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"},
    {"SOFTWARE\\<View>\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit"},
    {"SOFTWARE\\<View>\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "AppInit_DLLs"},
};
// Every value of a service's own key, but only with its start type.
constexpr std::string_view kServicePlace = "SYSTEM\\<ControlSet>\\Services\\<Name>";

constexpr std::uint32_t kBootStart = 0;
constexpr std::uint32_t kSystemStart = 1;

bool AtPlace(std::string_view place, std::string_view key_path) {
  return MatchesKeyPattern(place, key_path);
}

bool IsLocalMachine(std::string_view root) {
  return text::EqualsNoCase(root, "HKEY_LOCAL_MACHINE");
}

// The service key's Start value, when it is a DWORD.
std::optional<std::uint32_t> ServiceStart(RegistryReader& registry, std::string_view key_path) {
  ScopedRegKey key(registry);
  if (registry.OpenKey(kHkeyLocalMachine, key_path, key.Put()) != kRegOk) return std::nullopt;
  RegValue value;
  for (std::uint32_t i = 0; registry.EnumValue(key.Get(), i, value) == kRegOk; ++i) {
    if (text::EqualsNoCase(value.name, "Start")) return DwordOf(value);
  }
  return std::nullopt;
}

}  // namespace

bool IsServiceKey(std::string_view root, std::string_view key_path) {
  return IsLocalMachine(root) && AtPlace(kServicePlace, key_path);
}

bool IsSystemSetting(std::string_view root, std::string_view key_path, std::string_view value_name,
                     std::optional<std::uint32_t> service_start) {
  if (!IsLocalMachine(root)) return false;
  if (IsServiceKey(root, key_path)) {
    return service_start && (*service_start == kBootStart || *service_start == kSystemStart);
  }
  for (const Place& place : kPlaces) {
    if (place.value != kAnyValue && !text::EqualsNoCase(value_name, place.value)) continue;
    if (AtPlace(place.key, key_path)) return true;
  }
  return false;
}

bool IsSystemSettingRow(RegistryReader& registry, const RegErrorRow& row) {
  if (!IsLocalMachine(row.root)) return false;
  const std::optional<std::uint32_t> start =
      IsServiceKey(row.root, row.key_path) ? ServiceStart(registry, row.key_path) : std::nullopt;
  return IsSystemSetting(row.root, row.key_path, row.value_name, start);
}

std::string_view KindCellText(const RegErrorRow& row) {
  if (!row.system_setting) return row.kind;
  for (const std::int32_t found : {0, 1, 2}) {
    if (row.kind == KindText(found)) return kSystemSettingMark;
  }
  return row.kind;
}

}  // namespace qm
