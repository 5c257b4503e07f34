// The backup manager's list rules and its Refresh, Restore and Delete,
// against a folder, an opener and a window that record what happens.
#include "repair/backup_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "repair/backup_list.h"
#include "repair/reg_file.h"

namespace qm {
namespace {

constexpr char kProgram[] = "C:\\Tools\\Quillmar";
constexpr char kFolder[] = "C:\\Tools\\Quillmar\\RegBackups";

std::string InFolder(std::string_view name) {
  return std::string(kFolder) + "\\" + std::string(name);
}

TEST(BackupList, CountsOnlyNormalFilesEndingInReg) {
  struct Case {
    FolderEntry entry;
    bool listed;
  };
  const Case cases[] = {
      {{"Backup (2010-7-7 7;33;11).reg"}, true},
      {{"Backup (2010-7-7 7;33;11) (2).reg"}, true},
      {{"OLD.REG"}, true},
      {{"mixed.Reg"}, true},
      {{".reg"}, true},
      {{"holds anything.reg"}, true},
      {{"notes.regx"}, false},  // matched by the system through its short name
      {{"backup.reg.txt"}, false},
      {{"reg"}, false},
      {{"areg"}, false},
      {{""}, false},
      {{"   "}, false},
      {{"folder.reg", true}, false},
      {{"hidden.reg", false, true}, false},
      {{"system.reg", false, false, true}, false},
      {{"device.reg", false, false, false, true}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsBackupFile(c.entry), c.listed) << "'" << c.entry.name << "'";
  }
}

// Whatever order the system lists them in, backups are numbered by the
// time their names give, oldest first; other names come before them.
TEST(BackupList, NumbersTheFilesByTheTimeInTheirNames) {
  using Names = std::vector<std::string>;
  struct Case {
    const char* what;
    std::vector<FolderEntry> listing;
    Names numbered;
  };
  const std::vector<Case> cases = {
      {"year first, a midnight and counters",
       {{"Backup (2026-12-10 10;00;00).reg"},
        {"Backup (2026-12-10 9;05;00) (10).reg"},
        {"Backup (2026-12-10 9;05;00).reg"},
        {"Backup (2026-12-10).reg"},
        {"Backup (2026-12-9 23;59;59).reg"},
        {"Backup (2026-12-10 9;05;00) (2).reg"}},
       {"Backup (2026-12-9 23;59;59).reg", "Backup (2026-12-10).reg",
        "Backup (2026-12-10 9;05;00).reg", "Backup (2026-12-10 9;05;00) (2).reg",
        "Backup (2026-12-10 9;05;00) (10).reg", "Backup (2026-12-10 10;00;00).reg"}},
      {"month first on a 12-hour clock",
       {{"Backup (1-2-2027 9;00;00 AM).reg"},
        {"Backup (12-10-2026 1;00;00 PM).reg"},
        {"Backup (12-10-2026 12;00;00 PM).reg"},
        {"Backup (12-10-2026 11;00;00 AM).reg"},
        {"Backup (12-10-2026 12;30;00 AM).reg"}},
       {"Backup (12-10-2026 12;30;00 AM).reg", "Backup (12-10-2026 11;00;00 AM).reg",
        "Backup (12-10-2026 12;00;00 PM).reg", "Backup (12-10-2026 1;00;00 PM).reg",
        "Backup (1-2-2027 9;00;00 AM).reg"}},
      {"day first, as a day above 12 shows",
       {{"Backup (13.12.2026 10;00;00).reg"},
        {"Backup (05.12.2026 10;00;00).reg"},
        {"Backup (12.05.2026 10;00;00).reg"}},
       {"Backup (12.05.2026 10;00;00).reg", "Backup (05.12.2026 10;00;00).reg",
        "Backup (13.12.2026 10;00;00).reg"}},
      {"上午 and 下午",
       {{"Backup (2026-12-10 下午 1;00;00).reg"}, {"Backup (2026-12-10 上午 11;00;00).reg"}},
       {"Backup (2026-12-10 上午 11;00;00).reg", "Backup (2026-12-10 下午 1;00;00).reg"}},
      {"names that give no time first, by their bytes; other files left out",
       {{"zeta.reg"},
        {"Backup (2026-12-10 9;00;00).reg"},
        {"Backup (tomorrow).reg"},
        {"sub.reg", true},
        {"Alpha.reg"},
        {"Backup (2026-12-10 9;00;00 Uhr).reg"},
        {"hidden.reg", false, true},
        {"readme.txt"}},
       {"Alpha.reg", "Backup (2026-12-10 9;00;00 Uhr).reg", "Backup (tomorrow).reg", "zeta.reg",
        "Backup (2026-12-10 9;00;00).reg"}},
  };
  for (const Case& c : cases) {
    Names numbered;
    for (const BackupRow& r : BuildBackupRows(c.listing)) {
      EXPECT_EQ(r.id, std::to_string(numbered.size() + 1)) << c.what;
      numbered.push_back(r.name);
    }
    EXPECT_EQ(numbered, c.numbered) << c.what;
  }
  EXPECT_TRUE(BuildBackupRows({}).empty());

  std::vector<FolderEntry> many;
  for (int i = 0; i < 40000; ++i) many.push_back({"f" + std::to_string(i) + ".reg"});
  const std::vector<BackupRow> long_list = BuildBackupRows(many);
  ASSERT_EQ(long_list.size(), 40000u);
  EXPECT_EQ(long_list.back().id, "40000");
}

TEST(BackupList, PathIsTheBackupFolderAndTheListedName) {
  EXPECT_EQ(BackupFilePath(kProgram, "Backup (2010-7-7 7;33;11).reg"),
            "C:\\Tools\\Quillmar\\RegBackups\\Backup (2010-7-7 7;33;11).reg");
  EXPECT_EQ(BackupFilePath("D:\\", "x.reg"), "D:\\RegBackups\\x.reg");
}

TEST(BackupList, ActsOnTheSelectedRowElseTheFocusedElseTheFirst) {
  EXPECT_EQ(RowToActOn(2, 0, 3), std::optional<std::size_t>(2));
  EXPECT_EQ(RowToActOn(-1, 1, 3), std::optional<std::size_t>(1));
  EXPECT_EQ(RowToActOn(-1, -1, 3), std::optional<std::size_t>(0));
  EXPECT_EQ(RowToActOn(5, 7, 3), std::optional<std::size_t>(0)) << "positions past the end";
  EXPECT_EQ(RowToActOn(-1, -1, 0), std::nullopt);
  EXPECT_EQ(RowToActOn(0, 0, 0), std::nullopt);
}

// A backup folder held in memory, listed in the order files were added.
class FakeFolder final : public BackupFolder {
 public:
  void Add(FolderEntry e) { entries_.push_back(std::move(e)); }
  void AddFile(std::string name) { Add({std::move(name)}); }
  void Lose(std::string_view name) {
    std::erase_if(entries_, [&](const FolderEntry& e) { return e.name == name; });
  }
  void FailRemove(std::string path, std::uint32_t error) {
    remove_errors_[std::move(path)] = error;
  }
  void SetExists(bool exists) { folder_exists_ = exists; }
  void SetBytes(std::string_view name, std::vector<std::uint8_t> bytes) {
    bytes_[InFolder(name)] = std::move(bytes);
  }

  [[nodiscard]] std::vector<FolderEntry> List(std::string_view folder) override {
    listed_.emplace_back(folder);
    return folder_exists_ ? entries_ : std::vector<FolderEntry>{};
  }
  [[nodiscard]] bool FileMissing(std::string_view path) override {
    return std::none_of(entries_.begin(), entries_.end(),
                        [&](const FolderEntry& e) { return InFolder(e.name) == path; });
  }
  [[nodiscard]] std::uint32_t Remove(std::string_view path) override {
    removed_.emplace_back(path);
    if (auto it = remove_errors_.find(std::string(path)); it != remove_errors_.end()) {
      return it->second;
    }
    if (FileMissing(path)) return 2;
    std::erase_if(entries_, [&](const FolderEntry& e) { return InFolder(e.name) == path; });
    return 0;
  }

  [[nodiscard]] std::uint32_t ReadWhole(std::string_view path,
                                        std::vector<std::uint8_t>& bytes) override {
    if (FileMissing(path)) return 2;
    const auto it = bytes_.find(std::string(path));
    bytes = it == bytes_.end() ? std::vector<std::uint8_t>{} : it->second;
    return 0;
  }

  std::vector<std::string> listed_;
  std::vector<std::string> removed_;

 private:
  std::map<std::string, std::vector<std::uint8_t>> bytes_;
  std::vector<FolderEntry> entries_;
  std::map<std::string, std::uint32_t> remove_errors_;
  bool folder_exists_ = true;
};

class FakeOpener final : public BackupOpener {
 public:
  [[nodiscard]] std::intptr_t OpenWithShell(std::string_view path) override {
    shell_.emplace_back(path);
    return shell_answer;
  }
  [[nodiscard]] std::uint32_t RunRegistryEditor(std::string_view path) override {
    editor_.emplace_back(path);
    if (while_editing) while_editing();
    return editor_error;
  }
  std::intptr_t shell_answer = 42;
  std::uint32_t editor_error = 0;
  std::function<void()> while_editing;
  std::vector<std::string> shell_;
  std::vector<std::string> editor_;
};

struct Shown {
  std::string text;
  int style;
};

class FakeView final : public BackupListView {
 public:
  void ShowRows(const std::vector<BackupRow>& rows) override {
    shown_.push_back(rows);
    selected = rows.empty() ? -1 : 0;
  }
  [[nodiscard]] std::optional<std::size_t> ActedRow() override {
    return RowToActOn(selected, -1, shown_.empty() ? 0 : shown_.back().size());
  }
  int Message(std::string_view text, int style) override {
    messages_.push_back({std::string(text), style});
    if (on_message) {
      auto f = std::exchange(on_message, nullptr);
      f();
    }
    if (answers.empty()) return 7;  // IDNO
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  [[nodiscard]] std::vector<std::string> Names() const {
    std::vector<std::string> names;
    if (!shown_.empty()) {
      for (const BackupRow& r : shown_.back()) names.push_back(r.id + " " + r.name);
    }
    return names;
  }

  long long selected = -1;
  std::deque<int> answers;
  std::function<void()> on_message;  // runs once inside the next message
  std::vector<std::vector<BackupRow>> shown_;
  std::vector<Shown> messages_;
};

class BackupManagerTest : public ::testing::Test {
 protected:
  BackupManagerTest() {
    folder_.AddFile("Backup (2010-7-7 7;33;11).reg");
    folder_.AddFile("Backup (2010-7-7 7;33;11) (2).reg");
    folder_.AddFile("Backup (2010-7-8 9;00;00).reg");
  }
  FakeFolder folder_;
  FakeOpener opener_;
  FakeView view_;
  BackupManager manager_{kProgram, folder_, opener_, view_};
};

using Names = std::vector<std::string>;

TEST_F(BackupManagerTest, RefreshListsTheBackupFolderBesideTheProgram) {
  manager_.Refresh();
  ASSERT_EQ(folder_.listed_, (Names{kFolder}));
  EXPECT_EQ(view_.Names(),
            (Names{"1 Backup (2010-7-7 7;33;11).reg", "2 Backup (2010-7-7 7;33;11) (2).reg",
                   "3 Backup (2010-7-8 9;00;00).reg"}));
  EXPECT_EQ(view_.selected, 0);

  folder_.SetExists(false);
  manager_.Refresh();
  EXPECT_TRUE(view_.Names().empty());
  EXPECT_TRUE(view_.messages_.empty()) << "a missing folder is no message";
}

TEST_F(BackupManagerTest, RestoreHandsTheSelectedFileToTheShellAndStops) {
  manager_.Refresh();
  view_.selected = 1;
  manager_.Restore();
  EXPECT_EQ(opener_.shell_, (Names{InFolder("Backup (2010-7-7 7;33;11) (2).reg")}));
  EXPECT_TRUE(opener_.editor_.empty());
  EXPECT_TRUE(view_.messages_.empty());
  EXPECT_EQ(view_.shown_.size(), 1u) << "a file handed over does not refill the list";
}

TEST_F(BackupManagerTest, RestoreWithoutAssociationGoesToTheEditorItself) {
  manager_.Refresh();
  opener_.shell_answer = 31;  // no program associated with ".reg"
  manager_.Restore();
  const std::string path = InFolder("Backup (2010-7-7 7;33;11).reg");
  EXPECT_EQ(opener_.shell_, (Names{path}));
  EXPECT_EQ(opener_.editor_, (Names{path}));
  EXPECT_TRUE(view_.messages_.empty());
  EXPECT_EQ(view_.shown_.size(), 1u);
}

TEST_F(BackupManagerTest, RestoreThatNeitherWayCanOpenSaysSoAndRefills) {
  manager_.Refresh();
  opener_.shell_answer = 31;
  opener_.editor_error = 2;
  manager_.Restore();
  ASSERT_EQ(view_.messages_.size(), 1u);
  const std::string& text = view_.messages_[0].text;
  EXPECT_EQ(view_.messages_[0].style, 48);
  EXPECT_NE(text.find(InFolder("Backup (2010-7-7 7;33;11).reg")), std::string::npos) << text;
  EXPECT_NE(text.find("31"), std::string::npos) << text;
  EXPECT_NE(text.find("错误代码 2"), std::string::npos) << text;
  EXPECT_EQ(view_.shown_.size(), 2u);
}

TEST_F(BackupManagerTest, RestoreOfAVanishedFileSaysSoAndRefills) {
  manager_.Refresh();
  folder_.Lose("Backup (2010-7-7 7;33;11).reg");
  manager_.Restore();
  EXPECT_TRUE(opener_.shell_.empty());
  EXPECT_TRUE(opener_.editor_.empty());
  ASSERT_EQ(view_.messages_.size(), 1u);
  EXPECT_EQ(view_.messages_[0].text,
            "备份文件已不存在：" + InFolder("Backup (2010-7-7 7;33;11).reg"));
  EXPECT_EQ(view_.Names(),
            (Names{"1 Backup (2010-7-7 7;33;11) (2).reg", "2 Backup (2010-7-8 9;00;00).reg"}));
}

// Each row says what its file's check line says; Restore refuses a
// damaged file, looked at again when Restore is pressed.
TEST_F(BackupManagerTest, MarksDamagedFilesAndRestoreRefusesThem) {
  Windows1252CodePage cp;
  const std::vector<BackupEntry> one = {{"HKEY_CURRENT_USER\\A", {"v", kRegDword, {1, 0, 0, 0}}}};
  RegFileBytes file = BuildRegFile(one, cp);
  SealBackup(file, one.size());
  folder_.SetBytes("Backup (2010-7-7 7;33;11).reg", file.bytes);
  std::vector<std::uint8_t> damaged = file.bytes;
  damaged[std::string(damaged.begin(), damaged.end()).find("dword:00000001") + 13] = '2';
  folder_.SetBytes("Backup (2010-7-7 7;33;11) (2).reg", damaged);
  manager_.Refresh();
  std::vector<std::string> states;
  for (const BackupRow& r : view_.shown_.back()) states.push_back(r.state);
  EXPECT_EQ(states, (Names{"完好", "已损坏", "无法校验"}));

  view_.selected = 1;
  manager_.Restore();
  EXPECT_TRUE(opener_.shell_.empty());
  EXPECT_TRUE(opener_.editor_.empty());
  ASSERT_EQ(view_.messages_.size(), 1u);
  EXPECT_EQ(view_.messages_[0].text,
            DamagedBackupText(InFolder("Backup (2010-7-7 7;33;11) (2).reg")));
  EXPECT_EQ(view_.messages_[0].style, 48);

  folder_.SetBytes("Backup (2010-7-7 7;33;11).reg", damaged);  // damaged since the listing
  view_.selected = 0;
  manager_.Restore();
  EXPECT_TRUE(opener_.shell_.empty());
  EXPECT_EQ(view_.messages_.size(), 2u);
  view_.selected = 2;  // no check line: handed over as before
  manager_.Restore();
  EXPECT_EQ(opener_.shell_, (Names{InFolder("Backup (2010-7-8 9;00;00).reg")}));
}

// The file goes while the shell looks at it (the shell answers "not
// found"): the editor is not started on a file that is not there.
class LosingOpener final : public BackupOpener {
 public:
  explicit LosingOpener(FakeFolder& folder) : folder_(folder) {}
  [[nodiscard]] std::intptr_t OpenWithShell(std::string_view) override {
    folder_.Lose("x.reg");
    return 2;
  }
  [[nodiscard]] std::uint32_t RunRegistryEditor(std::string_view) override {
    ++editor_runs;
    return 0;
  }
  int editor_runs = 0;

 private:
  FakeFolder& folder_;
};

TEST(BackupManager, RestoreOfAFileThatVanishesUnderTheShellSaysSo) {
  FakeFolder folder;
  folder.AddFile("x.reg");
  LosingOpener opener(folder);
  FakeView view;
  BackupManager manager(kProgram, folder, opener, view);
  manager.Refresh();
  manager.Restore();
  EXPECT_EQ(opener.editor_runs, 0);
  ASSERT_EQ(view.messages_.size(), 1u);
  EXPECT_EQ(view.messages_[0].text, "备份文件已不存在：" + InFolder("x.reg"));
  EXPECT_TRUE(view.Names().empty()) << "refilled";
}

TEST_F(BackupManagerTest, RestoreIsIgnoredWhileTheEditorItStartedIsOpen) {
  manager_.Refresh();
  opener_.shell_answer = 31;
  opener_.while_editing = [this] { manager_.Restore(); };
  manager_.Restore();
  EXPECT_EQ(opener_.editor_.size(), 1u);
  EXPECT_EQ(opener_.shell_.size(), 1u);
  opener_.while_editing = nullptr;
  manager_.Restore();
  EXPECT_EQ(opener_.editor_.size(), 2u) << "the guard ends with the editor";
}

TEST(BackupManager, EmptyListMessages) {
  FakeFolder folder;
  FakeOpener opener;
  FakeView view;
  BackupManager manager(kProgram, folder, opener, view);
  manager.Refresh();
  manager.Restore();
  ASSERT_EQ(view.messages_.size(), 1u);
  EXPECT_EQ(view.messages_[0].text, "没有备份文件可用于恢复。");
  EXPECT_EQ(view.messages_[0].style, 48);
  EXPECT_EQ(view.shown_.size(), 1u) << "Restore on an empty list does not refill";
  EXPECT_TRUE(opener.shell_.empty());

  manager.Delete();
  ASSERT_EQ(view.messages_.size(), 2u);
  EXPECT_EQ(view.messages_[1].text, "没有文件可删除。");
  EXPECT_EQ(view.messages_[1].style, 48);
  EXPECT_EQ(view.shown_.size(), 2u) << "Delete refills even an empty list";
  EXPECT_TRUE(folder.removed_.empty());
}

TEST_F(BackupManagerTest, DeleteAsksAboutTheFullPathAndNoKeepsTheFile) {
  manager_.Refresh();
  view_.selected = 2;
  view_.answers = {7};
  manager_.Delete();
  ASSERT_EQ(view_.messages_.size(), 1u);
  EXPECT_EQ(view_.messages_[0].text,
            "确定要删除：" + InFolder("Backup (2010-7-8 9;00;00).reg") + "吗？");
  EXPECT_EQ(view_.messages_[0].style, 36);
  EXPECT_TRUE(folder_.removed_.empty());
  EXPECT_EQ(view_.shown_.size(), 2u);
  EXPECT_EQ(view_.selected, 0) << "the refill puts the selection on the first row";
}

TEST_F(BackupManagerTest, DeleteYesRemovesTheFileAndRenumbers) {
  manager_.Refresh();
  view_.selected = 1;
  view_.answers = {6};
  manager_.Delete();
  EXPECT_EQ(folder_.removed_, (Names{InFolder("Backup (2010-7-7 7;33;11) (2).reg")}));
  EXPECT_EQ(view_.messages_.size(), 1u);
  EXPECT_EQ(view_.Names(),
            (Names{"1 Backup (2010-7-7 7;33;11).reg", "2 Backup (2010-7-8 9;00;00).reg"}));
}

TEST_F(BackupManagerTest, DeleteThatFailsSaysWhyAndRefills) {
  manager_.Refresh();
  const std::string path = InFolder("Backup (2010-7-7 7;33;11).reg");
  folder_.FailRemove(path, 5);
  view_.answers = {6};
  manager_.Delete();
  ASSERT_EQ(view_.messages_.size(), 2u);
  EXPECT_EQ(view_.messages_[1].text, "无法删除备份文件：" + path + "\n错误代码 5。");
  EXPECT_EQ(view_.messages_[1].style, 48);
  EXPECT_EQ(view_.shown_.size(), 2u);
  EXPECT_EQ(view_.Names().size(), 3u) << "the file is still there and still listed";
}

TEST_F(BackupManagerTest, DeletePressedAgainWhileAskingDeletesOnceAndReportsTheSecond) {
  manager_.Refresh();
  const std::string first = InFolder("Backup (2010-7-7 7;33;11).reg");
  // While the first question is up the user presses Delete again and
  // answers Yes there; then answers Yes to the first question too.
  view_.on_message = [this] { manager_.Delete(); };
  view_.answers = {6, 6};
  manager_.Delete();
  ASSERT_EQ(view_.messages_.size(), 3u);
  EXPECT_EQ(view_.messages_[0].text, "确定要删除：" + first + "吗？");
  EXPECT_EQ(view_.messages_[1].text, "确定要删除：" + first + "吗？");
  EXPECT_EQ(view_.messages_[2].text, "备份文件已不存在：" + first);
  EXPECT_EQ(folder_.removed_, (Names{first, first}));
  EXPECT_EQ(view_.Names(),
            (Names{"1 Backup (2010-7-7 7;33;11) (2).reg", "2 Backup (2010-7-8 9;00;00).reg"}));
}

}  // namespace
}  // namespace qm
