#include "scan/system_settings.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SystemSettings, TheListedPlacesCountAndTheirNeighboursDoNot) {
  struct Case {
    const char* root;
    const char* key;
    const char* value;
    std::optional<std::uint32_t> start;
    bool system;
  };
  constexpr const char* kHklm = "HKEY_LOCAL_MACHINE";
  constexpr const char* kMm =
      "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
  constexpr const char* kWinlogon = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const Case cases[] = {
      {kHklm, kMm, "PagingFiles", {}, true},
      {"hkey_local_machine",
       "system\\controlset001\\control\\session manager\\memory management",
       "pagingfiles",
       {},
       true},
      {kHklm, "SYSTEM\\ControlSet002\\Control\\Session Manager", "BootExecute", {}, true},
      {kHklm,
       "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs",
       "kernel32",
       {},
       true},
      {kHklm, "SYSTEM\\CurrentControlSet\\Control\\Lsa", "Authentication Packages", {}, true},
      {kHklm, "SYSTEM\\ControlSet001\\Control\\Lsa", "Notification Packages", {}, true},
      {kHklm, "SYSTEM\\CurrentControlSet\\Control\\Lsa", "Security Packages", {}, true},
      {kHklm, kWinlogon, "Shell", {}, true},
      {kHklm,
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
       "Userinit",
       {},
       true},
      {kHklm, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "AppInit_DLLs", {}, true},
      {kHklm,
       "SOFTWARE\\WOW6432NODE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
       "AppInit_DLLs",
       {},
       true},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\disk", "ImagePath", 0, true},
      {kHklm, "SYSTEM\\ControlSet001\\Services\\Tcpip", "ImagePath", 1, true},
      // Near misses.
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\Spooler", "ImagePath", 3, false},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\Spooler", "ImagePath", 2, false},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\NoStart", "ImagePath", {}, false},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\Svc\\Parameters", "ServiceDll", 0, false},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services", "ImagePath", 0, false},
      {kHklm, kWinlogon, "Taskman", {}, false},
      {kHklm,
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\WgaLogon",
       "DllName",
       {},
       false},
      {kHklm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Shell", {}, false},
      {kHklm, "SYSTEM\\ControlSet01\\Control\\Session Manager", "BootExecute", {}, false},
      {kHklm, "SYSTEM\\ControlSetBak\\Control\\Session Manager", "BootExecute", {}, false},
      {kHklm,
       "SYSTEM\\Wow6432Node\\CurrentControlSet\\Control\\Lsa",
       "Security Packages",
       {},
       false},
      {kHklm, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "PagingFiles", {}, false},
      {"HKEY_CURRENT_USER", kWinlogon, "Shell", {}, false},
      {"HKEY_USERS", kMm, "PagingFiles", {}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSystemSetting(c.root, c.key, c.value, c.start), c.system)
        << c.root << "\\" << c.key << " " << c.value;
  }
}

}  // namespace
}  // namespace qm
