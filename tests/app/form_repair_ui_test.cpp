// The scan window driven as a user drives it, under Wine: the scan starts by
// itself, lists a missing program left in the registry, can be stopped,
// refuses to close while scanning, and repairs with a backup that restores.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

#include "app/form_repair.h"
#include "platform/memory_registry.h"
#include "platform/win32/profile.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/snapshot_registry.h"
#include "profile/profile_store.h"
#include "shell/app_urls.h"
#include "testing/memory_file_system.h"
#include "tests/platform/win32_test_tree.h"
#include "tests/support/window_harness.h"

namespace qm::app {
namespace {

using namespace qm::shell;
using namespace qm::testing;

std::string Caption(const Form& f, std::string_view name) {
  const auto* label = static_cast<const Label*>(f.FindElement(name));
  return label == nullptr ? "<none>" : label->Caption();
}

// The row of the list whose value column holds `value`, or -1.
int FindRow(HWND list, std::string_view value) {
  return qm::testing::FindRow(list, 3, value);
}

// Runs `tick` every 20 ms from inside the message pump, which is where the
// scan window's handlers run while the scan yields.
class DuringScan {
 public:
  explicit DuringScan(std::function<void()> tick) {
    Current() = std::move(tick);
    id_ = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
      if (Current()) Current()();
    });
  }
  ~DuringScan() {
    KillTimer(nullptr, id_);
    Current() = nullptr;
  }

 private:
  static std::function<void()>& Current() {
    static std::function<void()> tick;
    return tick;
  }
  UINT_PTR id_ = 0;
};

// A click as the mouse gives it, posted so that it arrives during a yield;
// or, `at_once`, handled now, from inside the pump that runs the timer: while
// a snapshot is being read, the click then lands in that very wait and not,
// after the snapshot is done, in the walk's.
void PostClick(HWND button, bool at_once = false) {
  RECT r{};
  GetClientRect(button, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  for (const auto& [msg, wp] : {std::pair<UINT, WPARAM>{WM_MOUSEMOVE, 0},
                                {WM_LBUTTONDOWN, MK_LBUTTON},
                                {WM_LBUTTONUP, 0}}) {
    if (at_once) {
      SendMessageW(button, msg, wp, at);
    } else {
      PostMessageW(button, msg, wp, at);
    }
  }
}

// How many of a grid of sample points of the window are near black.
int DarkSamples(HWND hwnd) {
  ScreenShot shot(hwnd);
  int dark = 0;
  for (int y = 0; y < kClientHeight; y += 16) {
    for (int x = 0; x < kClientWidth; x += 16) {
      const COLORREF c = shot.At(x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 60) ++dark;
    }
  }
  return dark;
}

// How many pixels of a row's first column (its status text) are of the
// given strong colour, as the screen shows them.
int ColouredPixelsInRowStatus(HWND list, int row, bool red) {
  ListView_EnsureVisible(list, row, FALSE);
  UpdateWindow(list);
  Pump(100);
  RECT rc{};
  ListView_GetSubItemRect(list, row, 0, LVIR_LABEL, &rc);
  POINT at{rc.left, rc.top};
  ClientToScreen(list, &at);
  const ScreenShot shot(at.x, at.y, rc.right - rc.left, rc.bottom - rc.top);
  int n = 0;
  for (int y = 0; y < rc.bottom - rc.top; ++y) {
    for (int x = 0; x < rc.right - rc.left; ++x) {
      const COLORREF c = shot.At(x, y);
      const int strong = red ? GetRValue(c) : GetBValue(c);
      const int other = std::max<int>(red ? GetBValue(c) : GetRValue(c), GetGValue(c));
      if (strong > 150 && other < 90) ++n;
    }
  }
  return n;
}

bool ValueExists(const std::string& key, const wchar_t* name) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(key).c_str(), 0, KEY_READ, &k) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool found = RegQueryValueExW(k, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(k);
  return found;
}

class FormRepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_urls_ = AppUrls();
    AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";  // fails at once
    tree_.SetString("Run", L"QmGone", L"\"C:\\qm-ui-gone\\tool.exe\" /tray");
    folder_ = win32::ProgramFolder().value_or(".");
    std::filesystem::remove(win32::Widen(ProfilePath(folder_)));
    MoveTo(2, 2);
  }
  void TearDown() override {
    if (form_ != nullptr && IsWindow(hwnd_)) form_->Unload();
    Pump(50);
    AppUrls() = saved_urls_;
  }

  // Loads and shows the scan window as the main window does, without the
  // modal loop: the test pumps the messages itself.
  void Open(CategorySet categories = CategorySet::All()) {
    auto form = std::make_unique<FormRepair>();
    form->SetCategories(categories);
    form_ = static_cast<FormRepair*>(LoadForm(std::move(form)));
    ASSERT_NE(form_, nullptr);
    hwnd_ = form_->Handle();
    form_->SetLeft(120);
    form_->SetTop(100);
    form_->Show();
  }
  bool Finished() {
    return !form_->Session().Walking() && Caption(*form_, "lblCurrentKey") != "无";
  }
  HWND Button(const char* name) { return form_->FindChild(name); }
  void Click(const char* name) {
    RECT r{};
    GetWindowRect(Button(name), &r);
    ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  std::string Profile(std::string_view key) {
    win32::Win32Profile profile;
    return ReadIniValue(profile, ProfilePath(folder_), kRecordsSection, key);
  }

  qm::testing::TestRegistryTree tree_{"ui"};
  ServiceRecorder services_;
  Urls saved_urls_;
  std::string folder_;
  FormRepair* form_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(FormRepairTest, TheScanStartsByItselfAndListsTheMissingProgramTicked) {
  bool saw_walking = false;
  int dark_during_scan = -1;
  DuringScan watch([&] {
    if (!form_->Session().Walking()) return;
    if (saw_walking && dark_during_scan < 0) dark_during_scan = DarkSamples(hwnd_);
    saw_walking = true;
  });
  Open();
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 120000));
  EXPECT_TRUE(saw_walking) << "the scan starts about 100 ms after the window opens, by itself";
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "扫描结束。");

  const HWND list = form_->List();
  const int row = FindRow(list, "\"C:\\qm-ui-gone\\tool.exe\" /tray");
  ASSERT_GE(row, 0);
  EXPECT_EQ(ItemText(list, row, 0), "VALUE VALUE");
  EXPECT_EQ(ItemText(list, row, 1), "HKEY_CURRENT_USER");
  EXPECT_EQ(ItemText(list, row, 2), tree_.Path("Run") + "\\QmGone");
  const int rows = ListView_GetItemCount(list);
  EXPECT_EQ(Caption(*form_, "lblStatus"), std::to_string(rows));
  // Every row is ticked but the system's own settings (Wine's paging file).
  int marked = 0;
  for (int i = 0; i < rows; ++i) {
    const bool system = ItemText(list, i, 0) == "系统设置";
    marked += system ? 1 : 0;
    EXPECT_EQ(form_->RowChecked(static_cast<std::size_t>(i)), !system) << ItemText(list, i, 2);
  }
  EXPECT_GE(marked, 1);
  EXPECT_EQ(Profile(kErrorCountKey), std::to_string(rows)) << "a scan run to its end is recorded";

  // What the user sees, during the scan and after it: the skin, not an
  // unpainted window.
  const int samples = (kClientWidth / 16) * (kClientHeight / 16);
  EXPECT_GE(dark_during_scan, 0);
  EXPECT_LT(dark_during_scan, samples / 4) << "the window is painted while the scan runs";
  EXPECT_LT(DarkSamples(hwnd_), samples / 4) << "the window is painted after the scan";
}

// The main window's choice reaches the scan: a cleared box leaves out
// exactly the rows the list shows under its category.
TEST_F(FormRepairTest, AClearedCategoryLeavesOutExactlyItsRows) {
  const std::wstring run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring gone = L"C:\\qm-ui-gone\\start.exe";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, run.c_str(), L"QmUiStartup", REG_SZ, gone.c_str(),
                            static_cast<DWORD>((gone.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const auto rows_of = [&](CategorySet categories) {
    Open(categories);
    EXPECT_TRUE(PumpUntil([&] { return Finished(); }, 120000));
    std::multiset<std::string> rows;
    const HWND list = form_->List();
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      rows.insert(ItemText(list, i, 4) + "|" + ItemText(list, i, 2));
    }
    form_->Unload();
    Pump(50);
    return rows;
  };
  const std::multiset<std::string> all = rows_of(CategorySet::All());
  CategorySet no_startup = CategorySet::All();
  no_startup.Set(Category::kStartup, false);
  const std::multiset<std::string> cleared = rows_of(no_startup);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(), L"QmUiStartup");

  EXPECT_EQ(all.count("开机自启动|Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QmUiStartup"),
            1u);
  std::multiset<std::string> expected;
  for (const std::string& row : all) {
    if (row.rfind("开机自启动|", 0) != 0) expected.insert(row);
  }
  EXPECT_EQ(cleared, expected);
}

TEST_F(FormRepairTest, ReturnIsRefusedWhileScanningAndStopWritesTheFigures) {
  int step = 0;
  bool open_after_return = false;
  DuringScan script([&] {
    if (!form_->Session().Walking()) return;
    if (step == 0) {
      PostClick(Button("CommandReturn"));
      step = 1;
    } else if (step == 1 && !services_.messages.empty()) {
      open_after_return = IsWindow(hwnd_) != FALSE;
      PostClick(Button("CommandStop"));
      step = 2;
    }
  });
  Open();
  ASSERT_TRUE(PumpUntil([&] { return step == 2 && Finished(); }, 60000));
  ASSERT_FALSE(services_.messages.empty());
  EXPECT_EQ(services_.messages.front().text, "请停止扫描后再退出。");
  EXPECT_EQ(services_.messages.front().style, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_TRUE(open_after_return) << "the window stays open";
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "扫描被中止。");
  EXPECT_EQ(Profile(kErrorCountKey), Caption(*form_, "lblStatus"));
  EXPECT_FALSE(Profile(kLastScanTimeKey).empty());

  Click("CommandReturn");
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd_); }, 2000)) << "after the stop it closes";
  form_ = nullptr;
}

// The snapshot files of this process's scans in the temporary folder.
std::vector<std::wstring> SnapshotFiles() {
  wchar_t dir[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, dir);
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW((std::wstring(dir) + L"quillmar-snapshot-*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.push_back(found.cFileName);
  while (FindNextFileW(h, &found));
  FindClose(h);
  return out;
}

TEST_F(FormRepairTest, StopWhileASnapshotIsReadEndsTheScanCleanly) {
  const std::vector<std::wstring> files_before = SnapshotFiles();
  std::string shown;
  DuringScan script([&] {
    if (!shown.empty() || !form_->TakingSnapshot()) return;
    shown = Caption(*form_, "lblCurrentKey");
    PostClick(Button("CommandStop"), true);
  });
  Open();
  ASSERT_TRUE(PumpUntil([&] { return !shown.empty() && Finished(); }, 60000));
  EXPECT_EQ(shown, "正在读取注册表快照…");
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "扫描被中止。");
  EXPECT_TRUE(IsWindowEnabled(Button("CommandStart")));
  EXPECT_FALSE(IsWindowEnabled(Button("CommandStop")));
  EXPECT_FALSE(form_->TakingSnapshot());
  bool cancelled = false;
  for (const RegRoot& r : kRegRoots) {
    cancelled = cancelled || form_->Snapshots()->SnapshotStatus(r.handle) == ERROR_CANCELLED;
  }
  EXPECT_TRUE(cancelled) << "the Stop cancelled the snapshot being read";
  EXPECT_EQ(SnapshotFiles(), files_before) << "no snapshot file is left";
  EXPECT_EQ(Profile(kErrorCountKey), Caption(*form_, "lblStatus"));

  Click("CommandReturn");
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd_); }, 2000)) << "after the stop it closes";
  form_ = nullptr;
}

TEST_F(FormRepairTest, RepairBacksUpDeletesAndMarksTheRow) {
  win32::Win32Profile profile;
  ASSERT_TRUE(
      WriteIniValue(profile, ProfilePath(folder_), kSettingsSection, kBackupBeforeFixKey, "1"));
  Open();
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 120000));
  const HWND list = form_->List();
  const int row = FindRow(list, "\"C:\\qm-ui-gone\\tool.exe\" /tray");
  ASSERT_GE(row, 0);
  // Only our row is repaired: every other mark is cleared first.
  for (int i = 0; i < ListView_GetItemCount(list); ++i) ListView_SetCheckState(list, i, i == row);

  Click("CommandRepair");
  ASSERT_TRUE(PumpUntil([&] { return services_.messages.size() >= 2; }, 10000));
  EXPECT_EQ(services_.messages[0].text.rfind("Backup file:", 0), 0u);
  EXPECT_EQ(services_.messages[1].text, "1 个错误已修复。");
  EXPECT_EQ(ItemText(list, row, 0), "已修复");
  // The list's custom draw colours the status: red for the repaired row,
  // blue for the rows left alone.
  EXPECT_GT(ColouredPixelsInRowStatus(list, row, true), 0);
  EXPECT_EQ(ColouredPixelsInRowStatus(list, row, false), 0);
  if (ListView_GetItemCount(list) > 1) {
    const int other = row == 0 ? 1 : 0;
    EXPECT_GT(ColouredPixelsInRowStatus(list, other, false), 0);
    EXPECT_EQ(ColouredPixelsInRowStatus(list, other, true), 0);
  }
  EXPECT_EQ(Caption(*form_, "RepairCount"), "1");
  EXPECT_FALSE(ValueExists(tree_.Path("Run"), L"QmGone"));
  EXPECT_EQ(Profile(kFixedCountKey), "1");
  const std::string backup = services_.messages[0].text.substr(12);
  EXPECT_TRUE(std::filesystem::exists(win32::Widen(backup)));
  std::filesystem::remove(win32::Widen(backup));
}

}  // namespace
}  // namespace qm::app

namespace qm::app {
namespace {

using namespace qm::shell;
using namespace qm::testing;

// A provider that fails like a broken registry after some calls.
class FaultyRegistry final : public RegistryReader {
 public:
  FaultyRegistry(MemoryRegistry& inner, int fail_at) : inner_(inner), fail_at_(fail_at) {}
  RegStatus OpenKey(RegKey p, std::string_view s, RegKey* o) override {
    if (on_open) on_open();
    return inner_.OpenKey(p, s, o);
  }
  RegStatus EnumKey(RegKey k, std::uint32_t i, std::string& n) override {
    if (fail_at_ > 0 && ++calls_ == fail_at_) throw std::runtime_error("registry fault");
    return inner_.EnumKey(k, i, n);
  }
  RegStatus EnumValue(RegKey k, std::uint32_t i, RegValue& v) override {
    return inner_.EnumValue(k, i, v);
  }
  void CloseKey(RegKey k) override { inner_.CloseKey(k); }

  // Runs inside the walk before every open.
  std::function<void()> on_open;

 private:
  MemoryRegistry& inner_;
  int fail_at_;
  int calls_ = 0;
};

class InMemoryScanWindowTest : public ::testing::Test {
 protected:
  InMemoryScanWindowTest() {
    fs_.AddFile("C:\\Present\\ok.exe");
    reg_.SetString(kHkeyCurrentUser, "Software\\Run", "gone", "\"C:\\Gone\\a.exe\" /x");
    reg_.SetString(kHkeyCurrentUser, "Software\\Run", "ok", "C:\\Present\\ok.exe");
    for (int i = 0; i < 3000; ++i)
      reg_.CreateKey(kHkeyLocalMachine, "Software\\Many\\K" + std::to_string(i));
    saved_urls_ = AppUrls();
    AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
  }
  ~InMemoryScanWindowTest() override {
    if (form_ != nullptr && IsWindow(hwnd_)) form_->Unload();
    Pump(50);
    AppUrls() = saved_urls_;
  }
  void Open(RegistryReader& registry) {
    form_ = static_cast<FormRepair*>(LoadForm(std::make_unique<FormRepair>(registry, fs_)));
    ASSERT_NE(form_, nullptr);
    hwnd_ = form_->Handle();
    form_->Show();
  }
  bool Finished() {
    return !form_->Session().Walking() && Caption(*form_, "lblCurrentKey") != "无";
  }

  MemoryRegistry reg_;
  MemoryFileSystem fs_{"C:\\Windows\\System32"};
  ServiceRecorder services_;
  Urls saved_urls_;
  FormRepair* form_ = nullptr;
  HWND hwnd_ = nullptr;
};

TEST_F(InMemoryScanWindowTest, AFailedSearchShowsItsCodeAndKeepsItsRowsTicked) {
  FaultyRegistry faulty(reg_, 200);
  Open(faulty);
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 60000));
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "错误：51");
  const HWND list = form_->List();
  ASSERT_EQ(ListView_GetItemCount(list), 1) << "the row found before the fault stays";
  EXPECT_TRUE(form_->RowChecked(0));
  EXPECT_TRUE(IsWindowEnabled(form_->FindChild("CommandStart")));
  EXPECT_EQ(reg_.OpenHandles(), 0u);
}

TEST_F(InMemoryScanWindowTest, ManyRowsAreAllListedCountedAndTickedWhenTheScanEnds) {
  // Rows reach the list in batches during the walk; none may be lost,
  // doubled or left unticked at the end, and the count follows them.
  for (int i = 0; i < 2500; ++i) {
    reg_.SetString(kHkeyLocalMachine, "Software\\Many\\K" + std::to_string(i % 3000), "cmd",
                   "\"C:\\Gone\\tool" + std::to_string(i) + ".exe\" /run");
  }
  Open(reg_);
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 60000));
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "扫描结束。");
  const HWND list = form_->List();
  ASSERT_EQ(ListView_GetItemCount(list), 2501);
  EXPECT_EQ(Caption(*form_, "lblStatus"), "2501");
  std::set<std::string> values;
  for (int i = 0; i < 2501; ++i) {
    values.insert(ItemText(list, i, 3));
    EXPECT_TRUE(form_->RowChecked(static_cast<std::size_t>(i))) << i;
  }
  EXPECT_EQ(values.size(), 2501u);
  EXPECT_EQ(values.count("\"C:\\Gone\\tool2499.exe\" /run"), 1u);
  EXPECT_EQ(form_->Session().Rows().Count(), 2501u);
}

// Where a row's check box is drawn, in the list's client coordinates.
RECT CheckBoxRect(HWND list, int row) {
  RECT item{};
  RECT label{};
  ListView_GetItemRect(list, row, &item, LVIR_BOUNDS);
  ListView_GetSubItemRect(list, row, 0, LVIR_LABEL, &label);
  return {item.left, item.top, label.left, item.bottom};
}

// How many pixels of a row's check box are dark: the tick is drawn dark.
int DarkPixelsInCheckBox(HWND list, int row) {
  UpdateWindow(list);
  Pump(100);
  const RECT box = CheckBoxRect(list, row);
  POINT at{box.left, box.top};
  ClientToScreen(list, &at);
  const ScreenShot shot(at.x, at.y, box.right - box.left, box.bottom - box.top);
  int n = 0;
  for (int y = 0; y < box.bottom - box.top; ++y) {
    for (int x = 0; x < box.right - box.left; ++x) {
      const COLORREF c = shot.At(x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 150) ++n;
    }
  }
  return n;
}

TEST_F(InMemoryScanWindowTest, TheMouseAndSpaceTickTheRowsThemselvesAndTheBoxesShowThem) {
  reg_.SetString(kHkeyCurrentUser, "Software\\Run", "gone2", "\"C:\\Gone\\b.exe\" /y");
  Open(reg_);
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 60000));
  const HWND list = form_->List();
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  const auto& rows = form_->Session().Rows().Rows();
  const auto marks = [&] {
    return std::to_string(rows[0].checked) + std::to_string(rows[1].checked) +
           std::to_string(form_->RowChecked(0)) + std::to_string(form_->RowChecked(1));
  };
  ASSERT_EQ(marks(), "1111");
  const int ticked_dark = DarkPixelsInCheckBox(list, 0);

  // A click on row 0's box clears its mark, in the rows and on the screen.
  const RECT box = CheckBoxRect(list, 0);
  LVHITTESTINFO hit{{(box.left + box.right) / 2, (box.top + box.bottom) / 2}, 0, -1, 0, 0};
  ASSERT_GE(ListView_SubItemHitTest(list, &hit), 0);
  ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
  ClickClient(list, hit.pt.x, hit.pt.y);
  EXPECT_EQ(marks(), "0101");
  EXPECT_LT(DarkPixelsInCheckBox(list, 0), ticked_dark) << "the box is drawn empty";
  EXPECT_EQ(DarkPixelsInCheckBox(list, 1), ticked_dark) << "the other box stays ticked";

  // The keyboard: a click on row 1's text selects it, space clears its
  // mark, the up arrow selects row 0 and space ticks it again.
  RECT label{};
  ListView_GetSubItemRect(list, 1, 2, LVIR_LABEL, &label);
  ClickClient(list, (label.left + label.right) / 2, (label.top + label.bottom) / 2);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
  EXPECT_EQ(marks(), "0101") << "a click beside the box leaves the marks";
  Key(VK_SPACE);
  EXPECT_EQ(marks(), "0000");
  Key(VK_UP);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
  Key(VK_SPACE);
  EXPECT_EQ(marks(), "1010");
  EXPECT_EQ(DarkPixelsInCheckBox(list, 0), ticked_dark);
}

TEST_F(InMemoryScanWindowTest, StartAgainEmptiesTheListAndCloseRequestsWaitForTheScan) {
  // The close request is posted from inside the second walk, with most of
  // its keys still ahead and time for the window's next look at its
  // messages, so it always arrives while the walk runs.
  FaultyRegistry registry(reg_, 0);
  int step = 0;
  int opens = 0;
  registry.on_open = [&] {
    if (step != 1 || ++opens != 10) return;
    // The system's close request (Alt+F4) is refused like Return.
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    Sleep(50);
    step = 2;
  };
  Open(registry);
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 60000));
  const HWND list = form_->List();
  ASSERT_EQ(ListView_GetItemCount(list), 1);
  ListView_SetCheckState(list, 0, FALSE);

  step = 1;
  PostClick(form_->FindChild("CommandStart"));
  ASSERT_TRUE(PumpUntil([&] { return step == 2 && Finished(); }, 60000));
  EXPECT_EQ(Caption(*form_, "lblCurrentKey"), "扫描结束。");
  EXPECT_EQ(ListView_GetItemCount(list), 1) << "the list was emptied and filled again";
  EXPECT_TRUE(form_->RowChecked(0));
  EXPECT_EQ(Caption(*form_, "RepairCount"), "0");
  ASSERT_FALSE(services_.messages.empty());
  EXPECT_EQ(services_.messages.back().text, "请停止扫描后再退出。");
  EXPECT_TRUE(IsWindow(hwnd_));
}

// A scan over a few rows, one under a key far longer than its column, with
// the pop-up menu answered by the test: what the menu gets is the row the
// pointer or the keyboard chose.
class RowTipAndMenuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitWindowControls(); }
  RowTipAndMenuTest() {
    for (int i = 0; i < 12; ++i)
      long_key_ += "A Rather Long Subkey Name " + std::to_string(i) + "\\";
    long_key_ += "Run";
    reg_.SetString(kHkeyCurrentUser, long_key_, "Tool", "\"C:\\Gone\\a.exe\" /x");
    reg_.SetString(kHkeyCurrentUser, long_key_, "Other", "C:\\Gone\\b.exe");
    reg_.SetString(kHkeyCurrentUser, "Software\\Vendor", "y", "C:\\Gone\\y.exe");
    reg_.SetString(kHkeyCurrentUser, "Software\\Vendor\\Sub", "x=1\\2", "C:\\Gone\\x.exe");
    saved_urls_ = AppUrls();
    AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
    RemoveList();
  }
  ~RowTipAndMenuTest() override {
    if (form_ != nullptr && IsWindow(hwnd_)) form_->Unload();
    Pump(50);
    AppUrls() = saved_urls_;
    RemoveList();
  }
  static std::string ListFile() { return win32::ProgramFolder().value_or(".") + "\\ignore.txt"; }
  static void RemoveList() {
    std::error_code ec;
    std::filesystem::remove(win32::Widen(ListFile()), ec);
  }
  void OpenAndScan() {
    form_ = static_cast<FormRepair*>(LoadForm(std::make_unique<FormRepair>(reg_, fs_)));
    ASSERT_NE(form_, nullptr);
    hwnd_ = form_->Handle();
    form_->SetLeft(120);
    form_->SetTop(100);
    form_->Show();
    form_->SetMenuChooser([this](HMENU menu, POINT at) {
      MenuSeen seen{{}, at};
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        seen.items.push_back(win32::Narrow(text));
      }
      menus_.push_back(seen);
      return choice_;
    });
    ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 30000));
  }
  bool Finished() {
    return !form_->Session().Walking() && Caption(*form_, "lblCurrentKey") == "扫描结束。";
  }
  // The centre of a row on the screen.
  POINT RowCentre(int row) {
    RECT box{};
    ListView_GetItemRect(form_->List(), row, &box, LVIR_LABEL);
    return ScreenPoint(form_->List(), (box.left + box.right) / 2, (box.top + box.bottom) / 2);
  }
  // One right click, pressed and released before the window sees either:
  // the list follows a pressed button in a loop of its own, which the
  // release must find waiting.
  static void RightClickAt(POINT p) {
    SetCursorPos(p.x, p.y);
    SendMouse(MOUSEEVENTF_MOVE);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    Pump(200);
  }
  // Keys as the keyboard gives them, pressed in order and released in reverse.
  static void Chord(std::initializer_list<WORD> keys) {
    for (WORD k : keys) keybd_event(static_cast<BYTE>(k), 0, 0, 0);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
      keybd_event(static_cast<BYTE>(*it), 0, KEYEVENTF_KEYUP, 0);
    }
    Pump(200);
  }
  static std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "<closed>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* w = static_cast<const wchar_t*>(GlobalLock(h))) {
        text = win32::Narrow(w);
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
    return text;
  }

  struct MenuSeen {
    std::vector<std::string> items;
    POINT at;
  };
  std::string long_key_ = "Software\\";
  MemoryRegistry reg_;
  MemoryFileSystem fs_{"C:\\Windows\\System32"};
  ServiceRecorder services_;
  Urls saved_urls_;
  FormRepair* form_ = nullptr;
  HWND hwnd_ = nullptr;
  std::vector<MenuSeen> menus_;
  UINT choice_ = 0;
};

TEST_F(RowTipAndMenuTest, TheTipShowsTheWholeRowUnderThePointerAndAtTheKeyboard) {
  OpenAndScan();
  const HWND list = form_->List();
  const int tool = FindRow(list, "\"C:\\Gone\\a.exe\" /x");
  const int y = FindRow(list, "C:\\Gone\\y.exe");
  ASSERT_GE(tool, 0);
  ASSERT_GE(y, 0);
  const std::string tool_tip = "HKEY_CURRENT_USER\\" + long_key_ +
                               "\n值名称：Tool\n值数据：\"C:\\Gone\\a.exe\" /x\n"
                               "找不到文件：C:\\GONE\\A.EXE\n类别：其他\n"
                               "列出原因：值数据所指的程序文件不存在。";
  const POINT at = RowCentre(tool);
  MoveTo(at.x, at.y);
  EXPECT_TRUE(PumpUntil([&] { return form_->TipShown() && form_->TipText() == tool_tip; }, 3000))
      << form_->TipText();
  MoveTo(2, 2);
  EXPECT_TRUE(PumpUntil([&] { return !form_->TipShown(); }, 3000));

  SetFocus(list);
  ListView_SetItemState(list, y == 0 ? 1 : 0, LVIS_FOCUSED | LVIS_SELECTED,
                        LVIS_FOCUSED | LVIS_SELECTED);
  const int step = y > (y == 0 ? 1 : 0) ? VK_DOWN : VK_UP;
  for (int i = 0; i < std::abs(y - (y == 0 ? 1 : 0)); ++i) Key(static_cast<WORD>(step));
  EXPECT_TRUE(form_->TipShown());
  EXPECT_EQ(form_->TipText(),
            "HKEY_CURRENT_USER\\Software\\Vendor\n值名称：y\n值数据：C:\\Gone\\y.exe\n"
            "找不到文件：C:\\GONE\\Y.EXE\n类别：其他\n列出原因：值数据所指的程序文件不存在。");
}

TEST_F(RowTipAndMenuTest, TheMenuActsOnTheRowOfTheMouseOrTheKeyboard) {
  OpenAndScan();
  const HWND list = form_->List();
  const int tool = FindRow(list, "\"C:\\Gone\\a.exe\" /x");
  const int x = FindRow(list, "C:\\Gone\\x.exe");
  ASSERT_GE(tool, 0);
  ASSERT_GE(x, 0);

  choice_ = kMenuCopy;
  const POINT at = RowCentre(tool);
  RightClickAt(at);
  ASSERT_TRUE(PumpUntil([&] { return !menus_.empty(); }, 3000));
  Pump(300);
  EXPECT_EQ(menus_.size(), 1u) << "one click, one menu";
  EXPECT_EQ(menus_[0].items,
            (std::vector<std::string>{"复制", "在注册表编辑器中打开", "", "忽略此项", "忽略此键"}));
  EXPECT_LE(std::abs(menus_[0].at.x - at.x) + std::abs(menus_[0].at.y - at.y), 4);
  EXPECT_EQ(ClipboardText(),
            "HKEY_CURRENT_USER\t" + long_key_ + "\tTool\t\"C:\\Gone\\a.exe\" /x\tC:\\GONE\\A.EXE");

  // Shift+F10 on the selected row, as the keyboard gives it.
  HKEY editor = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &editor, nullptr),
            ERROR_SUCCESS);
  const std::wstring before = L"我的电脑\\HKEY_LOCAL_MACHINE\\Software";
  RegSetValueExW(editor, L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(before.c_str()),
                 static_cast<DWORD>((before.size() + 1) * sizeof(wchar_t)));
  int starts = 0;
  form_->SetEditorStarter([&] { return ++starts == 1 ? 0u : 2u; });
  choice_ = kMenuOpenInEditor;
  SetForegroundWindow(hwnd_);
  SetFocus(list);
  ListView_SetItemState(list, x, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  Chord({VK_APPS});
  EXPECT_EQ(menus_.size(), 2u) << "the menu key";
  {
    // Wine also takes the release of F10 for the menu bar's key and waits
    // in menu mode for a key: Escape ends it.
    std::thread escape([] {
      Sleep(400);
      keybd_event(VK_ESCAPE, 0, 0, 0);
      keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    });
    Chord({VK_SHIFT, VK_F10});
    escape.join();
    Pump(100);
  }
  ASSERT_EQ(menus_.size(), 3u) << "Shift+F10";
  RECT box{};
  ListView_GetItemRect(list, x, &box, LVIR_BOUNDS);
  POINT below{box.left, box.bottom};
  ClientToScreen(list, &below);
  EXPECT_EQ(menus_[1].at.y, below.y);
  wchar_t after[512] = {};
  DWORD size = sizeof after;
  RegQueryValueExW(editor, L"LastKey", nullptr, nullptr, reinterpret_cast<BYTE*>(after), &size);
  RegCloseKey(editor);
  // Wine's editor honours the path from the root on, without the word before it.
  EXPECT_EQ(win32::Narrow(after), "HKEY_CURRENT_USER\\Software\\Vendor\\Sub");
  EXPECT_EQ(starts, 2);
  ASSERT_EQ(services_.messages.size(), 1u) << "the editor that did not start is reported";
  EXPECT_NE(services_.messages[0].text.find("无法在注册表编辑器中打开"), std::string::npos);
}

TEST_F(RowTipAndMenuTest, IgnoredValuesAndKeysLeaveTheListAndTheNextScan) {
  OpenAndScan();
  const HWND list = form_->List();
  ASSERT_EQ(ListView_GetItemCount(list), 4);
  const auto ignore = [&](const char* value, UINT how) {
    choice_ = how;
    const int row = FindRow(list, value);
    ASSERT_GE(row, 0) << value;
    RightClickAt(RowCentre(row));
  };
  ignore("\"C:\\Gone\\a.exe\" /x", kMenuIgnoreValue);
  EXPECT_EQ(ListView_GetItemCount(list), 3);
  EXPECT_EQ(FindRow(list, "\"C:\\Gone\\a.exe\" /x"), -1);
  EXPECT_EQ(Caption(*form_, "lblStatus"), "3");
  ignore("C:\\Gone\\y.exe", kMenuIgnoreKey);  // Software\Vendor and Sub below it
  EXPECT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(form_->Session().Rows().Count(), 1u);
  EXPECT_EQ(Caption(*form_, "lblStatus"), "1");
  EXPECT_EQ(ItemText(list, 0, 3), "C:\\Gone\\b.exe");

  // The next scan ticks its rows again: the cleared mark tells it ran.
  ListView_SetCheckState(list, 0, FALSE);
  PostClick(form_->FindChild("CommandStart"));
  ASSERT_TRUE(PumpUntil([&] { return Finished() && form_->RowChecked(0); }, 30000));
  ASSERT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(ItemText(list, 0, 3), "C:\\Gone\\b.exe");
  std::ifstream in(std::filesystem::path(win32::Widen(ListFile())), std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, "HKEY_CURRENT_USER\\" + long_key_ +
                       "\\\\\"Tool\"\r\nHKEY_CURRENT_USER\\Software\\Vendor\r\n");

  in.close();

  // A list that cannot be read excludes nothing, and says so.
  RemoveList();
  ASSERT_TRUE(CreateDirectoryW(win32::Widen(ListFile()).c_str(), nullptr));
  services_.messages.clear();
  ListView_SetCheckState(list, 0, FALSE);
  PostClick(form_->FindChild("CommandStart"));
  ASSERT_TRUE(PumpUntil([&] { return Finished() && form_->RowChecked(0); }, 30000));
  EXPECT_EQ(ListView_GetItemCount(list), 4);
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text.rfind("无法读取忽略列表：" + ListFile(), 0), 0u);
}

}  // namespace
}  // namespace qm::app
