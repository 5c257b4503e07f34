// The records window under Wine/Xvfb over the real ro.ini beside this test
// program: empty figures on a fresh profile, blanks trimmed, and the
// figures the real scan window writes when the user stops a scan and when
// a repair ends, shown after Refresh.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it relies on.
#include <commctrl.h>

#include <filesystem>
#include <fstream>

#include "app/form_records.h"
#include "app/form_repair.h"
#include "app/form_settings.h"
#include "platform/win32/handles.h"
#include "platform/win32/profile.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "repair/backup_writer.h"
#include "shell/app_urls.h"
#include "tests/support/profile_file.h"
#include "tests/support/window_harness.h"

namespace qm {
namespace {

using app::FormRecords;
using app::FormRepair;
using app::FormSettings;
using testing::ClickCentre;
using testing::ItemText;
using testing::OpenWindow;
using testing::Pump;
using testing::PumpUntil;

using testing::Profile;
using testing::ProfileFile;
using testing::PutProfile;

std::string Record(const wchar_t* key) {
  wchar_t buf[256] = {};
  GetPrivateProfileStringW(L"Records", key, L"", buf, 256, ProfileFile().c_str());
  return win32::Narrow(buf);
}

std::string Caption(const shell::Form* form, std::string_view label) {
  const auto* l = static_cast<const shell::Label*>(form->FindElement(label));
  return l == nullptr ? "<no label>" : l->Caption();
}

struct Figures {
  std::string last_scan_time, error_count, fixed_count;
  friend bool operator==(const Figures&, const Figures&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Figures& f) {
    return o << "[" << f.last_scan_time << "|" << f.error_count << "|" << f.fixed_count << "]";
  }
};

Figures Shown(const shell::Form* records) {
  return {Caption(records, "LabelLastScanTime"), Caption(records, "LabelErrorCount"),
          Caption(records, "LabelFixedCount")};
}

class RecordsWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::InitWindowControls(); }
  void SetUp() override {
    saved_urls_ = shell::AppUrls();
    // Nothing listens on port 1: the scan window's advertisement fails at once.
    shell::AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
    DeleteFileW(ProfileFile().c_str());
    SetCursorPos(2, 2);
  }
  void TearDown() override {
    testing::UnloadAllWindows();
    DeleteFileW(ProfileFile().c_str());
    shell::AppUrls() = saved_urls_;
  }

  testing::ServiceRecorder services_;

 private:
  shell::Urls saved_urls_;
};

TEST_F(RecordsWindowTest, AFreshProfileShowsThreeEmptyFigures) {
  FormRecords* records = OpenWindow<FormRecords>();
  ASSERT_NE(records, nullptr);
  EXPECT_EQ(Shown(records), (Figures{"", "", ""}));
  EXPECT_EQ(Caption(records, "Label1"), "上次扫描时间：");
  EXPECT_EQ(Caption(records, "Label2"), "错误个数：");
  EXPECT_EQ(Caption(records, "Label3"), "已修复错误：");
  EXPECT_FALSE(std::filesystem::exists(ProfileFile())) << "the window only reads";
}

TEST_F(RecordsWindowTest, ShowsTheProfilesTextWithoutBlanksAndRefreshReadsAgain) {
  PutProfile(
      "[Records]\r\nLastScanTime=  2024/1/2 3:04:05  \r\nErrorCount= 12 \r\n"
      "FixedCount=   7\r\nErrorCount.startup=3\r\nErrorCount.com=0\r\nErrorCount.other=9\r\n");
  FormRecords* records = OpenWindow<FormRecords>();
  ASSERT_NE(records, nullptr);
  EXPECT_EQ(Shown(records), (Figures{"2024/1/2 3:04:05", "12", "7"}));
  EXPECT_EQ(Caption(records, "LabelCategoryCounts"), "开机自启动 3、其他 9");
  // A label grows with its text.
  const shell::Element* time = records->FindElement("LabelLastScanTime");
  const shell::Element* count = records->FindElement("LabelErrorCount");
  EXPECT_GT(time->rect.width, count->rect.width);

  PutProfile("[Records]\r\nErrorCount=13\r\n");
  EXPECT_EQ(Shown(records), (Figures{"2024/1/2 3:04:05", "12", "7"})) << "until Refresh";
  ClickCentre(records->FindChild("CommandRefreshRecords"));
  EXPECT_EQ(Shown(records), (Figures{"", "13", ""}));
}

// An invalid reference for the scan to find and the repair to delete.
constexpr wchar_t kOrphanKey[] = L"Software\\QuillmarRecordsWindowTest";

HWND g_stop_button = nullptr;
FormRepair* g_scan = nullptr;

// A thread timer that presses Stop with the real pointer once the scan
// walks; it fires during one of the scan's yields, as the user's click
// would. (A whole scan from snapshots takes well under a second.)
void CALLBACK PressStop(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_scan == nullptr || !g_scan->Session().Walking()) return;
  KillTimer(nullptr, id);
  RECT r{};
  GetClientRect(g_stop_button, &r);
  POINT p{r.right / 2, r.bottom / 2};
  ClientToScreen(g_stop_button, &p);
  SetCursorPos(p.x, p.y);
  testing::SendMouse(MOUSEEVENTF_LEFTDOWN);
  testing::SendMouse(MOUSEEVENTF_LEFTUP);
}

TEST_F(RecordsWindowTest, FiguresAfterAStopAndAfterARepairWithoutBackup) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kOrphanKey);
  {
    win32::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOrphanKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring data = L"C:\\QuillmarMissing\\orphan.exe";
    ASSERT_EQ(
        RegSetValueExW(key.Get(), L"Orphan", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
        ERROR_SUCCESS);
  }
  const std::filesystem::path backups =
      win32::Widen(BackupFolderPath(testing::ProgramFolderPath()));
  std::filesystem::remove_all(backups);

  // The user turns backups off in the settings window.
  FormSettings* settings = OpenWindow<FormSettings>();
  ASSERT_NE(settings, nullptr);
  ASSERT_EQ(SendMessageW(settings->CheckBox(), BM_GETCHECK, 0, 0), BST_CHECKED);
  ClickCentre(settings->CheckBox());
  ClickCentre(settings->FindChild("CommandApplySettings"));
  win32::Win32Profile profile;
  ASSERT_FALSE(ReadBackupBeforeFix(profile, Profile()));
  settings->Unload();
  Pump(50);

  // The records window, open before anything ran, in the screen's corner.
  FormRecords* records = OpenWindow<FormRecords>();
  ASSERT_NE(records, nullptr);
  records->SetLeft(0);
  records->SetTop(0);
  EXPECT_EQ(Shown(records), (Figures{"", "", ""}));

  // A scan, stopped by the user while it walks; the scan window lies below
  // and to the right, clear of the records window's Refresh button.
  auto* scan = static_cast<FormRepair*>(shell::LoadForm(std::make_unique<FormRepair>()));
  ASSERT_NE(scan, nullptr);
  scan->SetLeft(420);
  scan->SetTop(440);
  g_stop_button = scan->FindChild("CommandStop");
  g_scan = scan;
  scan->Show();
  SetTimer(nullptr, 0, 20, PressStop);
  ASSERT_TRUE(PumpUntil([] { return !Record(L"ErrorCount").empty(); }, 120000));
  ASSERT_TRUE(PumpUntil([scan] { return !scan->Session().Walking(); }, 120000));
  const std::string found_at_stop = Caption(scan, "lblStatus");
  EXPECT_EQ(Record(L"ErrorCount"), found_at_stop);
  const std::string stopped_at = Record(L"LastScanTime");
  EXPECT_FALSE(stopped_at.empty());
  EXPECT_EQ(Record(L"FixedCount"), "");

  EXPECT_EQ(Shown(records), (Figures{"", "", ""})) << "until Refresh";
  ClickCentre(records->FindChild("CommandRefreshRecords"));
  EXPECT_EQ(Shown(records), (Figures{stopped_at, found_at_stop, ""}));

  // A whole scan, then a repair of the test's value alone.
  ClickCentre(scan->FindChild("CommandStart"));
  ASSERT_TRUE(PumpUntil([scan] { return !scan->Session().Walking(); }, 180000));
  const HWND list = scan->List();
  const std::string whole = std::to_string(ListView_GetItemCount(list));
  int ours = 0;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    const bool mine = ItemText(list, i, 2).find("QuillmarRecordsWindowTest") != std::string::npos;
    ListView_SetCheckState(list, i, mine ? TRUE : FALSE);
    ours += mine ? 1 : 0;
  }
  ASSERT_GT(ours, 0) << "the scan found the test's orphan";
  services_.messages.clear();
  ClickCentre(scan->FindChild("CommandRepair"));
  ASSERT_TRUE(PumpUntil([this] { return !services_.messages.empty(); }, 30000));
  const std::string fixed = Caption(scan, "RepairCount");
  EXPECT_EQ(fixed, std::to_string(ours));
  for (const auto& m : services_.messages) {
    EXPECT_EQ(m.text.find("Backup file:"), std::string::npos) << "backups are off: " << m.text;
  }
  EXPECT_FALSE(std::filesystem::exists(backups)) << "no backup file was written";
  EXPECT_EQ(Record(L"FixedCount"), fixed);
  EXPECT_EQ(Record(L"ErrorCount"), whole) << "a scan run to its end is the last scan";
  const std::string ended_at = Record(L"LastScanTime");
  EXPECT_FALSE(ended_at.empty());

  ClickCentre(records->FindChild("CommandRefreshRecords"));
  EXPECT_EQ(Shown(records), (Figures{ended_at, whole, fixed}));
  RegDeleteTreeW(HKEY_CURRENT_USER, kOrphanKey);
}

}  // namespace
}  // namespace qm
