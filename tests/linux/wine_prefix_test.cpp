#include "platform/linux/wine_prefix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/text.h"
#include "testing/utf16_bytes.h"
#include "tests/linux/run_command.h"
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
  const Status loaded = prefix.Load(dir_);
  ASSERT_TRUE(loaded.ok()) << loaded.detail();
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
    const Status loaded = prefix.Load(dir_);
    EXPECT_FALSE(loaded.ok()) << c.file;
    EXPECT_NE(loaded.detail().find(c.error), std::string::npos) << loaded.detail();
    TearDown();
  }
}

using testing::Utf16Bytes;

// Each change goes to the file that holds its key and reads back from it;
// what no file holds is refused, and a file changed since Load is left
// alone.
TEST_F(WinePrefixTest, WriteChangesEditsTheFileThatHoldsEachKey) {
  using namespace std::string_literals;
  WinePrefixRegistry prefix;
  const Status loaded = prefix.Load(dir_);
  ASSERT_TRUE(loaded.ok()) << loaded.detail();
  RegistryEditor& editor = prefix.Editor();
  ScopedKey<RegistryEditor> key(editor);
  ASSERT_EQ(editor.CreateKeyForWrite(kHkeyClassesRoot, ".new\\Sub", key.Put()), kRegOk);
  ASSERT_EQ(editor.WriteValue(key.Get(), {"", kRegSz, Utf16Bytes(u"x\0"s)}), kRegOk);
  ASSERT_EQ(editor.OpenKeyForWrite(kHkeyUsers, ".Default\\Control Panel", key.Put()), kRegOk);
  ASSERT_EQ(editor.WriteValue(key.Get(), {"Beep", kRegSz, Utf16Bytes(u"no\0"s)}), kRegOk);
  // Wine makes it anew, volatile, at each start.
  EXPECT_EQ(editor.CreateKeyForWrite(kHkeyLocalMachine, "HARDWARE\\Qm", key.Put()),
            kRegAccessDenied);
  ASSERT_TRUE(prefix.WriteChanges().empty());
  WinePrefixRegistry again;
  const Status reloaded = again.Load(dir_);
  ASSERT_TRUE(reloaded.ok()) << reloaded.detail();
  EXPECT_EQ(ValueText(again.Reader(), kHkeyLocalMachine, "Software\\Classes\\.new\\Sub", ""), "x");
  EXPECT_EQ(ValueText(again.Reader(), kHkeyUsers, ".Default\\Control Panel", "Beep"), "no");

  ASSERT_EQ(
      again.Editor().OpenKeyForWrite(kHkeyCurrentUser, "Software\\Classes\\UserOnly", key.Put()),
      kRegOk);
  ASSERT_EQ(again.Editor().DeleteValue(key.Get(), ""), kRegOk);
  Write("user.reg", kUser + "[Other] 1\n");
  const auto failed = again.WriteChanges();
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0].second.find("changed since the scan"), std::string::npos);
  std::ifstream in(dir_ / "user.reg", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kUser + "[Other] 1\n");
}

// Wine itself, started on a prefix it made, reads back what the editor
// wrote into the prefix's files: a new key with its parent, each type, a
// value replaced in a key Wine made.
TEST(WinePrefixPeerTest, WineReadsBackTheValuesAndKeysWritten) {
  using namespace std::string_literals;
  using qm::testing::RunCommand;
  if (RunCommand("command -v wine && command -v wineboot").exit != 0) GTEST_SKIP() << "no Wine";
  const fs::path dir = qm::testing::MakeTempFolder("qm-wine-peer");
  ASSERT_FALSE(dir.empty());
  const std::string wine = "cd '" + dir.string() + "' && WINEPREFIX='" + dir.string() +
                           "/prefix' WINEDEBUG=-all WINEARCH=win64 LC_ALL=C.UTF-8 DISPLAY= ";
  struct Cleanup {
    std::string wine;
    fs::path dir;
    ~Cleanup() {
      (void)RunCommand(wine + "wineserver -k");  // it may have ended already
      fs::remove_all(dir);
    }
  } cleanup{wine, dir};
  ASSERT_EQ(
      RunCommand(wine + "wineboot -i </dev/null >/dev/null 2>&1 && " + wine + "wineserver -w").exit,
      0);

  WinePrefixRegistry prefix;
  const Status loaded = prefix.Load((dir / "prefix").string());
  ASSERT_TRUE(loaded.ok()) << loaded.detail();
  RegistryEditor& editor = prefix.Editor();
  {
    ScopedKey<RegistryEditor> key(editor);
    ASSERT_EQ(editor.CreateKeyForWrite(kHkeyCurrentUser, "Software\\QmPeer\\Deep", key.Put()),
              kRegOk);
    const RegValue values[] = {
        {"", kRegSz, Utf16Bytes(u"d\u00e9faut\0"s)},
        {"Bin", kRegBinary, {0, 1, 2, 0xfe}},
        {"Dw", kRegDword, {0x2a, 0, 0, 0}},
        {"Ex", kRegExpandSz, Utf16Bytes(u"%WINDIR%\\x\0"s)},
        {"Multi", kRegMultiSz, Utf16Bytes(u"a\0b\0\0"s)},
        {"Odd", 0x2a, {0xff}},
        {"Qw", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Sz", kRegSz, Utf16Bytes(u"C:\\a \"q\".exe\0"s)},
    };
    for (const RegValue& v : values) ASSERT_EQ(editor.WriteValue(key.Get(), v), kRegOk);
    ASSERT_EQ(editor.OpenKeyForWrite(kHkeyCurrentUser, "Control Panel\\Mouse", key.Put()), kRegOk);
    ASSERT_EQ(editor.WriteValue(key.Get(), {"DoubleClickSpeed", kRegSz, Utf16Bytes(u"611\0"s)}),
              kRegOk);
  }
  ASSERT_TRUE(prefix.WriteChanges().empty());

  const qm::testing::CliRun query =
      RunCommand(wine + "wine reg query 'HKCU\\Control Panel\\Mouse' /v DoubleClickSpeed && " +
                 wine + "wine regedit /e out.reg 'HKEY_CURRENT_USER\\Software\\QmPeer'");
  ASSERT_EQ(query.exit, 0) << query.output;
  EXPECT_NE(query.output.find("DoubleClickSpeed    REG_SZ    611"), std::string::npos)
      << query.output;
  std::ifstream in(dir / "out.reg", std::ios::binary);
  const std::string exported((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  std::string text = text::Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(exported.data()),
                                         exported.size(), false);
  std::erase(text, '\r');
  EXPECT_EQ(text,
            "\xef\xbb\xbfWindows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\QmPeer]\n\n"
            "[HKEY_CURRENT_USER\\Software\\QmPeer\\Deep]\n"
            "@=\"d\xc3\xa9"
            "faut\"\n"
            "\"Bin\"=hex:00,01,02,fe\n"
            "\"Dw\"=dword:0000002a\n"
            "\"Ex\"=hex(2):25,00,57,00,49,00,4e,00,44,00,49,00,52,00,25,00,5c,00,78,00,00,00\n"
            "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
            "\"Odd\"=hex(2a):ff\n"
            "\"Qw\"=hex(b):01,02,03,04,05,06,07,08\n"
            "\"Sz\"=\"C:\\\\a \\\"q\\\".exe\"\n\n");
}

}  // namespace
}  // namespace qm::posix
