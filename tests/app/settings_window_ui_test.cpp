// The settings window under Wine/Xvfb over the real ro.ini beside this test
// program: the check box as the profile sets it, Apply writing "0" or "1",
// leaving without Apply writing nothing, and a failed Apply reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/form_settings.h"
#include "app/program_windows.h"
#include "platform/win32/wide.h"
#include "profile/profile_store.h"
#include "shell/app_urls.h"
#include "shell/form.h"
#include "tests/support/profile_file.h"
#include "tests/support/window_harness.h"

namespace qm {
namespace {

using app::FormSettings;
using testing::ClickCentre;
using testing::OpenWindow;
using testing::Pump;
using testing::ServiceRecorder;

using testing::Profile;
using testing::ProfileBytes;
using testing::ProfileFile;
using testing::PutProfile;

void RemoveProfile() {
  std::error_code ec;
  std::filesystem::remove_all(ProfileFile(), ec);
}

bool Ticked(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Stored() {
  wchar_t buf[64] = {};
  GetPrivateProfileStringW(L"Settings", L"BackupBeforeFix", L"<absent>", buf, 64,
                           ProfileFile().c_str());
  return win32::Narrow(buf);
}

class SettingsWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::InitWindowControls(); }
  void SetUp() override {
    saved_urls_ = shell::AppUrls();
    shell::AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
    saved_factory_ = shell::InstallWindowFactory(&app::TheProgramWindows());
    RemoveProfile();
    SetCursorPos(2, 2);
  }
  void TearDown() override {
    testing::UnloadAllWindows();
    RemoveProfile();
    shell::AppUrls() = saved_urls_;
    shell::InstallWindowFactory(saved_factory_);
  }
  FormSettings* Open() {
    form_ = OpenWindow<FormSettings>();
    return form_;
  }
  void ClickApply() { ClickCentre(form_->FindChild("CommandApplySettings")); }
  void ClickBox() { ClickCentre(form_->CheckBox()); }

  ServiceRecorder services_;
  FormSettings* form_ = nullptr;

 private:
  shell::Urls saved_urls_;
  shell::WindowFactory* saved_factory_ = nullptr;
};

TEST_F(SettingsWindowTest, OpensAsTheProfileSaysAndApplyStoresTheBox) {
  PutProfile("[Settings]\r\nBackupBeforeFix= 1\r\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Ticked(form_->CheckBox()));
  // Apply stores the box as it is, whatever the file holds by then.
  PutProfile("[Settings]\r\nBackupBeforeFix=0\r\n");
  ClickApply();
  EXPECT_EQ(Stored(), "1");

  ClickBox();
  EXPECT_FALSE(Ticked(form_->CheckBox()));
  EXPECT_EQ(Stored(), "1") << "nothing is stored before Apply";
  ClickApply();
  EXPECT_EQ(Stored(), "0");
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_FALSE(Ticked(form_->CheckBox())) << "the window stays as it is";

  ClickBox();
  ClickApply();
  EXPECT_EQ(Stored(), "1");
  EXPECT_NE(shell::LoadedForm(shell::FormKind::Settings), nullptr) << "the window stays open";
}

TEST_F(SettingsWindowTest, ProfileHoldingZeroOpensCleared) {
  PutProfile("[Settings]\r\nBackupBeforeFix=0\r\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_FALSE(Ticked(form_->CheckBox()));
}

TEST_F(SettingsWindowTest, AnAbsentOrMalformedSettingShowsTheBoxTicked) {
  struct Case {
    const char* what;
    const char* profile;  // nullptr: no file at all
    bool ticked;
  };
  const Case cases[] = {
      {"no profile", nullptr, true},
      {"no Settings section", "[Records]\r\nFixedCount=3\r\n", true},
      {"no key", "[Settings]\r\nOther=0\r\n", true},
      {"empty value", "[Settings]\r\nBackupBeforeFix=\r\n", true},
      {"words", "[Settings]\r\nBackupBeforeFix=no\r\n", true},
      {"a number other than 0 and 1", "[Settings]\r\nBackupBeforeFix=2\r\n", true},
      {"zero with letters after it", "[Settings]\r\nBackupBeforeFix=0x\r\n", true},
      {"zero written twice", "[Settings]\r\nBackupBeforeFix=00\r\n", false},
  };
  for (const Case& c : cases) {
    RemoveProfile();
    if (c.profile != nullptr) PutProfile(c.profile);
    const std::string before = ProfileBytes();
    ASSERT_NE(Open(), nullptr) << c.what;
    EXPECT_EQ(Ticked(form_->CheckBox()), c.ticked) << c.what;
    form_->Unload();
    Pump(30);
    EXPECT_EQ(ProfileBytes(), before) << c.what << ": loading writes no default";
  }
}

// Types Alt+`key` as a user would.
void PressAlt(WORD key) {
  INPUT in[4] = {};
  const WORD keys[4] = {VK_MENU, key, key, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, in, sizeof(INPUT));
}

// The program's captions carry no access key, so the test gives Apply one;
// Alt with it then applies wherever the focus is: on the check box (the
// program's message loop hands the key over) or on no control at all (the
// window itself gets the key).
TEST_F(SettingsWindowTest, AltWithApplysAccessKeyAppliesWhereverTheFocusIs) {
  for (const bool on_box : {true, false}) {
    SCOPED_TRACE(on_box ? "focus on the check box" : "no control focused");
    PutProfile("[Settings]\r\nBackupBeforeFix=0\r\n");
    ASSERT_NE(Open(), nullptr);
    auto* apply = form_->FindCommand("CommandApplySettings");
    ASSERT_NE(apply, nullptr);
    apply->Button().SetCaption("&Apply");
    ClickBox();
    ASSERT_TRUE(Ticked(form_->CheckBox()));
    SetFocus(on_box ? form_->CheckBox() : nullptr);
    PressAlt('A');
    if (on_box) {
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < 300 && shell::DoEvents()) Sleep(1);
    } else {
      Pump(300);
    }
    EXPECT_EQ(Stored(), "1");
    EXPECT_TRUE(services_.messages.empty());
    testing::UnloadAllWindows();
    Pump(50);
  }
}

TEST_F(SettingsWindowTest, LeavingWithoutApplyStoresNothing) {
  PutProfile("[Settings]\r\nBackupBeforeFix=0\r\n");
  const std::string before = ProfileBytes();
  ASSERT_NE(Open(), nullptr);
  ClickBox();
  EXPECT_TRUE(Ticked(form_->CheckBox()));
  // Away through the records button of the chrome, a real click.
  const shell::Element* records = form_->FindElement("ImageRecords");
  ASSERT_NE(records, nullptr);
  testing::ClickClient(form_->Handle(), records->rect.left + records->rect.width / 2,
                       records->rect.top + records->rect.height / 2);
  EXPECT_TRUE(testing::PumpUntil([] {
    return shell::LoadedForm(shell::FormKind::Settings) == nullptr &&
           shell::LoadedForm(shell::FormKind::Records) != nullptr;
  }));
  EXPECT_EQ(ProfileBytes(), before);

  // Coming back reads the profile afresh: the box is cleared again.
  ASSERT_NE(Open(), nullptr);
  EXPECT_FALSE(Ticked(form_->CheckBox()));
}

TEST_F(SettingsWindowTest, AnApplyThatCannotWriteSaysSoAndKeepsTheBox) {
  // A folder where the profile belongs: nothing can be read or written.
  ASSERT_TRUE(CreateDirectoryW(ProfileFile().c_str(), nullptr));
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Ticked(form_->CheckBox())) << "no readable setting: back up";
  ClickBox();
  ClickApply();
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text.rfind("无法保存设置：" + Profile(), 0), 0u)
      << services_.messages[0].text;
  EXPECT_EQ(services_.messages[0].style, 48u);
  EXPECT_FALSE(Ticked(form_->CheckBox())) << "the box keeps the user's choice";
  EXPECT_NE(shell::LoadedForm(shell::FormKind::Settings), nullptr);
}

// The ignored entries as the list shows them; a removal is in the file at
// once, with the lines nobody could read still there, and Apply untouched.
TEST_F(SettingsWindowTest, TheIgnoreListShowsItsEntriesAndRemovesOneAtOnce) {
  const std::filesystem::path file =
      std::filesystem::path(win32::Widen(testing::ProgramFolderPath() + "\\ignore.txt"));
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "# mine\r\n"
           "HKEY_CURRENT_USER\\Software\\Tool\r\n"
           "HKLM\\Run\\\\\"C:\\\\x\\\\工具.exe\"\r\n"
           "not an entry\r\n"
           "HKEY_USERS\\K\\\\\"\"\r\n";
  }
  ASSERT_NE(Open(), nullptr);
  const HWND list = form_->IgnoredList();
  ASSERT_EQ(ListView_GetItemCount(list), 4);
  EXPECT_EQ(testing::ItemText(list, 3, 0), "无法读取");
  EXPECT_EQ(testing::ItemText(list, 3, 1), "第 4 行：not an entry");
  const char* expected[3][3] = {{"HKEY_CURRENT_USER", "Software\\Tool", "(整个键)"},
                                {"HKEY_LOCAL_MACHINE", "Run", "C:\\x\\工具.exe"},
                                {"HKEY_USERS", "K", "(默认)"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(testing::ItemText(list, r, c), expected[r][c]);
  }
  ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ClickCentre(form_->FindChild("CommandRemoveIgnored"));
  ASSERT_EQ(ListView_GetItemCount(list), 3);
  EXPECT_EQ(testing::ItemText(list, 1, 0), "HKEY_USERS");
  EXPECT_EQ(testing::ItemText(list, 2, 1), "第 3 行：not an entry");
  std::ifstream in(file, std::ios::binary);
  const std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  EXPECT_EQ(now,
            "# mine\r\nHKEY_CURRENT_USER\\Software\\Tool\r\nnot an entry\r\n"
            "HKEY_USERS\\K\\\\\"\"\r\n");
  EXPECT_EQ(Stored(), "<absent>") << "the setting waits for Apply";
  EXPECT_TRUE(services_.messages.empty());
  std::error_code ec;
  std::filesystem::remove(file, ec);
}

}  // namespace
}  // namespace qm
