#include "scan/system_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

TEST(SystemSettings, TheListedPlacesCountAndTheirNeighboursDoNot) {
  struct Case {
    std::string key;
    const char* value;
    std::optional<std::uint32_t> start;
    bool system;
    const char* root = "HKEY_LOCAL_MACHINE";
  };
  const std::string ccs = "SYSTEM\\CurrentControlSet\\";
  const std::string sm = ccs + "Control\\Session Manager";
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
  const std::string wow = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\";
  const Case cases[] = {
      {sm + "\\Memory Management", "PagingFiles", {}, true},
      {"system\\controlset001\\control\\session manager\\memory management",
       "pagingfiles",
       {},
       true},
      {"SYSTEM\\ControlSet002\\Control\\Session Manager", "BootExecute", {}, true},
      {sm + "\\KnownDLLs", "kernel32", {}, true},
      {ccs + "Control\\Lsa", "Authentication Packages", {}, true},
      {"SYSTEM\\ControlSet001\\Control\\Lsa", "Notification Packages", {}, true},
      {ccs + "Control\\Lsa", "Security Packages", {}, true},
      {nt + "Winlogon", "Shell", {}, true},
      {wow + "Winlogon", "Userinit", {}, true},
      {nt + "Windows", "AppInit_DLLs", {}, true},
      {wow + "Windows", "AppInit_DLLs", {}, true},
      {ccs + "Services\\disk", "ImagePath", 0, true},
      {"SYSTEM\\ControlSet001\\Services\\Tcpip", "ImagePath", 1, true},
      // Near misses.
      {ccs + "Services\\Spooler", "ImagePath", 3, false},
      {ccs + "Services\\Spooler", "ImagePath", 2, false},
      {ccs + "Services\\NoStart", "ImagePath", {}, false},
      {ccs + "Services\\Svc\\Parameters", "ServiceDll", 0, false},
      {nt + "Winlogon", "Taskman", {}, false},
      {nt + "Winlogon\\Notify\\WgaLogon", "DllName", {}, false},
      {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Shell", {}, false},
      {"SYSTEM\\ControlSet01\\Control\\Session Manager", "BootExecute", {}, false},
      {"SYSTEM\\ControlSetBak\\Control\\Session Manager", "BootExecute", {}, false},
      {"SYSTEM\\Wow6432Node\\CurrentControlSet\\Control\\Lsa", "Security Packages", {}, false},
      {sm, "PagingFiles", {}, false},
      {nt + "Winlogon", "Shell", {}, false, "HKEY_CURRENT_USER"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSystemSetting(c.root, c.key, c.value, c.start), c.system)
        << c.key << " " << c.value;
  }
}

}  // namespace
}  // namespace qm
