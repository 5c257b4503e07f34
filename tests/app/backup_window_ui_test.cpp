// The backup manager window under Wine/Xvfb: the real window over the
// RegBackups folder beside this test program, driven by real clicks, with
// the message service answering for the user. Restore goes through the
// prefix's ".reg" association, and without it through the registry editor
// itself, and the values really come back into the registry.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they rely on.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/form_restore_and_backup.h"
#include "platform/win32/handles.h"
#include "platform/win32/profile.h"
#include "platform/win32/registry_editor.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "repair/backup_seal.h"
#include "repair/backup_writer.h"
#include "repair/repair_run.h"
#include "repair/win32/backup_clock.h"
#include "repair/win32/backup_disk.h"
#include "repair/win32/code_page.h"
#include "scan/value_format.h"
#include "tests/support/window_harness.h"

namespace qm {
namespace {

using app::FormRestoreAndBackup;
using testing::ClickCentre;
using testing::ClickClient;
using testing::ItemText;
using testing::OpenWindow;
using testing::Pump;
using testing::PumpUntil;

namespace fs = std::filesystem;

std::string BackupFolder() {
  return BackupFolderPath(testing::ProgramFolderPath());
}
fs::path BackupDir() {
  return fs::path(win32::Widen(BackupFolder()));
}
std::string PathOf(std::string_view name) {
  return BackupFolder() + "\\" + std::string(name);
}

void PutFile(std::string_view name, std::string_view text = "REGEDIT4\r\n") {
  fs::create_directories(BackupDir());
  std::ofstream out(BackupDir() / win32::Widen(name), std::ios::binary);
  out << text;
}

bool Exists(std::string_view name) {
  return fs::exists(BackupDir() / win32::Widen(name));
}

void RemoveBackupFolder() {
  std::error_code ec;
  if (fs::exists(BackupDir(), ec)) {
    for (const auto& e : fs::directory_iterator(BackupDir(), ec)) {
      SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
  fs::remove_all(BackupDir(), ec);
}

struct Row {
  std::string id;
  std::string name;
  friend bool operator==(const Row&, const Row&) = default;
};

std::vector<Row> Rows(HWND list) {
  std::vector<Row> rows;
  const int n = ListView_GetItemCount(list);
  for (int i = 0; i < n; ++i) rows.push_back({ItemText(list, i, 0), ItemText(list, i, 1)});
  return rows;
}

std::vector<std::string> Ids(HWND list) {
  std::vector<std::string> ids;
  for (const Row& r : Rows(list)) ids.push_back(r.id);
  return ids;
}

std::set<std::string> Names(HWND list) {
  std::set<std::string> names;
  for (const Row& r : Rows(list)) names.insert(r.name);
  return names;
}

int Selected(HWND list) {
  return ListView_GetNextItem(list, -1, LVNI_SELECTED);
}

int RowOf(HWND list, std::string_view name) {
  const std::vector<Row> rows = Rows(list);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

// A real click on a row's file name.
void ClickRow(HWND list, int row) {
  RECT r{};
  ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
  ClickClient(list, r.left + 80, (r.top + r.bottom) / 2);
}

std::string Header(HWND list, int column) {
  wchar_t buf[64] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = buf;
  col.cchTextMax = 64;
  ListView_GetColumn(list, column, &col);
  return win32::Narrow(buf);
}

class BackupWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::InitWindowControls(); }
  void SetUp() override {
    RemoveBackupFolder();
    SetCursorPos(2, 2);
    // Restores go through the system's "open" and the prefix's ".reg" association.
    services_.shell_answer.reset();
  }
  void TearDown() override {
    testing::UnloadAllWindows();
    RemoveBackupFolder();
  }

  FormRestoreAndBackup* Open() {
    form_ = OpenWindow<FormRestoreAndBackup>();
    return form_;
  }
  HWND List() const { return form_->List(); }
  void Click(const char* command) { ClickCentre(form_->FindChild(command)); }

  testing::ServiceRecorder services_;
  FormRestoreAndBackup* form_ = nullptr;
};

using Texts = std::vector<std::string>;

TEST_F(BackupWindowTest, ListsTheBackupFilesNumberedWithTheFirstSelected) {
  PutFile("Backup (2010-7-7 7;33;11).reg");
  PutFile("Backup (2010-7-7 7;33;11) (2).reg");
  PutFile("Not a backup but named so.reg", "anything at all");
  PutFile("notes.txt");
  PutFile("notes.regx");
  PutFile("hidden.reg");
  SetFileAttributesW((BackupDir() / L"hidden.reg").c_str(), FILE_ATTRIBUTE_HIDDEN);
  fs::create_directories(BackupDir() / L"folder.reg");

  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Header(List(), 0), "ID");
  EXPECT_EQ(Header(List(), 1), "文件");
  EXPECT_EQ(Ids(List()), (Texts{"1", "2", "3"}));
  EXPECT_EQ(Names(List()), (std::set<std::string>{"Backup (2010-7-7 7;33;11).reg",
                                                  "Backup (2010-7-7 7;33;11) (2).reg",
                                                  "Not a backup but named so.reg"}));
  EXPECT_EQ(Selected(List()), 0);
  EXPECT_TRUE(services_.messages.empty());

  // A file written while the window is open shows after Refresh, and the
  // selection goes back to the first row.
  ClickRow(List(), 2);
  EXPECT_EQ(Selected(List()), 2);
  PutFile("Backup (2010-7-8 9;00;00).reg");
  EXPECT_EQ(Rows(List()).size(), 3u);
  Click("CommandRefresh");
  EXPECT_EQ(Ids(List()), (Texts{"1", "2", "3", "4"}));
  EXPECT_EQ(Names(List()).count("Backup (2010-7-8 9;00;00).reg"), 1u);
  EXPECT_EQ(Selected(List()), 0);
}

// The state column shows what each file's check line says, and Restore
// refuses a damaged file with a message instead of handing it over.
TEST_F(BackupWindowTest, ADamagedBackupIsMarkedAndNotRestored) {
  win32::Win32CodePage code_page;
  const std::vector<BackupEntry> one = {{"HKEY_CURRENT_USER\\A", {"v", kRegDword, {1, 0, 0, 0}}}};
  RegFileBytes file = BuildRegFile(one, code_page);
  SealBackup(file, one.size());
  std::string text(file.bytes.begin(), file.bytes.end());
  PutFile("Backup (2010-7-7 7;33;11).reg", text);
  text[text.find("dword:00000001") + 13] = '2';
  PutFile("Backup (2010-7-8 9;00;00).reg", text);
  PutFile("Backup (2010-7-9 9;00;00).reg");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Header(List(), 2), "状态");
  const Texts states = {ItemText(List(), 0, 2), ItemText(List(), 1, 2), ItemText(List(), 2, 2)};
  EXPECT_EQ(states, (Texts{"完好", "已损坏", "无法校验"}));

  // Restore refuses it with a message (BackupManager's test has the cases).
  ClickRow(List(), 1);
  Click("CommandRestore");
  EXPECT_TRUE(services_.opened.empty()) << "not handed to the registry editor";
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, DamagedBackupText(PathOf("Backup (2010-7-8 9;00;00).reg")));
}

// The three buttons keep the orange OfficeXp colours of their stored
// layout. With their own look nothing shows them, so each is switched to
// the flat OfficeXp look in the real window, which paints with them.
TEST_F(BackupWindowTest, ButtonsCarryTheirStoredOrangeColours) {
  ASSERT_NE(Open(), nullptr);
  for (const char* name : {"CommandRefresh", "CommandRestore", "CommandDelete"}) {
    SCOPED_TRACE(name);
    auto* command = form_->FindCommand(name);
    ASSERT_NE(command, nullptr);
    command->Button().SetButtonType(5);
    Pump(50);
    RECT rc{};
    GetClientRect(command->Handle(), &rc);
    const HDC image = command->ImageDc();
    EXPECT_EQ(GetPixel(image, 0, rc.bottom / 2), RGB(255, 128, 0)) << "the frame";
    EXPECT_EQ(GetPixel(image, 3, 3), RGB(255, 192, 128)) << "the fill";
  }
}

TEST_F(BackupWindowTest, WithoutABackupFolderRestoreAndDeleteSaySoAndTheListStaysEmpty) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Rows(List()).empty());
  EXPECT_TRUE(services_.messages.empty()) << "a missing folder is no message";
  Click("CommandRestore");
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, "没有备份文件可用于恢复。");
  EXPECT_EQ(services_.messages[0].style, 48u);
  EXPECT_TRUE(services_.opened.empty());
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 2u);
  EXPECT_EQ(services_.messages[1].text, "没有文件可删除。");
  EXPECT_EQ(services_.messages[1].style, 48u);
  EXPECT_TRUE(Rows(List()).empty());
  EXPECT_FALSE(fs::exists(BackupDir())) << "nothing creates the folder";
}

TEST_F(BackupWindowTest, DeleteAsksAboutTheSelectedFileAndRefillsAfterNoAndYes) {
  PutFile("a.reg");
  PutFile("b.reg");
  PutFile("c.reg");
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(Rows(List()).size(), 3u);
  const std::string second = Rows(List())[1].name;

  ClickRow(List(), 1);
  ASSERT_EQ(Selected(List()), 1);
  services_.answers = {IDNO};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, "确定要删除：" + PathOf(second) + "吗？");
  EXPECT_EQ(services_.messages[0].style, 36u);
  EXPECT_TRUE(Exists(second));
  EXPECT_EQ(Rows(List()).size(), 3u);
  EXPECT_EQ(Selected(List()), 0) << "refilled, the selection is back on the first row";

  ClickRow(List(), 1);
  services_.answers = {IDYES};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 2u);
  EXPECT_EQ(services_.messages[1].text, "确定要删除：" + PathOf(second) + "吗？");
  EXPECT_FALSE(Exists(second));
  EXPECT_EQ(Ids(List()), (Texts{"1", "2"})) << "renumbered";
  EXPECT_EQ(Names(List()).count(second), 0u);
  EXPECT_EQ(Selected(List()), 0);
}

TEST_F(BackupWindowTest, AClickBesideTheRowsLeavesDeleteOnTheRowLastChosen) {
  PutFile("a.reg");
  PutFile("b.reg");
  ASSERT_NE(Open(), nullptr);
  const int row = RowOf(List(), "b.reg");
  ClickRow(List(), row);
  RECT client{};
  GetClientRect(List(), &client);
  ClickClient(List(), client.right / 2, client.bottom - 20);  // below the rows
  EXPECT_EQ(Selected(List()), -1) << "the list view drops its selection";
  services_.answers = {IDNO};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, "确定要删除：" + PathOf("b.reg") + "吗？");
}

TEST_F(BackupWindowTest, DeleteReportsAFileItCannotRemoveOrThatIsGone) {
  PutFile("locked.reg");
  PutFile("gone.reg");
  SetFileAttributesW((BackupDir() / L"locked.reg").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(Open(), nullptr);

  ClickRow(List(), RowOf(List(), "locked.reg"));
  services_.answers = {IDYES};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 2u);
  const std::string& failed = services_.messages[1].text;
  EXPECT_EQ(failed.rfind("无法删除备份文件：" + PathOf("locked.reg") + "\n错误代码 ", 0), 0u)
      << failed;
  EXPECT_EQ(services_.messages[1].style, 48u);
  EXPECT_TRUE(Exists("locked.reg"));
  EXPECT_EQ(Rows(List()).size(), 2u);

  fs::remove(BackupDir() / L"gone.reg");
  ClickRow(List(), RowOf(List(), "gone.reg"));
  services_.answers = {IDYES};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 4u);
  EXPECT_EQ(services_.messages[3].text, "备份文件已不存在：" + PathOf("gone.reg"));
  EXPECT_EQ(Names(List()), (std::set<std::string>{"locked.reg"})) << "refilled";
}

TEST_F(BackupWindowTest, DeletePressedAgainWhileTheQuestionIsUpDeletesOnce) {
  PutFile("only.reg");
  PutFile("other.reg");
  ASSERT_NE(Open(), nullptr);
  ClickRow(List(), RowOf(List(), "only.reg"));
  // While the first question is up the user presses Delete again and
  // answers Yes there, then Yes to the first question. (The second press
  // lands a little aside: the same spot within the double-click time would
  // make it a double click, which is no click.)
  services_.during_message = [this] {
    const HWND del = form_->FindChild("CommandDelete");
    RECT r{};
    GetClientRect(del, &r);
    ClickClient(del, r.right / 2 + 20, r.bottom / 2 - 5);
  };
  services_.answers = {IDYES, IDYES};
  Click("CommandDelete");
  ASSERT_EQ(services_.messages.size(), 3u);
  EXPECT_EQ(services_.messages[0].text, "确定要删除：" + PathOf("only.reg") + "吗？");
  EXPECT_EQ(services_.messages[1].text, "确定要删除：" + PathOf("only.reg") + "吗？");
  EXPECT_EQ(services_.messages[2].text, "备份文件已不存在：" + PathOf("only.reg"));
  EXPECT_FALSE(Exists("only.reg"));
  EXPECT_TRUE(Exists("other.reg"));
  EXPECT_EQ(Names(List()), (std::set<std::string>{"other.reg"}));
}

TEST_F(BackupWindowTest, RestoreOfAVanishedFileSaysSoAndRefills) {
  PutFile("x.reg");
  PutFile("y.reg");
  ASSERT_NE(Open(), nullptr);
  ClickRow(List(), RowOf(List(), "y.reg"));
  fs::remove(BackupDir() / L"y.reg");
  Click("CommandRestore");
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, "备份文件已不存在：" + PathOf("y.reg"));
  EXPECT_EQ(services_.messages[0].style, 48u);
  EXPECT_TRUE(services_.opened.empty());
  EXPECT_EQ(Rows(List()), (std::vector<Row>{{"1", "x.reg"}}));
}

TEST_F(BackupWindowTest, RestoreThatNeitherTheShellNorTheEditorCanOpenSaysSo) {
  PutFile("x.reg");
  ASSERT_NE(Open(), nullptr);
  services_.shell_answer = SE_ERR_NOASSOC;
  std::vector<std::string> editor_files;
  form_->SetRegistryEditorRunner([&](std::string_view path) {
    editor_files.emplace_back(path);
    return std::uint32_t{ERROR_FILE_NOT_FOUND};
  });
  Click("CommandRestore");
  EXPECT_EQ(editor_files, (Texts{PathOf("x.reg")}));
  ASSERT_EQ(services_.messages.size(), 1u);
  const std::string& text = services_.messages[0].text;
  EXPECT_EQ(text.rfind("无法恢复备份文件：" + PathOf("x.reg") + "\n", 0), 0u) << text;
  EXPECT_NE(text.find("错误代码 31"), std::string::npos) << text;
  EXPECT_NE(text.find("错误代码 2）"), std::string::npos) << text;
  EXPECT_EQ(Rows(List()), (std::vector<Row>{{"1", "x.reg"}}));
}

// Values the repair deletes and the restore must bring back.
struct TestValue {
  std::wstring name;
  DWORD type;
  std::vector<BYTE> data;
};

constexpr wchar_t kTestKey[] = L"Software\\QuillmarBackupWindowTest";

std::vector<BYTE> Utf16Bytes(std::wstring_view s) {
  const auto* p = reinterpret_cast<const BYTE*>(s.data());
  return std::vector<BYTE>(p, p + s.size() * sizeof(wchar_t));
}

std::vector<TestValue> TestValues() {
  using namespace std::string_view_literals;
  return {
      {L"Orphan", REG_SZ, Utf16Bytes(L"C:\\QuillmarMissing\\orphan.exe\0"sv)},
      {L"Several", REG_MULTI_SZ, Utf16Bytes(L"C:\\QuillmarMissing\\a.dll\0second\0third\0\0"sv)},
  };
}

std::optional<std::pair<DWORD, std::vector<BYTE>>> ReadValue(const std::wstring& name) {
  win32::UniqueHKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size);
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return std::make_pair(type, data);
}

bool AllBack() {
  for (const TestValue& v : TestValues()) {
    const auto back = ReadValue(v.name);
    if (!back || back->first != v.type || back->second != v.data) return false;
  }
  return true;
}

bool AllGone() {
  for (const TestValue& v : TestValues()) {
    if (ReadValue(v.name)) return false;
  }
  return true;
}

class SilentRepairView final : public RepairView, public MessageService {
 public:
  void SetStatusText(std::string_view) override {}
  void SetRepairCount(std::string_view) override {}
  void MarkRow(std::size_t, std::string_view, RowColour) override {}
  void ColourRow(std::size_t, RowColour) override {}
  void Show(std::string_view text, int) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// Restoring touches the prefix's ".reg" association; this puts it back.
class AssociationGuard {
 public:
  AssociationGuard() {
    RegOpenKeyExW(HKEY_CLASSES_ROOT, L".reg", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key_.Put());
    if (key_) {
      wchar_t buf[128] = {};
      DWORD size = sizeof buf;
      if (RegQueryValueExW(key_.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                           &size) == ERROR_SUCCESS) {
        saved_ = buf;
      }
    }
  }
  void Remove() {
    if (key_) RegDeleteValueW(key_.Get(), nullptr);
  }
  ~AssociationGuard() {
    if (key_ && !saved_.empty()) {
      RegSetValueExW(key_.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                     static_cast<DWORD>((saved_.size() + 1) * sizeof(wchar_t)));
    }
  }
  [[nodiscard]] bool Present() const { return !saved_.empty(); }

 private:
  win32::UniqueHKey key_;
  std::wstring saved_;
};

class RestoreRoundTrip : public BackupWindowTest {
 protected:
  void SetUp() override {
    BackupWindowTest::SetUp();
    // A fresh profile: BackupBeforeFix never written means "back up".
    DeleteFileW(win32::Widen(ProfilePath(testing::ProgramFolderPath())).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    win32::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    for (const TestValue& v : TestValues()) {
      ASSERT_EQ(RegSetValueExW(key.Get(), v.name.c_str(), 0, v.type, v.data.data(),
                               static_cast<DWORD>(v.data.size())),
                ERROR_SUCCESS);
    }
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    DeleteFileW(win32::Widen(ProfilePath(testing::ProgramFolderPath())).c_str());
    BackupWindowTest::TearDown();
  }

  // The repair run over the test values, as the scan window runs it: it
  // backs them up into RegBackups beside this program and deletes them.
  std::string RepairWithBackup() {
    std::vector<RegErrorRow> rows;
    for (const TestValue& v : TestValues()) {
      const std::string name = win32::Narrow(v.name);
      const std::string key = win32::Narrow(kTestKey);
      rows.push_back({"VALUE VALUE", "HKEY_CURRENT_USER", key + "\\" + name,
                      FormatValueData(v.type, v.data.data(), v.data.size()), true, key, name});
    }
    win32::Win32RegistryEditor registry;
    win32::Win32Profile profile;
    win32::Win32BackupDisk disk;
    win32::Win32CodePage code_page;
    win32::SystemBackupClock clock;
    SilentRepairView view;
    RepairServices services{registry, profile, view, view,
                            BackupPlace{testing::ProgramFolderPath(), disk, code_page, clock}};
    const RepairReport report = RunRepair(rows, services);
    EXPECT_TRUE(report.backup_asked);
    EXPECT_TRUE(report.backup.ok());
    EXPECT_EQ(report.repaired, rows.size());
    EXPECT_TRUE(AllGone());
    const std::string path = report.backup.path;
    return path.substr(path.find_last_of('\\') + 1);
  }
};

TEST_F(RestoreRoundTrip, ThroughTheShellsAssociationTheValuesComeBack) {
  AssociationGuard association;
  ASSERT_TRUE(association.Present()) << "the test prefix associates .reg with regedit";
  const std::string name = RepairWithBackup();
  PutFile("another.reg");
  ASSERT_NE(Open(), nullptr);
  ASSERT_NE(RowOf(List(), name), -1);
  ClickRow(List(), RowOf(List(), name));
  Click("CommandRestore");
  ASSERT_EQ(services_.opened.size(), 1u);
  EXPECT_EQ(services_.opened[0], PathOf(name));
  EXPECT_GT(services_.open_answers[0], 32) << "the shell opened it";
  EXPECT_TRUE(PumpUntil(AllBack, 20000)) << "the editor imported the backup";
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_TRUE(Exists(name)) << "restoring keeps the file";
}

TEST_F(RestoreRoundTrip, WithoutAnAssociationTheRegistryEditorItselfRestores) {
  AssociationGuard association;
  const std::string name = RepairWithBackup();
  association.Remove();
  ASSERT_NE(Open(), nullptr);
  Click("CommandRestore");
  ASSERT_EQ(services_.opened.size(), 1u);
  EXPECT_EQ(services_.opened[0], PathOf(name));
  EXPECT_LE(services_.open_answers[0], 32) << "no association: the shell cannot open it";
  // The window waits for the editor it started.
  EXPECT_TRUE(AllBack());
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_EQ(Rows(List()), (std::vector<Row>{{"1", name}}));
}

}  // namespace
}  // namespace qm
