// The scan window driven as a user drives it, under Wine: the scan starts by
// itself, lists a missing program left in the registry, can be stopped,
// refuses to close while scanning, and repairs with a backup that restores.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>

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

// A click as the mouse gives it, posted so that it arrives during a yield.
void PostClick(HWND button) {
  RECT r{};
  GetClientRect(button, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  PostMessageW(button, WM_MOUSEMOVE, 0, at);
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(button, WM_LBUTTONUP, 0, at);
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
  void Open() {
    form_ = static_cast<FormRepair*>(LoadForm(std::make_unique<FormRepair>()));
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
  for (int i = 0; i < rows; ++i) EXPECT_TRUE(form_->RowChecked(static_cast<std::size_t>(i)));
  EXPECT_EQ(Profile(kErrorCountKey), "") << "a scan that ends by itself writes no figures";

  // What the user sees, during the scan and after it: the skin, not an
  // unpainted window.
  const int samples = (kClientWidth / 16) * (kClientHeight / 16);
  EXPECT_GE(dark_during_scan, 0);
  EXPECT_LT(dark_during_scan, samples / 4) << "the window is painted while the scan runs";
  EXPECT_LT(DarkSamples(hwnd_), samples / 4) << "the window is painted after the scan";
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
    PostClick(Button("CommandStop"));
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

}  // namespace
}  // namespace qm::app
