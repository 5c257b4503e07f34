// The backup and the repair on the real registry and file system under
// Wine: every kind of value is backed up, deleted, and put back by the
// system's registry editor, both `regedit /s` and `reg import`, with the
// same type and bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <map>

#include "fakes.h"
#include "platform/win32/file_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/registry.h"
#include "platform/win32/registry_editor.h"
#include "platform/win32/wide.h"
#include "repair/backup_seal.h"
#include "repair/repair_run.h"
#include "repair/win32/backup_clock.h"
#include "repair/win32/backup_disk.h"
#include "repair/win32/code_page.h"
#include "repair/win32/registry_editor_process.h"
#include "scan/reg_search.h"
#include "scan/rules.h"
#include "scan/value_format.h"
#include "tests/platform/win32_test_tree.h"
#include "tests/support/run_process.h"

namespace qm {
namespace {

using Bytes = std::vector<BYTE>;

struct TestValue {
  HKEY root;
  std::string root_name;
  std::string path;  // below the root
  std::wstring name;
  DWORD type;
  Bytes data;
};

Bytes Wide(std::wstring_view s, bool terminate = true) {
  const auto* p = reinterpret_cast<const BYTE*>(s.data());
  Bytes b(p, p + s.size() * sizeof(wchar_t));
  if (terminate) b.insert(b.end(), {0, 0});
  return b;
}

// By the key path and value name in UTF-16, as the system takes them.
std::optional<std::pair<DWORD, Bytes>> ReadBack(HKEY root, const std::wstring& path,
                                                const std::wstring& name) {
  win32::UniqueHKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  Bytes data(size);
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return std::make_pair(type, data);
}

std::optional<std::pair<DWORD, Bytes>> ReadBack(const TestValue& v) {
  return ReadBack(v.root, win32::Widen(v.path), v.name);
}

void Put(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
         const Bytes& data) {
  win32::UniqueHKey key;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.Get(), name.c_str(), 0, type, data.data(),
                           static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

void Put(const TestValue& v) {
  Put(v.root, win32::Widen(v.path), v.name, v.type, v.data);
}

void Remove(const TestValue& v) {
  win32::UniqueHKey key;
  if (RegOpenKeyExW(v.root, win32::Widen(v.path).c_str(), 0, KEY_SET_VALUE, key.Put()) ==
      ERROR_SUCCESS) {
    RegDeleteValueW(key.Get(), v.name.c_str());
  }
}

// The row the scan lists for a value: its data as the scan shows them.
RegErrorRow RowFor(const TestValue& v) {
  const std::string name = win32::Narrow(v.name);
  return {"VALUE VALUE",
          v.root_name,
          v.path + "\\" + name,
          FormatValueData(v.type, v.data.data(), v.data.size()),
          true,
          v.path,
          name};
}

using testing::RunAndWait;

// A folder standing for the program's own, removed with its contents.
class ProgramFolder {
 public:
  explicit ProgramFolder(const std::string& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = win32::Narrow(temp) + name + "-" + std::to_string(GetCurrentProcessId());
    std::filesystem::remove_all(std::filesystem::path(win32::Widen(path_)));
    CreateDirectoryW(win32::Widen(path_).c_str(), nullptr);
  }
  ~ProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(win32::Widen(path_)), ec);
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

struct Win32Run {
  explicit Win32Run(const std::string& folder)
      : services{editor, profile, view, messages, {folder, disk, code_page, clock}} {}

  testing::EventLog log;
  win32::Win32RegistryEditor editor;
  testing::MemoryProfile profile{log};
  testing::RecordingView view{log};
  testing::RecordingMessages messages{log};
  win32::Win32BackupDisk disk;
  win32::Win32CodePage code_page;
  win32::SystemBackupClock clock;
  RepairServices services;
};

std::vector<BYTE> FileBytes(const std::string& path) {
  std::vector<BYTE> out;
  win32::UniqueFile f(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return out;
  out.resize(GetFileSize(f.Get(), nullptr));
  DWORD read = 0;
  if (!out.empty()) ReadFile(f.Get(), out.data(), static_cast<DWORD>(out.size()), &read, nullptr);
  out.resize(read);
  return out;
}

class RoundTrip : public ::testing::Test {
 protected:
  RoundTrip() : tree_("repair-round-trip"), folder_("qm-repair") {}

  // Values of every kind under the private tree and one directly under
  // HKEY_CURRENT_USER, which the test removes again.
  std::vector<TestValue> AnsiValues() const {
    const std::string k = tree_.Path("Run");
    const DWORD dword = 0xDEADBEEF;
    const ULONGLONG qword = 0x0102030405060788ull;
    Bytes binary;
    // Larger than the first read buffer of the editor and many lines long.
    for (int i = 0; i < 5000; ++i) binary.push_back(static_cast<BYTE>(i * 7));
    const auto* dp = reinterpret_cast<const BYTE*>(&dword);
    const auto* qp = reinterpret_cast<const BYTE*>(&qword);
    return {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"q\"uo\\te", REG_SZ,
         Wide(L"C:\\Old \"dir\"\\a.exe \\\\ \\\"")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"", REG_SZ, Wide(L"C:\\Old\\default.exe")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"multi", REG_MULTI_SZ,
         Wide(std::wstring(L"C:\\Old\\a.exe\0second\0third string\0\0", 34), false)},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"expand", REG_EXPAND_SZ,
         Wide(L"%SystemRoot%\\old.exe")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"dword", REG_DWORD, Bytes(dp, dp + 4)},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"qword", REG_QWORD, Bytes(qp, qp + 8)},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"binary", REG_BINARY, binary},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"none", REG_NONE, {}},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"none with data", REG_NONE, {1, 2, 3}},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", tree_.Path("Other\\Deeper"), L"x\\y.exe", REG_SZ,
         Wide(L"C:\\Old\\y.exe")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "", win32::Widen(root_value_), REG_SZ,
         Wide(L"C:\\Old\\root.exe")},
    };
  }
  std::vector<TestValue> WesternValues() const {
    return {{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", tree_.Path("West"), L"caf\u00E9", REG_SZ,
             Wide(L"\u00E9\u20AC \u00FC")}};
  }
  std::vector<TestValue> UnicodeValues() const {
    const std::string k = tree_.Path("中文键");
    return {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"旧程序", REG_SZ, Wide(L"C:\\旧\\程序.exe")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"multi", REG_MULTI_SZ,
         Wide(std::wstring(L"甲\0乙\0\0", 5), false)},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"expand", REG_EXPAND_SZ,
         Wide(L"%TEMP%\\旧.exe")},
    };
  }
  std::vector<TestValue> LineBreakValues() const {
    const std::string k = tree_.Path("Lines");
    return {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"two lines", REG_SZ,
         Wide(L"C:\\Old\\a.exe\r\nsecond line")},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, L"lf only", REG_SZ, Wide(L"a\nb")},
    };
  }

  ~RoundTrip() override { RegDeleteValueW(HKEY_CURRENT_USER, win32::Widen(root_value_).c_str()); }

  // Backs the values up and deletes them through a run, then restores the
  // backup with each of the registry editor's two importers.
  // `expected` is the format the file must have; nothing when it depends
  // on the code page's table.
  void CheckRoundTrip(const std::vector<TestValue>& values, std::optional<RegFileFormat> expected) {
    for (const TestValue& v : values) Put(v);
    std::vector<RegErrorRow> rows;
    for (const TestValue& v : values) rows.push_back(RowFor(v));

    Win32Run run(folder_.Path());
    const RepairReport report = RunRepair(rows, run.services);
    ASSERT_TRUE(report.backup.ok()) << BackupFailureMessage(report.backup);
    if (expected) {
      EXPECT_EQ(report.backup.format, *expected);
    }
    EXPECT_EQ(report.repaired, values.size());
    for (const TestValue& v : values) {
      EXPECT_FALSE(ReadBack(v).has_value()) << win32::Narrow(v.name) << " was deleted";
    }
    const std::vector<BYTE> file = FileBytes(report.backup.path);
    const std::string head =
        report.backup.format == RegFileFormat::kRegedit4 ? "REGEDIT4\r\n" : "\xFF\xFE";
    ASSERT_GE(file.size(), head.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + head.size()), head);
    // The importers below meet the check line the file ends in.
    const SealCheck seal = CheckBackupSeal(file);
    EXPECT_EQ(seal.verdict, SealVerdict::kIntact) << seal.why;
    EXPECT_EQ(seal.values, values.size());

    const std::wstring path = win32::Widen(report.backup.path);
    const std::vector<std::wstring> importers = {L"regedit.exe /s \"" + path + L"\"",
                                                 L"reg.exe import \"" + path + L"\""};
    for (const std::wstring& importer : importers) {
      const DWORD code = RunAndWait(importer);
      if (importer.rfind(L"reg.exe", 0) == 0) {
        EXPECT_EQ(code, 0u) << "reg import";
      }
      for (const TestValue& v : values) {
        const auto back = ReadBack(v);
        ASSERT_TRUE(back.has_value())
            << win32::Narrow(v.name) << " restored by " << win32::Narrow(importer);
        EXPECT_EQ(back->first, v.type) << win32::Narrow(v.name) << " " << win32::Narrow(importer);
        EXPECT_EQ(back->second, v.data) << win32::Narrow(v.name) << " " << win32::Narrow(importer);
      }
      for (const TestValue& v : values) Remove(v);
    }
  }

  testing::TestRegistryTree tree_;
  ProgramFolder folder_;
  win32::Win32RegistryEditor editor_;
  std::string root_value_ = "QuillmarRoundTrip-" + std::to_string(GetCurrentProcessId());
};

TEST_F(RoundTrip, AnsiValuesComeBackFromARegedit4File) {
  CheckRoundTrip(AnsiValues(), RegFileFormat::kRegedit4);
}

// Data the quoted string form cannot carry, odd names and keys, and types
// without a form of their own. (Strings whose data do not end in a NUL are
// left out: the importer adds the missing terminator to any string type.)
TEST_F(RoundTrip, UnusualValuesComeBack) {
  const std::string k = tree_.Path("Unusual");
  const auto at = [&](std::wstring name, DWORD type, Bytes data) {
    return TestValue{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", k, std::move(name), type,
                     std::move(data)};
  };
  CheckRoundTrip(
      {
          at(L"string of no bytes", REG_SZ, {}),
          at(L"empty string", REG_SZ, Wide(L"")),
          at(L"NUL inside", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}),
          at(L"empty binary", REG_BINARY, {}),
          at(L"short dword", REG_DWORD, {1, 2, 3}),
          at(L"big-endian dword", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}),
          at(L"unnamed type", 0x1234, {1, 2, 3}),
          at(L"name]with=odd\"chars@", REG_SZ, Wide(L"x")),
          at(L"@", REG_SZ, Wide(L"not the default value")),
          TestValue{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", tree_.Path("Key]with[brackets"), L"v",
                    REG_SZ, Wide(L"x")},
      },
      RegFileFormat::kRegedit4);
}

// Text beyond ASCII is written as version 5 under every code page, even
// one that holds it: the machine that imports the file may use another.
TEST_F(RoundTrip, WesternLettersComeBack) {
  CheckRoundTrip(WesternValues(), RegFileFormat::kVersion5);
}

TEST_F(RoundTrip, ChineseNamesAndDataComeBack) {
  CheckRoundTrip(UnicodeValues(), RegFileFormat::kVersion5);
}

// A backup written where the ANSI code page is 936 and imported with the
// registry editor where it is 1252 (or the other way round) brings back
// the same names and data: ANSI bytes would be read as other letters.
TEST_F(RoundTrip, ABackupImportsUnderAnotherCodePage) {
  const std::vector<TestValue> values = UnicodeValues();
  std::vector<BackupEntry> entries;
  for (const TestValue& v : values) {
    Put(v);
    entries.push_back({v.root_name + "\\" + v.path, {win32::Narrow(v.name), v.type, v.data}});
  }
  win32::Win32CodePage writer(GetACP() == 936 ? 1252 : 936);
  const RegFileBytes file = BuildRegFile(entries, writer);
  const std::string path = folder_.Path() + "\\other code page.reg";
  win32::Win32BackupDisk disk;
  ASSERT_EQ(disk.PublishNewFile(path, file.bytes), 0u);
  for (const TestValue& v : values) Remove(v);
  EXPECT_EQ(RunAndWait(L"regedit.exe /s \"" + win32::Widen(path) + L"\""), 0u);
  for (const TestValue& v : values) {
    const auto back = ReadBack(v);
    ASSERT_TRUE(back.has_value()) << win32::Narrow(v.name);
    EXPECT_EQ(back->first, v.type) << win32::Narrow(v.name);
    EXPECT_EQ(back->second, v.data) << win32::Narrow(v.name);
  }
}

TEST_F(RoundTrip, LineBreaksInDataComeBack) {
  CheckRoundTrip(LineBreakValues(), RegFileFormat::kVersion5);
}

TEST_F(RoundTrip, EverythingTogetherComesBack) {
  std::vector<TestValue> all = AnsiValues();
  for (auto& v : WesternValues()) all.push_back(v);
  for (auto& v : UnicodeValues()) all.push_back(v);
  for (auto& v : LineBreakValues()) all.push_back(v);
  CheckRoundTrip(all, RegFileFormat::kVersion5);
}

TEST_F(RoundTrip, AFailedBackupDeletesNothing) {
  const std::vector<TestValue> values = AnsiValues();
  for (const TestValue& v : values) Put(v);
  std::vector<RegErrorRow> rows;
  for (const TestValue& v : values) rows.push_back(RowFor(v));

  struct Case {
    const char* what;
    std::string program_folder;
    std::function<void(const std::string&)> spoil;
    std::string named;
  };
  const std::string in_the_way = folder_.Path() + "\\RegBackups";
  const std::string missing = folder_.Path() + "\\no such folder";
  std::vector<Case> cases = {
      {"a file named RegBackups", folder_.Path(),
       [](const std::string& p) {
         win32::UniqueFile f(CreateFileW(win32::Widen(p).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, 0, nullptr));
         ASSERT_TRUE(f);
       },
       in_the_way},
      {"a program folder that is gone", missing, [](const std::string&) {},
       missing + "\\RegBackups"},
  };
  char unwritable[MAX_PATH] = {};
  if (GetEnvironmentVariableA("QM_UNWRITABLE_PROGRAM_FOLDER", unwritable, MAX_PATH) > 0) {
    cases.push_back({"a folder no file can be written in", unwritable, [](const std::string&) {},
                     std::string(unwritable) + "\\RegBackups\\Backup ("});
  }
  for (const Case& c : cases) {
    c.spoil(in_the_way);
    Win32Run run(c.program_folder);
    const RepairReport report = RunRepair(rows, run.services);
    EXPECT_TRUE(report.stopped) << c.what;
    ASSERT_EQ(run.messages.shown.size(), 1u) << c.what;
    EXPECT_NE(run.messages.shown[0].text.find(c.named), std::string::npos)
        << c.what << ": " << run.messages.shown[0].text;
    for (const TestValue& v : values) {
      EXPECT_TRUE(ReadBack(v).has_value()) << c.what << ": " << win32::Narrow(v.name) << " kept";
    }
  }
}

TEST_F(RoundTrip, RepairNeverCreatesAKey) {
  const std::string missing = tree_.Path("Missing\\Deeper");
  EXPECT_EQ(DeleteValueInKey(editor_, kHkeyCurrentUser, missing, "x"), kRegFileNotFound);
  win32::UniqueHKey key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(tree_.Path("Missing")).c_str(), 0,
                          KEY_READ, key.Put()),
            ERROR_FILE_NOT_FOUND);
}

// What the scan window does with the search's events: judge each find and
// list the invalid references as checked rows.
class RowCollector : public SearchListener {
 public:
  explicit RowCollector(FileSystem& fs) : rule(fs) {}
  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    if (auto row = rule.Judge(root, key, value, found, name)) {
      row->checked = true;
      rows.push_back(std::move(*row));
    }
    return 0;
  }
  int SearchKeyChanged(std::string_view) override { return 0; }
  void SearchFinished(std::int32_t) override {}

  InvalidReferenceRule rule;
  std::vector<RegErrorRow> rows;
};

// The name under HKEY_USERS of the key that is HKEY_CURRENT_USER, found by
// the test tree showing through it; empty when none does.
std::string CurrentUserBelowUsers(const std::string& base) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD chars = 256;
    if (RegEnumKeyExW(HKEY_USERS, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return {};
    }
    win32::UniqueHKey key;
    const std::wstring path = std::wstring(name, chars) + L"\\" + win32::Widen(base);
    if (RegOpenKeyExW(HKEY_USERS, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS) {
      return win32::Narrow(std::wstring(name, chars));
    }
  }
}

// The whole road on the real registry: the search lists the invalid
// references (through HKEY_CURRENT_USER and again through HKEY_USERS), the
// run backs them up and deletes them, and the registry editor puts every
// one back as it was.
TEST_F(RoundTrip, ScannedValuesAreRepairedAndRestored) {
  const std::string run_key = tree_.Path("Run");
  const std::vector<TestValue> values = {
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", run_key, L"tool", REG_SZ,
       Wide(L"\"C:\\qm-gone\\tool.exe\" /tray")},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", run_key, L"", REG_SZ, Wide(L"C:\\qm-gone\\d.exe")},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", run_key, L"C:\\qm-gone\\named.exe", REG_SZ,
       Wide(L"C:\\qm-gone\\named.exe")},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", run_key, L"list", REG_MULTI_SZ,
       Wide(std::wstring(L"C:\\qm-gone\\m.exe\0more\0\0", 22), false)},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", tree_.Path("中文"), L"程序", REG_SZ,
       Wide(L"C:\\qm-gone\\程序.exe")},
  };
  for (const TestValue& v : values) Put(v);

  win32::Win32Registry reader;
  win32::Win32FileSystem fs;
  RowCollector collector(fs);
  auto scan = [&](RegKey root, const std::string& sub) {
    cRegSearch search(reader, collector);
    search.RootKey(static_cast<std::int32_t>(root));
    search.SubKey(sub);
    search.SearchFlags(3);
    search.SearchString(collector.rule.Drive());
    search.DoSearch();
  };
  scan(kHkeyCurrentUser, tree_.Base());
  const std::size_t through_current_user = collector.rows.size();
  // A name and its data both naming the file give two rows for one value.
  ASSERT_EQ(through_current_user, values.size() + 1);
  const std::string sid = CurrentUserBelowUsers(tree_.Base());
  ASSERT_FALSE(sid.empty()) << "HKEY_CURRENT_USER shows below HKEY_USERS";
  scan(kHkeyUsers, sid + "\\" + tree_.Base());
  ASSERT_EQ(collector.rows.size(), 2 * through_current_user);

  Win32Run run(folder_.Path());
  const RepairReport report = RunRepair(collector.rows, run.services);
  ASSERT_TRUE(report.backup.ok()) << BackupFailureMessage(report.backup);
  EXPECT_EQ(report.repaired, collector.rows.size()) << "every row, through either root";
  EXPECT_EQ(report.failed, 0u);
  for (const TestValue& v : values) EXPECT_FALSE(ReadBack(v).has_value());

  EXPECT_EQ(RunAndWait(L"regedit.exe /s \"" + win32::Widen(report.backup.path) + L"\""), 0u);
  for (const TestValue& v : values) {
    const auto back = ReadBack(v);
    ASSERT_TRUE(back.has_value()) << win32::Narrow(v.name);
    EXPECT_EQ(back->first, v.type) << win32::Narrow(v.name);
    EXPECT_EQ(back->second, v.data) << win32::Narrow(v.name);
  }
}

// Registry names are any UTF-16, unpaired surrogates included (RegSetValueExW
// writes them; `reg add` cannot). Such a key is walked, its value is listed,
// backed up under its exact name, deleted exactly and imported back, and a
// value whose name differs only there is left alone.
TEST_F(RoundTrip, NamesWithUnpairedSurrogatesAreScannedRepairedAndRestored) {
  // Written and read back in UTF-16 only, so the test does not lean on the
  // conversion it checks.
  const std::wstring key = win32::Widen(tree_.Base()) + L"\\lone\xDC00 key";
  const std::wstring name = L"x\xD800";
  const Bytes data = Wide(L"C:\\qm-gone\\lone.exe");
  // The name a lossy conversion gives the one above, holding a file that
  // exists: never listed, never deleted.
  const std::wstring look_alike = L"x\xFFFD";
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const Bytes existing = Wide(std::wstring(windows) + L"\\regedit.exe");
  Put(HKEY_CURRENT_USER, key, name, REG_SZ, data);
  Put(HKEY_CURRENT_USER, key, look_alike, REG_SZ, existing);

  win32::Win32Registry reader;
  win32::Win32FileSystem fs;
  RowCollector collector(fs);
  cRegSearch search(reader, collector);
  search.RootKey(static_cast<std::int32_t>(kHkeyCurrentUser));
  search.SubKey(tree_.Base());
  search.SearchFlags(3);
  search.SearchString(collector.rule.Drive());
  search.DoSearch();
  ASSERT_EQ(collector.rows.size(), 1u) << "the key named with a lone surrogate is walked";
  EXPECT_EQ(win32::Widen(collector.rows[0].key_path), key);
  EXPECT_EQ(win32::Widen(collector.rows[0].value_name), name);

  Win32Run run(folder_.Path());
  const RepairReport report = RunRepair(collector.rows, run.services);
  ASSERT_TRUE(report.backup.ok()) << BackupFailureMessage(report.backup);
  EXPECT_EQ(report.backup.format, RegFileFormat::kVersion5);
  EXPECT_EQ(report.repaired, 1u);
  EXPECT_EQ(report.failed, 0u);
  EXPECT_FALSE(ReadBack(HKEY_CURRENT_USER, key, name).has_value()) << "deleted by its exact name";
  // Bytes that are no UTF-16 name would be widened to the look-alike.
  {
    ScopedEditKey k(editor_);
    ASSERT_EQ(editor_.OpenKeyForWrite(kHkeyCurrentUser, win32::Narrow(key), k.Put()), kRegOk);
    EXPECT_EQ(editor_.DeleteValue(k.Get(), "x\xFF"), kRegNoUnicodeTranslation);
    RegValue v;
    EXPECT_EQ(editor_.QueryValue(k.Get(), "x\xFF", v), kRegNoUnicodeTranslation);
  }
  const auto still = ReadBack(HKEY_CURRENT_USER, key, look_alike);
  ASSERT_TRUE(still.has_value()) << "the look-alike name is another value";
  EXPECT_EQ(still->second, existing);

  // The file's UTF-16 text holds the key line and the value name unit for unit.
  const std::vector<BYTE> file = FileBytes(report.backup.path);
  ASSERT_GE(file.size(), 2u);
  const std::wstring text(reinterpret_cast<const wchar_t*>(file.data() + 2), (file.size() - 2) / 2);
  EXPECT_NE(text.find(L"[HKEY_CURRENT_USER\\" + key + L"]\r\n\"" + name +
                      L"\"=\"C:\\\\qm-gone\\\\lone.exe\"\r\n"),
            std::wstring::npos);

  EXPECT_EQ(RunAndWait(L"regedit.exe /s \"" + win32::Widen(report.backup.path) + L"\""), 0u);
  const auto back = ReadBack(HKEY_CURRENT_USER, key, name);
  ASSERT_TRUE(back.has_value()) << "regedit /s brings it back under its exact name";
  EXPECT_EQ(back->first, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(back->second, data);
}

TEST(Win32BackupDisk, PublishesCompleteFilesAndNeverReplacesOne) {
  ProgramFolder folder("qm-disk");
  win32::Win32BackupDisk disk;
  const std::string path = folder.Path() + "\\Backup (x).reg";
  const std::vector<std::uint8_t> first = {'o', 'n', 'e'};
  const std::vector<std::uint8_t> second = {'t', 'w', 'o', '!'};
  ASSERT_EQ(disk.PublishNewFile(path, first), 0u);
  const std::uint32_t again = disk.PublishNewFile(path, second);
  EXPECT_TRUE(again == kErrAlreadyExists || again == kErrFileExists) << again;
  EXPECT_EQ(FileBytes(path), first) << "the earlier file is untouched";
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(win32::Widen(folder.Path()))) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1u) << "no partial file is left behind";

  EXPECT_EQ(disk.Inspect(folder.Path()).value(), PathKind::kFolder);
  EXPECT_EQ(disk.Inspect(path).value(), PathKind::kFile);
  EXPECT_EQ(disk.Inspect(folder.Path() + "\\none").code(), kErrFileNotFound);
  EXPECT_NE(disk.PublishNewFile(folder.Path() + "\\none\\x.reg", first), 0u);
}

TEST(Win32BackupDisk, TwoBackupsOfOneSecondGetTwoFiles) {
  ProgramFolder folder("qm-same-second");
  win32::Win32BackupDisk disk;
  win32::Win32CodePage cp;
  testing::FixedClock clock({"2010/7/7", "7:33:11", false});
  const BackupPlace place{folder.Path(), disk, cp, clock};
  const BackupResult a = WriteBackupFile({}, place);
  const BackupResult b = WriteBackupFile({}, place);
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(a.path, folder.Path() + "\\RegBackups\\Backup (2010-7-7 7;33;11).reg");
  EXPECT_EQ(b.path, folder.Path() + "\\RegBackups\\Backup (2010-7-7 7;33;11) (2).reg");
  const std::vector<BYTE> file = FileBytes(a.path);
  EXPECT_EQ(
      std::string(file.begin(), file.end()).rfind("REGEDIT4\r\n\r\n; Quillmar backup: 0 values", 0),
      0u);
}

TEST(Win32CodePage, HoldsOnlyWhatRoundTripsExactly) {
  win32::Win32CodePage western(1252);
  EXPECT_EQ(western.Encode(u"A\u00E9\u20AC"), std::string("A\xE9\x80"));
  EXPECT_EQ(western.Encode(u"\u4E2D"), std::nullopt);
  EXPECT_EQ(western.Encode(u"\u0141"), std::nullopt) << "no best-fit look-alike";
  EXPECT_EQ(western.Encode(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
  win32::Win32CodePage chinese(936);
  EXPECT_EQ(chinese.Encode(u"\u4E2D"), std::string("\xD6\xD0"));
  EXPECT_EQ(chinese.Encode(u"\u0E01"), std::nullopt) << "Thai";
  // Reading back: a lead byte without its trail byte is no character.
  EXPECT_EQ(chinese.Decode("\xD6\xD0"), std::u16string(u"\u4E2D"));
  EXPECT_EQ(chinese.Decode("a\xD6"), std::nullopt);
  EXPECT_EQ(western.Decode("A\xE9\x80"), std::u16string(u"A\u00E9\u20AC"));
  win32::Win32CodePage utf8(CP_UTF8);
  EXPECT_EQ(utf8.Encode(u"\u4E2D"), std::string("\xE4\xB8\xAD"));
  EXPECT_EQ(utf8.Encode(std::u16string(1, u'\xD800')), std::nullopt);
}

// The second registration runs in a Simplified Chinese locale; without
// this check a locale that silently failed would leave it testing 1252.
TEST(Win32CodePage, IsTheOneTheTestRunAskedFor) {
  char expected[16] = {};
  if (GetEnvironmentVariableA("QM_EXPECT_ACP", expected, sizeof expected) == 0) {
    GTEST_SKIP() << "no code page asked for";
  }
  EXPECT_EQ(std::to_string(GetACP()), expected);
  EXPECT_EQ(win32::Win32CodePage().CodePage(), GetACP());
}

TEST(SystemBackupClock, GivesTheRegionalDateAndTimeOfNow) {
  win32::SystemBackupClock clock;
  SYSTEMTIME st{};
  GetLocalTime(&st);
  const LocalDateTimeText now = clock.Now();
  EXPECT_NE(now.short_date.find(std::to_string(st.wYear)), std::string::npos) << now.short_date;
  EXPECT_FALSE(now.long_time.empty());
}

// The editor's own word for the computer stays in front of the key, unless
// the editor keeps its keys from the root on (Wine's does).
TEST(RegistryEditorLastKey, KeepsTheEditorsWordForTheComputer) {
  const struct {
    const char* stored;
    bool root_first;
    const char* written;
  } cases[] = {
      {"", false, "Computer\\HKEY_CURRENT_USER\\Software\\Run"},
      {"计算机\\HKEY_LOCAL_MACHINE\\SOFTWARE", false, "计算机\\HKEY_CURRENT_USER\\Software\\Run"},
      {"Computer", false, "Computer\\HKEY_CURRENT_USER\\Software\\Run"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE", false, "HKEY_CURRENT_USER\\Software\\Run"},
      {"My Computer", true, "HKEY_CURRENT_USER\\Software\\Run"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        win32::RegistryEditorLastKey(c.stored, "HKEY_CURRENT_USER", "Software\\Run", c.root_first),
        c.written)
        << c.stored;
  }
  EXPECT_EQ(win32::RegistryEditorLastKey("", "HKEY_USERS", "", false), "Computer\\HKEY_USERS");
}

}  // namespace
}  // namespace qm
