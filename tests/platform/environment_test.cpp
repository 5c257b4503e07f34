#include "platform/environment.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/memory_registry.h"

namespace qm {
namespace {

// A profile as an installation stores it: the system's values with
// variables in them, the user's keys over the machine's.
TEST(RegistryEnvironment, IsTheProfilesLogOnEnvironment) {
  MemoryRegistry reg;
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::string list = nt + "\\ProfileList";
  reg.SetString(kHkeyLocalMachine, nt, "SystemRoot", "C:\\Windows");
  reg.SetString(kHkeyLocalMachine, list, "ProgramData", "%SystemDrive%\\ProgramData", kRegExpandSz);
  reg.SetString(kHkeyLocalMachine, list + "\\S-1-5-21-1-2-3-1001", "ProfileImagePath",
                "%SystemDrive%\\Users\\Ann", kRegExpandSz);
  reg.SetString(kHkeyLocalMachine, list + "\\S-1-5-21-1-2-3-1002", "ProfileImagePath",
                "C:\\Users\\Bob");
  reg.SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                "ProgramFilesDir (x86)", "C:\\Program Files (x86)");
  const std::string system_env = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
  reg.SetString(kHkeyLocalMachine, system_env, "TEMP", "%SystemRoot%\\TEMP", kRegExpandSz);
  reg.SetString(kHkeyLocalMachine, system_env, "ComSpec", "%windir%\\system32\\cmd.exe",
                kRegExpandSz);
  reg.SetString(kHkeyCurrentUser,
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                "AppData", "%USERPROFILE%\\AppData\\Roaming", kRegExpandSz);
  reg.SetString(kHkeyCurrentUser, "Environment", "TEMP", "%USERPROFILE%\\AppData\\Local\\Temp",
                kRegExpandSz);
  reg.SetString(kHkeyCurrentUser, "Environment", "Loop", "%LOOP%;C:\\Tools", kRegExpandSz);
  reg.SetString(kHkeyCurrentUser, "Environment", "Broken", "%NoSuch%\\x", kRegExpandSz);
  reg.SetString(kHkeyCurrentUser, "Volatile Environment", "LOCALAPPDATA",
                "C:\\Users\\Ann\\AppData\\Local");

  const VariableTable env = RegistryEnvironment(reg, "S-1-5-21-1-2-3-1001");
  struct Case {
    const char* name;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"SystemRoot", "C:\\Windows"},
      {"WINDIR", "C:\\Windows"},
      {"systemdrive", "C:"},
      {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
      {"ALLUSERSPROFILE", "C:\\ProgramData"},
      {"USERPROFILE", "C:\\Users\\Ann"},
      {"USERNAME", "Ann"},
      {"HOMEPATH", "\\Users\\Ann"},
      {"APPDATA", "C:\\Users\\Ann\\AppData\\Roaming"},
      {"LOCALAPPDATA", "C:\\Users\\Ann\\AppData\\Local"},
      {"TEMP", "C:\\Users\\Ann\\AppData\\Local\\Temp"},
      {"ComSpec", "C:\\Windows\\system32\\cmd.exe"},
      {"Loop", std::nullopt},
      {"Broken", std::nullopt},
      {"NoSuch", std::nullopt},
      {"ProgramFiles", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(env.Variable(c.name), c.value) << c.name;

  // Texts read left to right: a percent sign that opens no name is kept.
  EXPECT_EQ(ExpandVariables("\"%APPDATA%\\t.exe\" \"%1\" %*", env),
            "\"C:\\Users\\Ann\\AppData\\Roaming\\t.exe\" \"%1\" %*");
  EXPECT_EQ(ExpandVariables("C:\\100%\\50%20%USERNAME%", env), "C:\\100%\\50%20Ann");
  EXPECT_EQ(ExpandVariables("%USERNAME%\\%NoSuch%", env), std::nullopt);
}

}  // namespace
}  // namespace qm
