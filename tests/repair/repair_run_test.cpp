#include "repair/repair_run.h"

#include <gtest/gtest.h>

#include <functional>

#include "fakes.h"
#include "platform/memory_registry.h"
#include "scan/value_format.h"
#include "testing/memory_file_store.h"

namespace qm {
namespace {

using testing::AsText;
using testing::EventLog;

constexpr const char* kProgram = "C:\\Tools\\Quillmar";
constexpr const char* kProfile = "C:\\Tools\\Quillmar\\ro.ini";
constexpr const char* kRun = "Software\\App\\Run";

struct RunFixture {
  MemoryRegistry reg;
  EventLog log;
  testing::MemoryProfile profile{log};
  testing::RecordingView view{log};
  testing::RecordingMessages messages{log};
  testing::MemoryBackupDisk disk;
  Windows1252CodePage code_page;
  testing::FixedClock clock{{"2010/7/7", "7:33:11", false}};
  MemoryFileStore files;
  RepairServices services{reg, profile, view, messages, {kProgram, disk, code_page, clock}, &files};

  RunFixture() { disk.AddFolder(kProgram); }

  void SetBackupBeforeFix(const std::string& v) {
    profile.Set(kProfile, "Settings", "BackupBeforeFix", v);
  }
  // A checked row for a value as the scan would list it now.
  RegErrorRow Row(RegKey root, const std::string& path, const std::string& name,
                  const char* kind = "VALUE VALUE") {
    RegErrorRow row{kind, std::string(RootKeyName(root)), path + "\\" + name, "", true, path, name};
    ScopedEditKey key(reg);
    RegValue v;
    if (reg.OpenKeyForQuery(root, path, key.Put()) == kRegOk &&
        reg.QueryValue(key.Get(), name, v) == kRegOk) {
      row.value = FormatValueData(v.type, v.data.data(), v.data.size());
    }
    return row;
  }
  bool Has(RegKey root, const std::string& path, const std::string& name) {
    ScopedEditKey key(reg);
    RegValue v;
    return reg.OpenKeyForQuery(root, path, key.Put()) == kRegOk &&
           reg.QueryValue(key.Get(), name, v) == kRegOk;
  }
  std::string Fixed() {
    return profile.Get(kProfile, "Records", "FixedCount").value_or("<absent>");
  }
  // The backup's text above its check line, which the writer's tests pin.
  std::string OnlyBackup() {
    const auto names = disk.FileNames();
    EXPECT_EQ(names.size(), 1u);
    return names.empty() ? "" : Body(*disk.File(names[0]));
  }
  static std::string Body(const std::vector<std::uint8_t>& file) {
    const std::string text = AsText(file);
    return text.substr(0, text.find("\r\n; Quillmar backup: "));
  }
};

TEST(RepairRun, BacksUpThenDeletesMarksCountsAndRecords) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "", "C:\\Old\\a.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Keep", "C:\\Old\\keep.exe");
  f.SetBackupBeforeFix("1");
  std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool"),
                                   f.Row(kHkeyCurrentUser, kRun, "Keep"),
                                   f.Row(kHkeyCurrentUser, kRun, "")};
  rows[1].checked = false;

  const RepairReport r = RunRepair(rows, f.services);

  EXPECT_EQ(f.log, (EventLog{"status:正在创建备份...", "message:64", "mark:0", "colour:1", "mark:2",
                             "count:2", "message:48", "profile:Records/FixedCount"}));
  const std::string path = "C:\\Tools\\Quillmar\\RegBackups\\Backup (2010-7-7 7;33;11).reg";
  EXPECT_EQ(r.backup.path, path);
  EXPECT_EQ(f.messages.shown[0].text, "Backup file:" + path);
  EXPECT_EQ(f.OnlyBackup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
            "\"Tool\"=\"C:\\\\Old\\\\tool.exe\"\r\n@=\"C:\\\\Old\\\\a.exe\"\r\n");
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, "Tool"));
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, ""));
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Keep"));
  EXPECT_EQ(f.view.marks[0].text, "已修复");
  EXPECT_EQ(f.view.marks[0].colour, kRed);
  EXPECT_EQ(f.view.marks[1].text, "") << "an unchecked row keeps its text";
  EXPECT_EQ(f.view.marks[1].colour, kBlue);
  EXPECT_EQ(f.view.marks[2].text, "已修复");
  EXPECT_EQ(f.messages.shown[1].text, "2 个错误已修复。");
  EXPECT_EQ(f.Fixed(), "2");
  EXPECT_EQ(f.reg.OpenHandles(), 0u);
}

// An absent or malformed setting means "back up"; only an explicit zero
// turns the backup off.
TEST(RepairRun, BacksUpUnlessTheSettingIsAnExplicitZero) {
  struct Case {
    const char* stored;  // nullptr: never written
    bool backup;
  };
  for (const Case& c : std::vector<Case>{{"1", true},
                                         {nullptr, true},
                                         {"", true},
                                         {"x", true},
                                         {"1x", true},
                                         {"0", false},
                                         {" 0 ", false}}) {
    RunFixture f;
    f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
    if (c.stored) f.SetBackupBeforeFix(c.stored);
    const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool")};
    const RepairReport r = RunRepair(rows, f.services);
    const std::string what = c.stored ? c.stored : "<absent>";
    EXPECT_EQ(r.backup_asked, c.backup) << what;
    EXPECT_EQ(f.disk.FileNames().size(), c.backup ? 1u : 0u) << what;
    EXPECT_EQ(f.messages.shown.size(), c.backup ? 2u : 1u) << what;
    EXPECT_EQ(f.log.front() == "status:正在创建备份...", c.backup) << what;
    EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, "Tool")) << what;
    EXPECT_EQ(f.Fixed(), "1") << what;
  }
}

TEST(RepairRun, NoRowCheckedWritesAnEmptyBackupAndCountsZero) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool")};
  rows[0].checked = false;
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(f.OnlyBackup(), "REGEDIT4\r\n");
  EXPECT_EQ(f.messages.shown[0].text, "Backup file:" + r.backup.path);
  EXPECT_EQ(f.view.marks[0].colour, kBlue);
  EXPECT_EQ(f.messages.shown[1].text, "0 个错误已修复。");
  EXPECT_EQ(f.Fixed(), "0");
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Tool"));
}

TEST(RepairRun, AFailedDeletionIsReportedAndNotCounted) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Locked", "C:\\Old\\l.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Free", "C:\\Old\\f.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Odd", "C:\\Old\\o.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Locked2", "C:\\Old\\m.exe");
  f.reg.FailDelete(kHkeyCurrentUser, kRun, "Locked", kRegAccessDenied);
  f.reg.FailDelete(kHkeyCurrentUser, kRun, "Odd", kRegInvalidParameter);
  f.reg.FailDelete(kHkeyCurrentUser, kRun, "Locked2", kRegAccessDenied);
  const std::vector<RegErrorRow> rows = {
      f.Row(kHkeyCurrentUser, kRun, "Locked"), f.Row(kHkeyCurrentUser, kRun, "Free"),
      f.Row(kHkeyCurrentUser, kRun, "Odd"), f.Row(kHkeyCurrentUser, kRun, "Locked2")};
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Locked"));
  EXPECT_EQ(f.view.marks[0].text, "修复失败");
  EXPECT_EQ(f.view.marks[0].colour, kRed);
  EXPECT_EQ(f.view.marks[1].text, "已修复");
  EXPECT_EQ(r.repaired, 1u);
  EXPECT_EQ(r.failed, 3u);
  EXPECT_EQ(r.denied, 2u) << "only refusals for want of rights";
  EXPECT_EQ(f.log[f.log.size() - 3], "count:1");
  // The want of rights is said once, after the count.
  EXPECT_EQ(
      f.messages.shown.back().text,
      "1 个错误已修复。\n3 个错误未能修复。\n部分值因权限不足未能删除，请以管理员身份运行本程序。");
  EXPECT_EQ(f.Fixed(), "1");
}

TEST(RepairRun, RootNamesOutsideTheTableDeleteNothing) {
  struct Case {
    const char* name;
    RegKey handle;
  };
  for (const Case& c : std::vector<Case>{{"HKEY_CLASSES_ROOT", 0x80000000u},
                                         {"HKEY_CURRENT_USER", 0x80000001u},
                                         {"HKEY_LOCAL_MACHINE", 0x80000002u},
                                         {"HKEY_USERS", 0x80000003u},
                                         {"HKEY_PERFORMANCE_DATA", 0x80000004u},
                                         {"HKEY_CURRENT_CONFIG", 0x80000005u},
                                         {"HKEY_DYN_DATA", 0x80000006u},
                                         {"HKEY_ALL", kNoKey},
                                         {"hkey_current_user", kNoKey},
                                         {"HKEY_CURRENT_USER ", kNoKey},
                                         {"HKCU", kNoKey},
                                         {"", kNoKey}}) {
    EXPECT_EQ(RootKeyFromName(c.name), c.handle) << c.name;
  }

  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  RegErrorRow row = f.Row(kHkeyCurrentUser, kRun, "Tool");
  row.root = "HKEY_ALL";
  const RepairReport r = RunRepair(std::vector<RegErrorRow>{row}, f.services);
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Tool"));
  EXPECT_EQ(f.view.marks[0].text, "修复失败");
  EXPECT_EQ(r.repaired, 0u);
  EXPECT_EQ(f.OnlyBackup(), "REGEDIT4\r\n") << "nothing it cannot find is backed up";
  EXPECT_EQ(DeleteValueInKey(f.reg, kNoKey, kRun, "Tool"), kRegInvalidHandle);
}

// A missing key answers "not found" just as a path that does not address
// the key would, so it cannot confirm the value gone.
TEST(RepairRun, AValueGoneBeforeTheRunCountsAsRepairedAGoneKeyFailsAndIsNotCreated) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  f.reg.SetString(kHkeyCurrentUser, "Software\\Gone", "T", "C:\\Old\\t.exe");
  const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool"),
                                         f.Row(kHkeyCurrentUser, "Software\\Gone", "T")};
  f.reg.SetBinary(kHkeyCurrentUser, kRun, "Other", {1});
  ASSERT_TRUE(f.reg.DeleteKey(kHkeyCurrentUser, "Software\\Gone"));
  const std::size_t keys = f.reg.KeyCount();
  {
    ScopedEditKey k(f.reg);
    RegValue v;
    ASSERT_EQ(f.reg.OpenKeyForWrite(kHkeyCurrentUser, kRun, k.Put()), kRegOk);
    ASSERT_EQ(f.reg.DeleteValue(k.Get(), "Tool"), kRegOk);
  }
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(r.repaired, 1u);
  EXPECT_EQ(r.failed, 1u);
  EXPECT_EQ(f.view.marks[0].text, "已修复");
  EXPECT_EQ(f.view.marks[1].text, "修复失败");
  EXPECT_EQ(f.reg.KeyCount(), keys) << "a missing key is not created";
  RegKey probe = kNoKey;
  EXPECT_EQ(f.reg.OpenKey(kHkeyCurrentUser, "Software\\Gone", &probe), kRegFileNotFound);
  EXPECT_EQ(f.OnlyBackup(), "REGEDIT4\r\n");
  EXPECT_EQ(DeleteValueInKey(f.reg, kHkeyCurrentUser, "Software\\Gone", "T"), kRegFileNotFound);
}

// The registry the run meets once it has deleted: every call reaches the
// memory registry, but the queries that confirm a deletion get `answer`,
// from opening the key or from reading the value.
class UnaddressableAfterDelete final : public RegistryEditor {
 public:
  UnaddressableAfterDelete(MemoryRegistry& reg, bool at_open, RegStatus answer)
      : reg_(reg), at_open_(at_open), answer_(answer) {}
  RegStatus OpenKeyForQuery(RegKey parent, std::string_view path, RegKey* out) override {
    if (deleted_ && at_open_) {
      *out = kNoKey;
      return answer_;
    }
    return reg_.OpenKeyForQuery(parent, path, out);
  }
  RegStatus OpenKeyForWrite(RegKey parent, std::string_view path, RegKey* out) override {
    return reg_.OpenKeyForWrite(parent, path, out);
  }
  RegStatus QueryValue(RegKey key, std::string_view name, RegValue& value) override {
    return deleted_ && !at_open_ ? answer_ : reg_.QueryValue(key, name, value);
  }
  RegStatus DeleteValue(RegKey key, std::string_view name) override {
    (void)reg_.DeleteValue(key, name);
    deleted_ = true;
    return kRegOk;  // "succeeds", whatever became of the value
  }
  RegStatus CreateKeyForWrite(RegKey parent, std::string_view path, RegKey* out) override {
    return reg_.CreateKeyForWrite(parent, path, out);
  }
  RegStatus WriteValue(RegKey key, const RegValue& value) override {
    return reg_.WriteValue(key, value);
  }
  void CloseKey(RegKey key) override { reg_.CloseKey(key); }

 private:
  MemoryRegistry& reg_;
  bool at_open_;
  RegStatus answer_;
  bool deleted_ = false;
};

TEST(RepairRun, OnlyACleanNotFoundForTheExactNameConfirmsADeletion) {
  struct Case {
    bool at_open;
    RegStatus answer;
    RowOutcome outcome;
  };
  const Case cases[] = {
      {false, kRegFileNotFound, RowOutcome::kRepaired},
      {true, kRegFileNotFound, RowOutcome::kFailed},  // the key path no longer addresses it
      {true, kRegAccessDenied, RowOutcome::kFailed},
      {false, kRegNoUnicodeTranslation, RowOutcome::kFailed},
      {false, kRegInvalidParameter, RowOutcome::kFailed},
  };
  for (const Case& c : cases) {
    RunFixture f;
    f.reg.SetString(kHkeyCurrentUser, kRun, "x", "C:\\Old\\x.exe");
    const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "x")};
    UnaddressableAfterDelete editor(f.reg, c.at_open, c.answer);
    RepairServices services{editor, f.profile, f.view, f.messages, f.services.backup};
    const RepairReport r = RunRepair(rows, services);
    EXPECT_EQ(r.rows[0], c.outcome) << c.at_open << " " << c.answer;
    EXPECT_EQ(r.repaired, c.outcome == RowOutcome::kRepaired ? 1u : 0u);
  }
}

// A row whose name is not the form of any UTF-16 name (a stray byte) would
// be converted to another name: it is neither deleted nor confirmed gone.
TEST(RepairRun, ANameThatDoesNotConvertExactlyFailsAndTouchesNothing) {
  RunFixture f;
  f.SetBackupBeforeFix("0");
  f.reg.SetString(kHkeyCurrentUser, kRun, "x\xEF\xBF\xBD", "C:\\Old\\x.exe");  // x U+FFFD
  RegErrorRow row = f.Row(kHkeyCurrentUser, kRun, "x\xEF\xBF\xBD");
  row.value_name = "x\xFF";
  const RepairReport r = RunRepair(std::vector<RegErrorRow>{row}, f.services);
  EXPECT_EQ(r.rows[0], RowOutcome::kFailed);
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "x\xEF\xBF\xBD"));
  EXPECT_EQ(DeleteValueInKey(f.reg, kHkeyCurrentUser, kRun, "x\xFF"), kRegNoUnicodeTranslation);
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "x\xEF\xBF\xBD"));
}

TEST(RepairRun, AValueChangedSinceTheScanIsLeftAlone) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Edited", "C:\\Old\\e.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Retyped", "C:\\Old\\r.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Same", "C:\\Old\\s.exe");
  const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Edited"),
                                         f.Row(kHkeyCurrentUser, kRun, "Retyped"),
                                         f.Row(kHkeyCurrentUser, kRun, "Same")};
  f.reg.SetString(kHkeyCurrentUser, kRun, "Edited", "C:\\New\\e.exe");
  f.reg.SetString(kHkeyCurrentUser, kRun, "Retyped", "C:\\Old\\r.exe", kRegExpandSz);
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Edited"));
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Retyped"));
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, "Same"));
  for (std::size_t i : {0u, 1u}) {
    EXPECT_EQ(f.view.marks[i].text, "已跳过");
    EXPECT_EQ(f.view.marks[i].colour, kBlue);
  }
  EXPECT_EQ(r.skipped, 2u);
  EXPECT_EQ(r.repaired, 1u);
  EXPECT_EQ(f.messages.shown.back().text, "1 个错误已修复。") << "skipped is not failed";
  EXPECT_EQ(f.OnlyBackup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
            "\"Same\"=\"C:\\\\Old\\\\s.exe\"\r\n");
}

TEST(RepairRun, TwoRowsForOneValueBothCount) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "C:\\Old\\x.exe", "C:\\Old\\x.exe");
  const std::vector<RegErrorRow> rows = {
      f.Row(kHkeyCurrentUser, kRun, "C:\\Old\\x.exe", "VALUE NAME"),
      f.Row(kHkeyCurrentUser, kRun, "C:\\Old\\x.exe", "VALUE VALUE")};
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(r.repaired, 2u);
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, "C:\\Old\\x.exe"));
  EXPECT_EQ(f.OnlyBackup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
            "\"C:\\\\Old\\\\x.exe\"=\"C:\\\\Old\\\\x.exe\"\r\n"
            "\"C:\\\\Old\\\\x.exe\"=\"C:\\\\Old\\\\x.exe\"\r\n");
}

TEST(RepairRun, OneValueSeenThroughTwoRootsIsRepairedOnceAndCountedTwice) {
  RunFixture f;
  const std::string sid = "S-1-5-21-0-0-0-1000";
  f.reg.MountCurrentUserUnderUsers(sid);
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool"),
                                         f.Row(kHkeyUsers, sid + "\\" + kRun, "Tool")};
  ASSERT_EQ(rows[1].value, rows[0].value) << "the same value through HKEY_USERS";
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(r.repaired, 2u);
  EXPECT_EQ(r.failed, 0u);
  EXPECT_FALSE(f.Has(kHkeyUsers, sid + "\\" + kRun, "Tool"));
}

TEST(RepairRun, ABackupThatFailsStopsTheRunBeforeAnyDeletion) {
  struct Case {
    const char* what;
    std::function<void(RunFixture&)> spoil;
    std::string named;
  };
  const std::string folder = "C:\\Tools\\Quillmar\\RegBackups";
  const std::vector<Case> cases = {
      {"a file named RegBackups", [&](RunFixture& f) { f.disk.AddFile(folder); }, folder},
      {"a folder that cannot be created",
       [](RunFixture& f) { f.disk.FailCreateFolder(kRegAccessDenied); }, folder},
      {"a full disk", [](RunFixture& f) { f.disk.FailPublish(kErrDiskFull); },
       folder + "\\Backup (2010-7-7 7;33;11).reg"},
      // Without the list the run cannot know what the user keeps.
      {"an ignore list that cannot be read",
       [](RunFixture& f) {
         f.files.files["C:\\Tools\\Quillmar\\ignore.txt"] = "HKCU\\Other\r\n";
         f.files.read_error = 32;
       },
       "C:\\Tools\\Quillmar\\ignore.txt"},
      // A typo (no closing quote) in the entry meant to keep the value.
      {"a line of the ignore list that cannot be read",
       [](RunFixture& f) {
         f.files.files["C:\\Tools\\Quillmar\\ignore.txt"] =
             "# kept\r\nHKCU\\Software\\App\\Run\\\\\"Tool\x01\r\n";
       },
       "忽略列表第 2 行无法读取，请先在设置中修正：HKCU\\Software\\App\\Run\\\\\"Tool\u2401\n"},
  };
  for (const Case& c : cases) {
    RunFixture f;
    f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
    f.profile.Set(kProfile, "Records", "FixedCount", "7");
    c.spoil(f);
    const RepairReport r =
        RunRepair(std::vector<RegErrorRow>{f.Row(kHkeyCurrentUser, kRun, "Tool")}, f.services);
    EXPECT_TRUE(r.stopped) << c.what;
    EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "Tool")) << c.what;
    ASSERT_EQ(f.messages.shown.size(), 1u) << c.what;
    EXPECT_EQ(f.messages.shown[0].style, kMessageExclamation) << c.what;
    EXPECT_NE(f.messages.shown[0].text.find(c.named), std::string::npos)
        << c.what << ": " << f.messages.shown[0].text;
    EXPECT_NE(f.messages.shown[0].text.find("没有删除任何注册表值"), std::string::npos);
    EXPECT_TRUE(f.view.marks.empty()) << c.what;
    EXPECT_EQ(f.Fixed(), "7") << c.what;
  }
}

// Asked to stop while the value in hand is deleted (Ctrl+C), the run goes
// no further; the backup, written first, holds every value.
TEST(RepairRun, AStopAskedForBetweenTwoValuesLeavesTheRestUntouched) {
  RunFixture f;
  std::vector<RegErrorRow> rows;
  for (const char* name : {"A", "B", "C"}) {
    f.reg.SetString(kHkeyCurrentUser, kRun, name, "C:\\x.exe");
    rows.push_back(f.Row(kHkeyCurrentUser, kRun, name));
  }
  f.services.stop_requested = [&f] { return !f.Has(kHkeyCurrentUser, kRun, "A"); };
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_TRUE(r.interrupted);
  EXPECT_EQ(r.rows, (std::vector<RowOutcome>{RowOutcome::kRepaired, RowOutcome::kNotReached,
                                             RowOutcome::kNotReached}));
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, kRun, "B") && f.Has(kHkeyCurrentUser, kRun, "C"));
  EXPECT_NE(f.OnlyBackup().find("\"C\"=\"C:\\\\x.exe\""), std::string::npos);
}

// Ticked or not, a value on the ignore list stays, and no backup holds it.
TEST(RepairRun, IgnoredValuesAreSkippedEvenWhenChecked) {
  struct Case {
    RegKey root;
    const char* path;
    const char* name;
    RowOutcome outcome;
  };
  const Case cases[] = {
      {kHkeyCurrentUser, kRun, "Kept", RowOutcome::kSkipped},
      {kHkeyCurrentUser, kRun, "kept\\x", RowOutcome::kRepaired},
      {kHkeyCurrentUser, "Software\\Tool\\Deep", "", RowOutcome::kSkipped},
      {kHkeyCurrentUser, "Software\\ToolBox", "a", RowOutcome::kRepaired},
      {kHkeyLocalMachine, kRun, "Kept", RowOutcome::kRepaired},
  };
  RunFixture f;
  f.SetBackupBeforeFix("1");
  f.files.files["C:\\Tools\\Quillmar\\ignore.txt"] =
      "HKCU\\Software\\App\\Run\\\\\"KEPT\"\r\nHKEY_CURRENT_USER\\software\\tool\r\n";
  std::vector<RegErrorRow> rows;
  for (const Case& c : cases) f.reg.SetString(c.root, c.path, c.name, "C:\\Old\\tool.exe");
  for (const Case& c : cases) rows.push_back(f.Row(c.root, c.path, c.name));
  const RepairReport r = RunRepair(rows, f.services);
  ASSERT_EQ(r.rows.size(), std::size(cases));
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    SCOPED_TRACE(std::string(cases[i].path) + " " + cases[i].name);
    EXPECT_EQ(r.rows[i], cases[i].outcome);
    EXPECT_EQ(f.Has(cases[i].root, cases[i].path, cases[i].name),
              cases[i].outcome == RowOutcome::kSkipped);
  }
  const std::string backup = f.OnlyBackup();
  EXPECT_EQ(backup.find("[HKEY_CURRENT_USER\\Software\\Tool\\Deep]"), std::string::npos) << backup;
  std::size_t saved = 0;
  for (std::size_t at = 0; (at = backup.find("tool.exe", at)) != std::string::npos; ++at) ++saved;
  EXPECT_EQ(saved, 3u) << backup;
  EXPECT_EQ(r.repaired, 3u);
  EXPECT_EQ(r.skipped, 2u);
}

TEST(RepairRun, DeletesDefaultValuesAndValuesDirectlyUnderARoot) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "", "C:\\Old\\d.exe");
  f.reg.SetString(kHkeyCurrentUser, "", "QmAtRoot", "C:\\Old\\r.exe");
  const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, ""),
                                         f.Row(kHkeyCurrentUser, "", "QmAtRoot")};
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(r.repaired, 2u);
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, kRun, ""));
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, "", "QmAtRoot"));
  EXPECT_EQ(f.OnlyBackup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
            "@=\"C:\\\\Old\\\\d.exe\"\r\n\r\n[HKEY_CURRENT_USER\\]\r\n"
            "\"QmAtRoot\"=\"C:\\\\Old\\\\r.exe\"\r\n");
}

TEST(RepairRun, AValueNameHoldingBackslashesIsFoundWhereItLives) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, "Software\\A", "x\\y.exe", "C:\\Old\\1.exe");
  f.reg.SetString(kHkeyCurrentUser, "Software\\A\\x", "y.exe", "C:\\Old\\1.exe");
  const RepairReport r = RunRepair(
      std::vector<RegErrorRow>{f.Row(kHkeyCurrentUser, "Software\\A", "x\\y.exe")}, f.services);
  EXPECT_EQ(r.repaired, 1u);
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, "Software\\A", "x\\y.exe"));
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, "Software\\A\\x", "y.exe"));
  EXPECT_EQ(f.OnlyBackup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n"
            "\"x\\\\y.exe\"=\"C:\\\\Old\\\\1.exe\"\r\n");
}

TEST(RepairRun, AKeyThatCannotBeReadIsNeitherBackedUpNorDeleted) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, "Software\\Locked", "T", "C:\\Old\\t.exe");
  const RegErrorRow row = f.Row(kHkeyCurrentUser, "Software\\Locked", "T");
  f.reg.FailOpen(kHkeyCurrentUser, "Software\\Locked", kRegAccessDenied);
  const RepairReport r = RunRepair(std::vector<RegErrorRow>{row}, f.services);
  EXPECT_EQ(r.failed, 1u);
  EXPECT_EQ(f.view.marks[0].text, "修复失败");
  EXPECT_EQ(f.OnlyBackup(), "REGEDIT4\r\n");
  EXPECT_EQ(f.messages.shown.back().text, "0 个错误已修复。\n1 个错误未能修复。");
}

TEST(RepairRun, ANameNoBackupCanHoldIsSkippedOnlyWhenBackingUp) {
  for (const char* setting : {"1", "0"}) {
    RunFixture f;
    f.SetBackupBeforeFix(setting);
    f.reg.SetString(kHkeyCurrentUser, kRun, "two\nlines", "C:\\Old\\t.exe");
    const RepairReport r = RunRepair(
        std::vector<RegErrorRow>{f.Row(kHkeyCurrentUser, kRun, "two\nlines")}, f.services);
    const bool backing_up = std::string(setting) == "1";
    EXPECT_EQ(f.Has(kHkeyCurrentUser, kRun, "two\nlines"), backing_up) << setting;
    EXPECT_EQ(f.view.marks[0].text, backing_up ? "已跳过" : "已修复") << setting;
    EXPECT_EQ(r.repaired, backing_up ? 0u : 1u);
  }
}

TEST(RepairRun, HandlesListsBeyondSixteenBitPositions) {
  RunFixture f;
  std::vector<RegErrorRow> rows;
  for (int k = 0; k < 1000; ++k) {
    const std::string path = "Software\\Many\\" + std::to_string(k);
    for (int v = 0; v < 40; ++v) {
      const std::string name = "v" + std::to_string(v);
      f.reg.SetString(kHkeyCurrentUser, path, name, "C:\\Old\\" + name + ".exe");
      rows.push_back(f.Row(kHkeyCurrentUser, path, name));
    }
  }
  ASSERT_GT(rows.size(), 32767u);
  rows.back().checked = false;
  const RepairReport r = RunRepair(rows, f.services);
  EXPECT_EQ(r.repaired, rows.size() - 1);
  EXPECT_EQ(f.Fixed(), std::to_string(rows.size() - 1));
  EXPECT_EQ(f.view.marks.size(), rows.size());
  EXPECT_EQ(f.view.marks[rows.size() - 1].colour, kBlue);
  EXPECT_EQ(f.view.marks[32768].text, "已修复");
  EXPECT_FALSE(f.Has(kHkeyCurrentUser, "Software\\Many\\999", "v38"));
  EXPECT_TRUE(f.Has(kHkeyCurrentUser, "Software\\Many\\999", "v39"));
}

TEST(RepairRun, PressingRepairAgainRepeatsTheRunWithoutDeletingMore) {
  RunFixture f;
  f.reg.SetString(kHkeyCurrentUser, kRun, "Tool", "C:\\Old\\tool.exe");
  const std::vector<RegErrorRow> rows = {f.Row(kHkeyCurrentUser, kRun, "Tool")};
  const RepairReport first = RunRepair(rows, f.services);
  const RepairReport second = RunRepair(rows, f.services);
  EXPECT_EQ(first.repaired, 1u);
  EXPECT_EQ(second.repaired, 1u) << "the value is still gone";
  EXPECT_EQ(f.disk.FileNames().size(), 2u) << "a second file, the first one kept";
  EXPECT_EQ(RunFixture::Body(*f.disk.File(second.backup.path)), "REGEDIT4\r\n")
      << "the second backup holds nothing: there is nothing left to delete";
}

}  // namespace
}  // namespace qm
