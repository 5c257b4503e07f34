#include "platform/linux/offline_windows.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "platform/text.h"
#include "testing/linux/hive_fixture.h"
#include "tests/support/temp_folder.h"

namespace qm::posix {
namespace {

namespace fs = std::filesystem;
using testing::DwordValue;
using testing::MakeHive;
using testing::StringValue;

constexpr std::uint32_t kExpandSz = 2;
const char* const kAnn = "S-1-5-21-1-2-3-1001";
const char* const kBob = "S-1-5-21-1-2-3-1002";

// A Windows installation as a mounted disk shows it, folder names in the
// letters Windows gave them and some in others.
class OfflineWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = qm::testing::MakeTempFolder("qm-offline");
    ASSERT_FALSE(root_.empty());
    const fs::path config = root_ / "Windows/System32/config";
    fs::create_directories(config);
    const std::string list = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
    ASSERT_TRUE(MakeHive(
        config / "SOFTWARE",
        {{"Classes\\.qm", {StringValue("", "qmfile")}},
         {"Classes\\Shared", {StringValue("", "machine")}},
         {list + "S-1-5-18",
          {StringValue("ProfileImagePath", "%systemroot%\\system32\\config\\systemprofile",
                       kExpandSz)}},
         {list + kAnn, {StringValue("ProfileImagePath", "%SystemDrive%\\Users\\Ann", kExpandSz)}},
         {list + kBob,
          {StringValue("ProfileImagePath", "%SystemDrive%\\Users\\Bob", kExpandSz)}}}));
    ASSERT_TRUE(
        MakeHive(config / "SYSTEM",
                 {{"Select", {DwordValue("Current", 2)}},
                  {"ControlSet001\\Services\\svc", {StringValue("ImagePath", "C:\\old.exe")}},
                  {"ControlSet002\\Services\\svc", {StringValue("ImagePath", "C:\\new.exe")}},
                  // No Current: the running system links it to 0001.
                  {"ControlSet002\\Control\\IDConfigDB", {DwordValue("CurrentConfig", 1)}},
                  {"ControlSet002\\Hardware Profiles\\0000\\Software\\Fonts",
                   {StringValue("LogPixels", "120")}},
                  {"ControlSet002\\Hardware Profiles\\0001\\Software\\Fonts",
                   {StringValue("LogPixels", "96")}}}));
    ASSERT_TRUE(MakeHive(config / "DEFAULT", {{"Control Panel", {StringValue("Beep", "yes")}}}));
    const fs::path ann = root_ / "users/ann";  // other letters than ProfileList's
    fs::create_directories(ann / "AppData/Local/Microsoft/Windows");
    ASSERT_TRUE(MakeHive(ann / "NTUSER.DAT", {{"Software\\Run", {StringValue("A", "ann")}},
                                              {"Software\\Classes", {}}}));
    ASSERT_TRUE(MakeHive(
        ann / "AppData/Local/Microsoft/Windows/UsrClass.dat",
        {{"Shared", {StringValue("", "ann's")}}, {"UserOnly", {StringValue("", "mine")}}}));
    fs::create_directories(root_ / "users/Bob");
    ASSERT_TRUE(
        MakeHive(root_ / "users/Bob/ntuser.dat", {{"Software\\Run", {StringValue("A", "bob")}}}));
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

std::optional<std::string> ValueText(RegistryReader& reg, RegKey root, const std::string& path,
                                     const char* name) {
  ScopedRegKey key(reg);
  if (reg.OpenKey(root, path, key.Put()) != kRegOk) return std::nullopt;
  RegValue v;
  for (std::uint32_t i = 0; reg.EnumValue(key.Get(), i, v) == kRegOk; ++i) {
    if (v.name == name) return text::Utf16LeToUtf8(v.data.data(), v.data.size(), true);
  }
  return std::nullopt;
}

TEST_F(OfflineWindowsTest, RootsAreMappedAsTheRunningSystemShowsThem) {
  struct Case {
    const char* user;
    RegKey root;
    std::string path;
    const char* name;
    std::optional<std::string> text;
  };
  const RegKey kHkcc = 0x80000005u;
  const Case cases[] = {
      {"ann", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\svc", "ImagePath",
       "C:\\new.exe"},
      {"ann", kHkcc, "Software\\Fonts", "LogPixels", "96"},
      {"ann", kHkeyCurrentUser, "Software\\Run", "A", "ann"},
      {"ann", kHkeyUsers, std::string(kAnn) + "\\Software\\Run", "A", "ann"},
      {"ann", kHkeyUsers, std::string(kBob) + "\\Software\\Run", "A", "bob"},
      {"ann", kHkeyUsers, ".DEFAULT\\Control Panel", "Beep", "yes"},
      {"ann", kHkeyUsers, "S-1-5-18", "", std::nullopt},
      {"ann", kHkeyClassesRoot, ".qm", "", "qmfile"},
      {"ann", kHkeyClassesRoot, "Shared", "", "ann's"},
      {"ann", kHkeyClassesRoot, "UserOnly", "", "mine"},
      {"ann", kHkeyCurrentUser, "Software\\Classes\\UserOnly", "", "mine"},
      {"ann", kHkeyUsers, std::string(kAnn) + "_Classes\\UserOnly", "", "mine"},
      {"BOB", kHkeyCurrentUser, "Software\\Run", "A", "bob"},
      {"BOB", kHkeyClassesRoot, "Shared", "", "machine"},
      {"BOB", kHkeyClassesRoot, "UserOnly", "", std::nullopt},
  };
  for (const Case& c : cases) {
    LinuxFileSystem files({{'C', root_}}, "C:\\Windows\\System32");
    OfflineWindows offline;
    const Status loaded = offline.Load(files, c.user);
    ASSERT_TRUE(loaded.ok()) << loaded.detail();
    EXPECT_EQ(ValueText(offline.Reader(), c.root, c.path, c.name), c.text)
        << c.user << ": " << RootKeyName(c.root) << "\\" << c.path;
  }
}

// A deletion under HKEY_CURRENT_CONFIG changes SYSTEM where the link leads.
TEST_F(OfflineWindowsTest, ADeletionUnderTheCurrentConfigGoesToTheSystemHive) {
  LinuxFileSystem files({{'C', root_}}, "C:\\Windows\\System32");
  OfflineWindows offline;
  const Status loaded = offline.Load(files, "ann");
  ASSERT_TRUE(loaded.ok()) << loaded.detail();
  ScopedEditKey key(offline.Editor());
  ASSERT_EQ(offline.Editor().OpenKeyForWrite(0x80000005u, "Software\\Fonts", key.Put()), kRegOk);
  ASSERT_EQ(offline.Editor().DeleteValue(key.Get(), "LogPixels"), kRegOk);
  const auto& changes = offline.Changes().at((root_ / "Windows/System32/config/SYSTEM").string());
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].path, "ControlSet002\\Hardware Profiles\\0001\\Software\\Fonts");
}

TEST_F(OfflineWindowsTest, TheUserMustBeChosenAmongSeveral) {
  struct Case {
    const char* user;
    const char* error;
  };
  const Case cases[] = {
      {"", "several profiles (Ann, Bob): choose one with --user NAME"},
      {"carl", "no profile is named carl (profiles: Ann, Bob)"},
  };
  for (const Case& c : cases) {
    LinuxFileSystem files({{'C', root_}}, "C:\\Windows\\System32");
    OfflineWindows offline;
    const Status loaded = offline.Load(files, c.user);
    EXPECT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.detail(), c.error);
  }
  // With one profile left, it is the current user.
  fs::remove(root_ / "users/Bob/ntuser.dat");
  LinuxFileSystem files({{'C', root_}}, "C:\\Windows\\System32");
  OfflineWindows offline;
  const Status loaded = offline.Load(files, "");
  ASSERT_TRUE(loaded.ok()) << loaded.detail();
  EXPECT_EQ(offline.CurrentSid(), kAnn);
}

}  // namespace
}  // namespace qm::posix
