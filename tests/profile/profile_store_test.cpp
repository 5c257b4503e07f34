#include "profile/profile_store.h"

#include <gtest/gtest.h>

#include <string>

#include "profile_test_support.h"
#include "testing/ini_file_profile.h"

namespace qm {
namespace {

using test::PutBytes;
using test::TempFolder;

// Answers every read with a fixed buffer and records what it was asked.
class CannedProfile final : public PrivateProfile {
 public:
  ProfileRead answer;
  bool write_result = true;
  std::string last_call;

  ProfileRead GetString(std::string_view file, std::string_view section, std::string_view key,
                        std::size_t buffer_chars) override {
    last_call = std::string(file) + "|" + std::string(section) + "|" + std::string(key) + "|" +
                std::to_string(buffer_chars);
    return answer;
  }
  bool WriteString(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) override {
    last_call = std::string(file) + "|" + std::string(section) + "|" + std::string(key) + "|" +
                std::string(value);
    return write_result;
  }
};

TEST(ReadIniValue, TakesTheBufferAndRemovesOnlySpaces) {
  struct Case {
    ProfileRead buffer;
    std::string_view expected;
  };
  const Case cases[] = {
      {{" 12 ", 4}, "12"},
      {{"\t5\t", 3}, "\t5\t"},
      {{" \t5\t ", 5}, "\t5\t"},
      {{"a  b", 4}, "a  b"},
      {{"   ", 3}, ""},
      {{"\xE3\x80\x80"
        "1",
        2},
       "\xE3\x80\x80"
       "1"},
      {{"stale", 0}, ""},
  };
  CannedProfile profile;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buffer.value);
    profile.answer = c.buffer;
    EXPECT_EQ(ReadIniValue(profile, "C:\\Q\\ro.ini", "Records", "ErrorCount"), c.expected);
    EXPECT_EQ(profile.last_call, "C:\\Q\\ro.ini|Records|ErrorCount|255");
  }
}

TEST(WriteIniValue, PassesTheValueUnchangedAndReportsTheAnswer) {
  CannedProfile profile;
  EXPECT_TRUE(WriteIniValue(profile, "C:\\Q\\ro.ini", "Records", "LastScanTime", " 2024/1/2 "));
  EXPECT_EQ(profile.last_call, "C:\\Q\\ro.ini|Records|LastScanTime| 2024/1/2 ");
  profile.write_result = false;
  EXPECT_FALSE(WriteIniValue(profile, "C:\\Q\\ro.ini", "Records", "FixedCount", "0"));
}

TEST(ProfileStore, NeverWrittenFiguresReadEmpty) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "");
  ASSERT_TRUE(WriteIniValue(profile, file, kSettingsSection, kBackupBeforeFixKey, "1"));
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "") << "absent section";
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kErrorCountKey, "4"));
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "") << "absent key";
}

TEST(ProfileStore, BlanksAroundDigitsAreDropped) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, "[Records]\r\nFixedCount=   42   \r\nErrorCount=\t 7 \t\r\n");
  IniFileProfile profile;
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "42");
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kErrorCountKey), "7");
}

TEST(ProfileStore, ZeroAndEmptyRoundTrip) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  // A repair run in which no row was checked writes "0".
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kFixedCountKey, "0"));
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "0");
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kFixedCountKey, ""));
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kFixedCountKey), "");
}

TEST(ProfileStore, LongValuesComeBackCut) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  ASSERT_TRUE(WriteIniValue(profile, file, kRecordsSection, kLastScanTimeKey, test::LongValue()));
  EXPECT_EQ(ReadIniValue(profile, file, kRecordsSection, kLastScanTimeKey),
            test::LongValue().substr(0, 254));
}

TEST(BackupBeforeFix, OnlyAnExplicitZeroTurnsItOff) {
  struct Case {
    std::string_view stored;
    bool on;
  };
  const Case cases[] = {
      {"1", true},
      {"0", false},
      {"", true},
      {"00", false},
      {"-0", false},
      {"+0", false},
      {"2", true},
      {"-1", true},
      {"10", true},
      {"01", true},
      {"yes", true},
      {"0x0", true},
      {"0.0", true},
      {"0 0", true},
      {"-", true},
      {"+", true},
      {"\t0", true},
      {"99999999999999999999999", true},
      {"00000000000000000000000", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stored));
    EXPECT_EQ(BackupBeforeFixEnabled(c.stored), c.on);
  }
}

TEST(BackupBeforeFix, ReadsAndWritesTheProfile) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  IniFileProfile profile;
  EXPECT_TRUE(ReadBackupBeforeFix(profile, file)) << "never written: back up";
  ASSERT_TRUE(WriteBackupBeforeFix(profile, file, false));
  EXPECT_EQ(ReadIniValue(profile, file, kSettingsSection, kBackupBeforeFixKey), "0");
  EXPECT_FALSE(ReadBackupBeforeFix(profile, file));
  ASSERT_TRUE(WriteBackupBeforeFix(profile, file, true));
  EXPECT_EQ(ReadIniValue(profile, file, kSettingsSection, kBackupBeforeFixKey), "1");
  EXPECT_TRUE(ReadBackupBeforeFix(profile, file));
  PutBytes(file, "[Settings]\r\nBackupBeforeFix = 0 \r\n");
  EXPECT_FALSE(ReadBackupBeforeFix(profile, file)) << "blanks around a hand-written zero";
}

TEST(ProfilePath, AppendsTheProfileNameOnce) {
  struct Case {
    std::string_view folder, path;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Quillmar", "C:\\Program Files\\Quillmar\\ro.ini"},
      {"C:\\", "C:\\ro.ini"},
      {"\\\\server\\share", "\\\\server\\share\\ro.ini"},
      {"D:\\Tools\\", "D:\\Tools\\ro.ini"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProfilePath(c.folder), c.path);
}

}  // namespace
}  // namespace qm
