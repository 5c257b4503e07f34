#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/win32/profile.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "profile_test_support.h"
#include "testing/ini_file_profile.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::GetBytes;
using test::PutBytes;
using test::TempFolder;

// The system keeps the last profiles it read in memory and notices a change
// by the file's time, which Linux file systems keep only to a few
// milliseconds. After the portable writer changed a file, the system is told
// to forget it, as its documentation allows.
void ForgetCachedProfile(const std::string& file) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, win32::Widen(file).c_str());
}

// Both implementations must read the same answer from the same file.
void ExpectReads(const std::string& file, std::span<const test::ReadCase> cases) {
  win32::Win32Profile system;
  IniFileProfile portable;
  for (const test::ReadCase& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    const ProfileRead s = system.GetString(file, c.section, c.key, c.buffer);
    EXPECT_EQ(s.value, c.value) << "system";
    EXPECT_EQ(s.copied, c.copied) << "system";
    const ProfileRead p = portable.GetString(file, c.section, c.key, c.buffer);
    EXPECT_EQ(p.value, c.value) << "portable";
    EXPECT_EQ(p.copied, c.copied) << "portable";
  }
}

TEST(Win32Profile, ReadsTheHandEditedProfileAsThePortableOneDoes) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::kHandEditedProfile);
  ExpectReads(file, test::kHandEditedReads);
}

TEST(Win32Profile, ReadsUtf16Profiles) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::Utf16Profile());
  ExpectReads(file, test::kUtf16Reads);
}

TEST(Win32Profile, CutsLongValuesAsThePortableOneDoes) {
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::LongValueProfile());
  const std::string whole = test::LongValue();
  const std::string cut254 = whole.substr(0, 254);
  const std::string cut299 = whole.substr(0, 299);
  const test::ReadCase cases[] = {
      {"program's buffer", "Records", "LastScanTime", 255, cut254, 254},
      {"one short", "Records", "LastScanTime", 300, cut299, 299},
      {"just fits", "Records", "LastScanTime", 301, whole, 300},
  };
  ExpectReads(file, cases);
  win32::Win32Profile system;
  EXPECT_EQ(ReadIniValue(system, file, kRecordsSection, kLastScanTimeKey), cut254);
}

TEST(Win32Profile, AbsentFileSectionAndKeyReadEmpty) {
  TempFolder dir;
  win32::Win32Profile system;
  const std::string file = dir.File("ro.ini");
  EXPECT_EQ(system.GetString(file, "Records", "FixedCount", 255).copied, 0u);
  ASSERT_TRUE(system.WriteString(file, "Settings", "BackupBeforeFix", "1"));
  EXPECT_EQ(system.GetString(file, "Records", "FixedCount", 255).copied, 0u);
  ASSERT_TRUE(system.WriteString(file, "Records", "ErrorCount", "2"));
  EXPECT_EQ(system.GetString(file, "Records", "FixedCount", 255).copied, 0u);
  EXPECT_EQ(ReadIniValue(system, file, kRecordsSection, kFixedCountKey), "");
}

// Every value, written by either implementation and read by either.
TEST(Win32Profile, RoundTripsAcrossBothImplementations) {
  win32::Win32Profile system;
  IniFileProfile portable;
  PrivateProfile* const profiles[] = {&system, &portable};
  const char* const names[] = {"system", "portable"};
  TempFolder dir;
  for (int w = 0; w < 2; ++w) {
    for (int r = 0; r < 2; ++r) {
      SCOPED_TRACE(std::string(names[w]) + " writes, " + names[r] + " reads");
      const std::string file = dir.File(std::string(names[w]) + "-" + names[r] + ".ini");
      const std::size_t n = std::size(test::kRoundTrips);
      for (std::size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(profiles[w]->WriteString(file, "Records", "K" + std::to_string(i),
                                             test::kRoundTrips[i].written));
      }
      ForgetCachedProfile(file);
      for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(test::kRoundTrips[i].written);
        const ProfileRead got =
            profiles[r]->GetString(file, "Records", "K" + std::to_string(i), 255);
        EXPECT_EQ(got.value, test::kRoundTrips[i].read);
        EXPECT_EQ(got.copied, test::kRoundTrips[i].read.size());
      }
    }
  }
}

// The two take turns editing one hand-written profile; after every step
// both read the same from it, for the keys written and the keys left alone.
TEST(Win32Profile, TakingTurnsOnOneFileKeepsBothInAgreement) {
  struct Step {
    bool by_system;
    std::string_view section, key, value;
  };
  const Step steps[] = {
      {false, "Records", "ErrorCount", "40"},
      {true, "records", "FIXEDCOUNT", "1"},
      {false, "Settings", "BackupBeforeFix", "0"},
      {true, "Records", "LastScanTime", "2024/1/2"},
      {false, "New", "Key", "v"},
      {true, "New", "Other", "w"},
      {false, "Records", "NoEquals", "now set"},
      {true, "Other", "FixedCount", "10"},
      {false, "Records", "ErrorCount", ""},
  };
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  PutBytes(file, test::kHandEditedProfile);
  win32::Win32Profile system;
  IniFileProfile portable;
  std::vector<std::pair<std::string, std::string>> keys;
  for (const test::ReadCase& c : test::kHandEditedReads) keys.emplace_back(c.section, c.key);
  for (const Step& s : steps) keys.emplace_back(s.section, s.key);

  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.by_system ? "system" : "portable") + " writes " +
                 std::string(s.key));
    PrivateProfile& writer = s.by_system ? static_cast<PrivateProfile&>(system) : portable;
    ASSERT_TRUE(writer.WriteString(file, s.section, s.key, s.value));
    ForgetCachedProfile(file);
    EXPECT_EQ(system.GetString(file, s.section, s.key, 255).value, s.value);
    for (const auto& [section, key] : keys) {
      SCOPED_TRACE(section + "/" + key);
      const ProfileRead a = system.GetString(file, section, key, 255);
      const ProfileRead b = portable.GetString(file, section, key, 255);
      EXPECT_EQ(a.value, b.value);
      EXPECT_EQ(a.copied, b.copied);
    }
  }
}

TEST(Win32Profile, BothFailWhereNoFileCanBeWritten) {
  TempFolder dir;
  fs::create_directory(dir.Path() / "folder.ini");
  win32::Win32Profile system;
  IniFileProfile portable;
  struct Case {
    std::string_view what;
    std::string file;
  };
  const Case cases[] = {
      {"the path is a folder", dir.File("folder.ini")},
      {"the folder is missing", dir.File("missing\\ro.ini")},
      // Wine's drive Z: is the Unix root, and /proc takes no new files
      // whatever the process's rights.
      {"a folder that takes no files", "Z:\\proc\\qm-profile-test.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what));
    SetLastError(0);
    EXPECT_FALSE(system.WriteString(c.file, "Records", "FixedCount", "0"));
    EXPECT_NE(GetLastError(), 0u) << "the system says why";
    EXPECT_FALSE(portable.WriteString(c.file, "Records", "FixedCount", "0"));
    EXPECT_FALSE(WriteIniValue(system, c.file, kRecordsSection, kFixedCountKey, "0"));
  }
  EXPECT_TRUE(fs::is_empty(dir.Path() / "folder.ini"));
  EXPECT_FALSE(fs::exists(dir.Path() / "missing"));
}

// The ANSI form of a text in the process's code page, or nothing when the
// code page cannot hold it.
std::optional<std::string> Ansi(std::wstring_view text) {
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

constexpr std::string_view kChinese = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x80\xBC";  // 中文值

TEST(Win32Profile, ChineseValuesInTheAnsiCodePage) {
  const auto ansi = Ansi(win32::Widen(kChinese));
  if (!ansi) GTEST_SKIP() << "ANSI code page " << GetACP() << " cannot hold Chinese";
  TempFolder dir;
  const std::string file = dir.File("ro.ini");
  win32::Win32Profile system;
  IniFileProfile portable;

  ASSERT_TRUE(system.WriteString(file, "Records", "Name", kChinese));
  EXPECT_EQ(GetBytes(file), "[Records]\r\nName=" + *ansi + "\r\n") << "the system writes ANSI";
  EXPECT_EQ(ReadIniValue(system, file, kRecordsSection, "Name"), kChinese);

  // The portable writer keeps the ANSI bytes of the lines it does not touch.
  ASSERT_TRUE(portable.WriteString(file, "Records", "FixedCount", "5"));
  ForgetCachedProfile(file);
  EXPECT_EQ(ReadIniValue(system, file, kRecordsSection, "Name"), kChinese);
  EXPECT_EQ(ReadIniValue(system, file, kRecordsSection, kFixedCountKey), "5");
}

TEST(Win32Profile, ChineseValuesInUtf16ProfilesAgree) {
  TempFolder dir;
  win32::Win32Profile system;
  IniFileProfile portable;

  const std::string by_portable = dir.File("portable.ini");
  PutBytes(by_portable, test::Utf16File(u"[Records]\r\n"));
  ASSERT_TRUE(portable.WriteString(by_portable, "Records", "Name", kChinese));
  EXPECT_EQ(ReadIniValue(system, by_portable, kRecordsSection, "Name"), kChinese);

  const std::string by_system = dir.File("system.ini");
  PutBytes(by_system, test::Utf16File(u"[Records]\r\n"));
  ASSERT_TRUE(system.WriteString(by_system, "Records", "Name", kChinese));
  EXPECT_EQ(ReadIniValue(portable, by_system, kRecordsSection, "Name"), kChinese);
  EXPECT_EQ(GetBytes(by_system), test::Utf16File(u"[Records]\r\nName=\u4E2D\u6587\u503C\r\n"));
}

}  // namespace
}  // namespace qm
