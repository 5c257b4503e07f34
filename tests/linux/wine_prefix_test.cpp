#include "platform/linux/wine_prefix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace qm::posix {
namespace {

namespace fs = std::filesystem;

// The hex(6) data of a link value as Wine writes it: the target's UTF-16LE.
std::string LinkData(const std::string& target) {
  std::string out = "hex(6):";
  char buf[8];
  for (std::size_t i = 0; i < target.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%s%02x,00", i == 0 ? "" : ",",
                  static_cast<unsigned char>(target[i]));
    out += buf;
  }
  return out;
}

std::string Head(const char* base) {
  return std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + base +
         "\n\n#arch=win64\n\n";
}

const std::string kSystem =
    Head("REGISTRY\\\\Machine") +
    "[Software\\\\Classes\\\\.qm] 1796850185\n@=\"qmfile\"\n\n"
    "[System\\\\ControlSet001\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts] 1\n"
    "\"LogPixels\"=\"96\"\n\n"
    "[System\\\\ControlSet001\\\\Services\\\\svc] 1\n\"ImagePath\"=\"C:\\\\svc.exe\"\n\n"
    "[System\\\\CurrentControlSet] 1\n#link\n\"SymbolicLinkValue\"=" +
    LinkData("\\Registry\\Machine\\System\\ControlSet001") + "\n\n";
const std::string kUser = Head("REGISTRY\\\\User\\\\S-1-5-21-7-7-7-1001") +
                          "[Software\\\\Classes\\\\UserOnly] 1\n@=\"mine\"\n\n";
const std::string kUserDefault =
    Head("REGISTRY\\\\User\\\\.Default") + "[Control Panel] 1\n\"Beep\"=\"yes\"\n\n";

class WinePrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = qm::testing::MakeTempFolder("qm-prefix");
    ASSERT_FALSE(dir_.empty());
    Write("system.reg", kSystem);
    Write("user.reg", kUser);
    Write("userdef.reg", kUserDefault);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const char* name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  fs::path dir_;
};

// The text of the value `name`, or nothing when the key does not open or
// lacks it.
std::optional<std::string> ValueText(RegistryReader& reg, RegKey root, const char* path,
                                     const char* name) {
  ScopedRegKey key(reg);
  if (reg.OpenKey(root, path, key.Put()) != kRegOk) return std::nullopt;
  RegValue v;
  for (std::uint32_t i = 0; reg.EnumValue(key.Get(), i, v) == kRegOk; ++i) {
    if (v.name == name) return text::Utf16LeToUtf8(v.data.data(), v.data.size(), true);
  }
  return std::nullopt;
}

TEST_F(WinePrefixTest, RootsAreMappedAsWineShowsThem) {
  WinePrefixRegistry prefix;
  ASSERT_TRUE(prefix.Load(dir_)) << prefix.error();
  EXPECT_EQ(prefix.UserSid(), "S-1-5-21-7-7-7-1001");
  struct Case {
    RegKey root;
    const char* path;
    const char* name;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {kHkeyLocalMachine, "Software\\Classes\\.qm", "", "qmfile"},
      {kHkeyClassesRoot, ".QM", "", "qmfile"},
      // Wine's HKEY_CLASSES_ROOT does not show the user's classes.
      {kHkeyClassesRoot, "UserOnly", "", std::nullopt},
      {kHkeyCurrentUser, "Software\\Classes\\UserOnly", "", "mine"},
      {kHkeyUsers, "S-1-5-21-7-7-7-1001\\Software\\Classes\\UserOnly", "", "mine"},
      {kHkeyUsers, ".Default\\Control Panel", "Beep", "yes"},
      {kHkeyLocalMachine, "System\\CurrentControlSet\\Services\\svc", "ImagePath", "C:\\svc.exe"},
      {0x80000005u, "Software\\Fonts", "LogPixels", "96"},
      {0x80000006u, "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValueText(prefix.Reader(), c.root, c.path, c.name), c.text)
        << RootKeyName(c.root) << "\\" << c.path;
  }
  // HKEY_USERS lists its keys in name order, as Wine does.
  std::string first;
  ScopedRegKey users(prefix.Reader());
  ASSERT_EQ(prefix.Reader().OpenKey(kHkeyUsers, "", users.Put()), kRegOk);
  ASSERT_EQ(prefix.Reader().EnumKey(users.Get(), 0, first), kRegOk);
  EXPECT_EQ(first, ".Default");
}

TEST_F(WinePrefixTest, AFileThatDoesNotReadIsNamed) {
  struct Case {
    const char* file;
    std::string text;  // empty: the file is removed
    const char* error;
  };
  const Case cases[] = {
      {"system.reg", "", "system.reg cannot be read"},
      {"user.reg", Head("REGISTRY\\\\Machine"),
       "user.reg holds REGISTRY\\Machine, not a user's key"},
      {"user.reg", Head("REGISTRY\\\\User"), "user.reg holds REGISTRY\\User, not a user's key"},
      {"userdef.reg", "REGEDIT4\n", "userdef.reg is not a Wine registry file"},
      {"system.reg", kSystem + "garbage\n", "system.reg, line"},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.text.empty()) {
      fs::remove(dir_ / c.file);
    } else {
      Write(c.file, c.text);
    }
    WinePrefixRegistry prefix;
    EXPECT_FALSE(prefix.Load(dir_)) << c.file;
    EXPECT_NE(prefix.error().find(c.error), std::string::npos) << prefix.error();
    TearDown();
  }
}

}  // namespace
}  // namespace qm::posix
