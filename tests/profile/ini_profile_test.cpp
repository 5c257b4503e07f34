#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "profile_test_support.h"
#include "testing/ini_file_profile.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::GetBytes;
using test::PutBytes;
using test::TempFolder;

void ExpectReads(PrivateProfile& profile, const std::string& file,
                 std::span<const test::ReadCase> cases) {
  for (const test::ReadCase& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    const ProfileRead r = profile.GetString(file, c.section, c.key, c.buffer);
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.copied, c.copied);
  }
}

// The names of everything in the folder, to see that nothing was left behind.
std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(test::Utf8(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniFileProfileRead, HandEditedProfile) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::kHandEditedProfile);
  IniFileProfile profile;
  ExpectReads(profile, file, test::kHandEditedReads);
}

TEST(IniFileProfileRead, UsesUtf16WhenTheFileIsMarkedSo) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::Utf16Profile());
  IniFileProfile profile;
  ExpectReads(profile, file, test::kUtf16Reads);
}

TEST(IniFileProfileRead, LongValuesAreCutToTheBuffer) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::LongValueProfile());
  IniFileProfile profile;
  const std::string whole = test::LongValue();
  for (const std::size_t buffer : {255u, 299u, 300u, 301u, 1000u}) {
    SCOPED_TRACE(buffer);
    const ProfileRead r = profile.GetString(file, "Records", "LastScanTime", buffer);
    const std::size_t expected = std::min<std::size_t>(buffer - 1, whole.size());
    EXPECT_EQ(r.copied, expected);
    EXPECT_EQ(r.value, whole.substr(0, expected));
  }
}

TEST(IniFileProfileRead, NothingWhereThereIsNoFile) {
  TempFolder dir;
  fs::create_directory(dir.Path() / "folder.ini");
  IniFileProfile profile;
  for (const std::string& file : {dir.File("absent.ini"), dir.File("no-folder/ro.ini"),
                                  dir.File("folder.ini"), std::string()}) {
    SCOPED_TRACE(file);
    const ProfileRead r = profile.GetString(file, "Records", "FixedCount", 255);
    EXPECT_EQ(r.copied, 0u);
    EXPECT_EQ(r.value, "");
  }
}

// Cases where no system function gives the answer to compare with.
TEST(IniFileProfileRead, OwnChoices) {
  struct Case {
    std::string_view what;
    std::string_view bytes;
    test::ReadCase read;
  };
  const Case cases[] = {
      {"UTF-8 without a mark",
       "[S]\r\nK=\xE4\xB8\xAD\xE6\x96\x87\r\n",
       {"", "S", "K", 255, "\xE4\xB8\xAD\xE6\x96\x87", 2}},
      {"UTF-8 with a mark",
       "\xEF\xBB\xBF[S]\r\nK=\xE4\xB8\xAD\r\n",
       {"", "S", "K", 255, "\xE4\xB8\xAD", 1}},
      {"keys before any section", "K=1\r\n[S]\r\nK=2\r\n", {"", "", "K", 255, "1", 1}},
      // The quotes go before the cut, so a value that fits comes whole.
      {"a quoted value that just fits", "[S]\r\nK=\"quoted\"\r\n", {"", "S", "K", 7, "quoted", 6}},
      {"a NUL ends the value",
       std::string_view("[S]\r\nK=ab\0cd\r\n", 14),
       {"", "S", "K", 255, "ab", 2}},
  };
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    PutBytes(file, c.bytes);
    const ProfileRead r = profile.GetString(file, c.read.section, c.read.key, c.read.buffer);
    EXPECT_EQ(r.value, c.read.value);
    EXPECT_EQ(r.copied, c.read.copied);
  }
}

TEST(IniFileProfileWrite, CreatesFileSectionAndKey) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  ASSERT_TRUE(profile.WriteString(file, "Settings", "BackupBeforeFix", "1"));
  EXPECT_EQ(GetBytes(file), "[Settings]\r\nBackupBeforeFix=1\r\n");
  ASSERT_TRUE(profile.WriteString(file, "Records", "FixedCount", "0"));
  EXPECT_EQ(GetBytes(file), "[Settings]\r\nBackupBeforeFix=1\r\n[Records]\r\nFixedCount=0\r\n");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"ro.ini"}) << "no temporary file is left";
}

TEST(IniFileProfileWrite, EditsInPlaceAndKeepsEveryOtherLine) {
  const std::string_view base =
      "; keep me\r\n[Settings]\r\nBackupBeforeFix=1\r\n\r\n"
      "[Records]\r\nErrorCount = 3\r\n; figures\r\n\r\n[Other]\r\nx=1\r\n";
  struct Case {
    std::string_view what;
    std::string_view before;
    std::string_view section, key, value;
    std::string_view after;
  };
  const Case cases[] = {
      {"replaces a value in place", base, "Records", "ErrorCount", "5",
       "; keep me\r\n[Settings]\r\nBackupBeforeFix=1\r\n\r\n"
       "[Records]\r\nErrorCount=5\r\n; figures\r\n\r\n[Other]\r\nx=1\r\n"},
      {"keeps the file's spelling of the names", base, " records ", "ERRORCOUNT", "6",
       "; keep me\r\n[Settings]\r\nBackupBeforeFix=1\r\n\r\n"
       "[Records]\r\nErrorCount=6\r\n; figures\r\n\r\n[Other]\r\nx=1\r\n"},
      {"adds a key after its section's last line", base, "Records", "FixedCount", "0",
       "; keep me\r\n[Settings]\r\nBackupBeforeFix=1\r\n\r\n"
       "[Records]\r\nErrorCount = 3\r\n; figures\r\nFixedCount=0\r\n\r\n[Other]\r\nx=1\r\n"},
      {"adds a section at the end", base, "New", "Key", "v",
       "; keep me\r\n[Settings]\r\nBackupBeforeFix=1\r\n\r\n"
       "[Records]\r\nErrorCount = 3\r\n; figures\r\n\r\n[Other]\r\nx=1\r\n[New]\r\nKey=v\r\n"},
      {"ends every line in CR LF", "[S]\nK=1\rJ=2", "S", "K", "3", "[S]\r\nK=3\r\nJ=2\r\n"},
      {"fills a section without keys", "[Settings]\r\n[Records]\r\n", "Settings", "BackupBeforeFix",
       "0", "[Settings]\r\nBackupBeforeFix=0\r\n[Records]\r\n"},
      {"writes into the first of two sections", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", "3",
       "[S]\r\na=1\r\nb=3\r\n[s]\r\nb=2\r\n"},
      {"gives a name-only line its value", "[S]\r\nK\r\n", "S", "K", "1", "[S]\r\nK=1\r\n"},
      {"keeps other lines' bytes in any code page", "[S]\r\nName=\xD6\xD0\xCE\xC4\r\n", "S", "K",
       "1", "[S]\r\nName=\xD6\xD0\xCE\xC4\r\nK=1\r\n"},
      {"keeps a UTF-8 mark", "\xEF\xBB\xBF[S]\r\n", "S", "K", "1", "\xEF\xBB\xBF[S]\r\nK=1\r\n"},
      {"stores the value unchanged", "", "S", "K", "  \"7\"  ", "[S]\r\nK=  \"7\"  \r\n"},
  };
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    PutBytes(file, c.before);
    EXPECT_TRUE(profile.WriteString(file, c.section, c.key, c.value));
    EXPECT_EQ(GetBytes(file), c.after);
  }
}

TEST(IniFileProfileWrite, Utf16FileStaysUtf16) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::Utf16File(u"[S]\r\nA=1\r\n"));
  IniFileProfile profile;
  ASSERT_TRUE(profile.WriteString(file, "S", "B", "\xE4\xB8\xAD\xE6\x96\x87"));
  EXPECT_EQ(GetBytes(file), test::Utf16File(u"[S]\r\nA=1\r\nB=\u4E2D\u6587\r\n"));
}

TEST(IniFileProfileWrite, RoundTrips) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  const std::size_t n = std::size(test::kRoundTrips);
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_TRUE(profile.WriteString(file, "Records", "K" + std::to_string(i),
                                    test::kRoundTrips[i].written));
  }
  // Read after all writes, so that every write is seen to leave the others alone.
  for (std::size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(test::kRoundTrips[i].written);
    const ProfileRead r = profile.GetString(file, "Records", "K" + std::to_string(i), 255);
    EXPECT_EQ(r.value, test::kRoundTrips[i].read);
    EXPECT_EQ(r.copied, test::kRoundTrips[i].read.size());
  }
}

TEST(IniFileProfileWrite, RefusesWhatIniTextCannotHold) {
  struct Case {
    std::string_view what, section, key, value;
  };
  const Case cases[] = {
      {"CR LF in the value", "S", "K", "1\r\n[Settings]\r\nBackupBeforeFix=0"},
      {"LF in the value", "S", "K", "a\nb"},
      {"CR in the value", "S", "K", "a\rb"},
      {"line break in the key", "S", "K\nL", "1"},
      {"line break in the section", "S\r\nT", "K", "1"},
      {"= in the key", "S", "a=b", "1"},
      {"] in the section", "a]b", "K", "1"},
      {"a key that reads as a section", "S", "[T]", "1"},
      {"empty key", "S", "", "1"},
      {"blank key", "S", " \t ", "1"},
      {"empty section", "", "K", "1"},
  };
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  const std::string_view original = "[S]\r\nK=0\r\n";
  PutBytes(file, original);
  IniFileProfile profile;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    EXPECT_FALSE(profile.WriteString(file, c.section, c.key, c.value));
    EXPECT_EQ(GetBytes(file), original);
  }
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"ro.ini"});
}

TEST(IniFileProfileWrite, FailsWithoutLosingAnything) {
  TempFolder dir;
  IniFileProfile profile;

  // The profile's path is a folder.
  fs::create_directory(dir.Path() / "folder.ini");
  EXPECT_FALSE(profile.WriteString(dir.File("folder.ini"), "S", "K", "1"));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "folder.ini"));
  EXPECT_TRUE(fs::is_empty(dir.Path() / "folder.ini"));

  // The folder does not exist; it is not made.
  EXPECT_FALSE(profile.WriteString(dir.File("missing/ro.ini"), "S", "K", "1"));
  EXPECT_FALSE(fs::exists(dir.Path() / "missing"));

  // The temporary file cannot be made: the profile stays as it was.
  const std::string file = dir.File("ro.ini");
  const std::string_view original = "; mine\r\n[S]\r\nK=0\r\n";
  PutBytes(file, original);
  fs::create_directory(dir.Path() / "ro.ini.qmtmp");
  EXPECT_FALSE(profile.WriteString(file, "S", "K", "1"));
  EXPECT_EQ(GetBytes(file), original);
  fs::remove(dir.Path() / "ro.ini.qmtmp");

  // A temporary file left by an interrupted write is simply replaced.
  PutBytes(dir.File("ro.ini.qmtmp"), "stale");
  EXPECT_TRUE(profile.WriteString(file, "S", "K", "2"));
  EXPECT_EQ(GetBytes(file), "; mine\r\n[S]\r\nK=2\r\n");

  // A read-only profile is left alone, although the folder would allow
  // replacing it.
  fs::permissions(dir.Path() / "ro.ini",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(profile.WriteString(file, "S", "K", "3"));
  EXPECT_EQ(GetBytes(file), "; mine\r\n[S]\r\nK=2\r\n");
  fs::permissions(dir.Path() / "ro.ini", fs::perms::owner_write, fs::perm_options::add);

  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"folder.ini", "ro.ini"}));
}

TEST(IniFileProfileWrite, FailsInAFolderWhereNothingCanBeMade) {
  // /proc takes no new files, whatever the process's rights; under Wine the
  // Unix root is drive Z:.
#ifdef _WIN32
  const std::string file = "Z:\\proc\\qm-profile-test.ini";
#else
  const std::string file = "/proc/qm-profile-test.ini";
#endif
  IniFileProfile profile;
  EXPECT_FALSE(profile.WriteString(file, "Records", "FixedCount", "0"));
  EXPECT_EQ(profile.GetString(file, "Records", "FixedCount", 255).copied, 0u);
}

TEST(IniFileProfileWrite, ReplacingKeepsTheFilesPermissions) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, "[S]\r\nK=0\r\n");
  const fs::perms chosen = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(dir.Path() / "ro.ini", chosen);
  const fs::perms before = fs::status(dir.Path() / "ro.ini").permissions();
  IniFileProfile profile;
  ASSERT_TRUE(profile.WriteString(file, "S", "K", "1"));
  EXPECT_EQ(fs::status(dir.Path() / "ro.ini").permissions(), before);
}

}  // namespace
}  // namespace qm
