// The chrome of real windows under Wine/Xvfb, driven with real pointer
// input: caption drag, picture buttons, navigation, the exit routine, the
// skin pictures on screen and a missing skin.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "platform/win32/window_base.h"
#include "shell/check_list.h"
#include "shell/chrome.h"
#include "shell/exit_program.h"
#include "shell/navigation_form.h"
#include "shell/resource_ids.h"
#include "shell_fixture.h"

namespace qm::shell::testing {
namespace {

RECT WindowRect(const Form* f) {
  RECT r{};
  GetWindowRect(f->Handle(), &r);
  return r;
}

using ChromeTest = ShellWindowTest;

TEST_F(ChromeTest, WindowIsFramelessFixedSizeAndCarriesCaptionAndIcon) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const HWND h = main->Handle();
  RECT client{};
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 786);
  EXPECT_EQ(client.bottom, 557);
  const RECT w = WindowRect(main);
  EXPECT_EQ(w.right - w.left, 786);  // no frame around the client area
  const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_NE(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);  // in the task bar
  wchar_t title[32] = {};
  GetWindowTextW(h, title, 32);
  EXPECT_STREQ(title, L"Quillmar");
  EXPECT_NE(GetClassLongPtrW(h, GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrW(h, GCLP_HICONSM), 0);
}

TEST_F(ChromeTest, CaptionStripDragsWithTheLeftButtonOnly) {
  FormScanner* main = OpenMain(150, 120);
  ASSERT_NE(main, nullptr);
  const POINT strip = ScreenPoint(main->Handle(), 400, 12);  // on ImageCaption, off the text
  // Right button: nothing moves.
  Drag(kRightButton, strip, {strip.x + 60, strip.y + 40});
  EXPECT_EQ(main->Left(), 150);
  EXPECT_EQ(main->Top(), 120);
  // Left button on the caption text: not a drag handle.
  const POINT text = ElementCentre(*main, "LabelCaption");
  Drag(kLeftButton, text, {text.x + 60, text.y + 40});
  EXPECT_EQ(main->Left(), 150);
  EXPECT_EQ(main->Top(), 120);
  // Left button on the strip: the window follows the pointer.
  Drag(kLeftButton, strip, {strip.x + 60, strip.y + 40});
  Pump(100);
  EXPECT_EQ(main->Left(), 210);
  EXPECT_EQ(main->Top(), 160);
}

TEST_F(ChromeTest, PictureButtonsHoverAndResetOnlyAsTheTableSays) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Frames(main), "002000");
  const POINT exit = ElementCentre(*main, "ImageExit");
  const POINT min = ElementCentre(*main, "ImageMin");
  MoveTo(exit.x, exit.y);
  EXPECT_EQ(Frames(main), "012000");
  MoveTo(min.x, min.y);
  EXPECT_EQ(Frames(main), "112000");  // exit keeps its hover picture
  const POINT restore = ElementCentre(*main, "ImageRestore");
  const POINT records = ElementCentre(*main, "ImageRecords");
  MoveTo(restore.x, restore.y);
  EXPECT_EQ(Frames(main), "112100");
  MoveTo(records.x, records.y);
  EXPECT_EQ(Frames(main), "112001");  // cleared by another navigation button
  // Straight onto a check box (another control): the hover stays.
  RECT box{};
  GetWindowRect(main->Check(2), &box);
  MoveTo(box.left + 5, (box.top + box.bottom) / 2);
  EXPECT_EQ(Frames(main), "112001");
  // The own button: the other navigation buttons go back to normal.
  const POINT own = ElementCentre(*main, "ImageScanner");
  MoveTo(own.x, own.y);
  EXPECT_EQ(Frames(main), "112000");
  // The bare background resets everything.
  const POINT bg = Background(main);
  MoveTo(bg.x, bg.y);
  EXPECT_EQ(Frames(main), "002000");
}

// A handler that throws ends its own message, logged, and nothing else:
// the window stays and keeps answering the pointer.
TEST_F(ChromeTest, AThrowingHandlerIsLoggedAndTheWindowCarriesOn) {
  std::vector<std::string> log;
  win32::SetWindowFailureLog([&log](std::string_view text) { log.emplace_back(text); });
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  int clicks = 0;
  main->FindElement("LabelTip")->Click = [&clicks] {
    ++clicks;
    throw std::runtime_error("tip handler broke");
  };
  for (int i = 0; i < 2; ++i) ClickAt(ElementCentre(*main, "LabelTip"));
  Pump(100);
  win32::SetWindowFailureLog(nullptr);
  EXPECT_EQ(clicks, 2);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0].find("tip handler broke"), std::string::npos) << log[0];
  EXPECT_EQ(LoadedForm(FormKind::Scanner), main);
  EXPECT_TRUE(IsWindow(main->Handle()));
  EXPECT_TRUE(services_.ended.empty());
}

TEST_F(ChromeTest, PressMoveReleaseDoesNothingAndTheOwnButtonNeverActs) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const HWND first = main->Handle();
  // Press on Restore, move a little while held, release: no navigation.
  const POINT restore = ElementCentre(*main, "ImageRestore");
  MoveTo(restore.x, restore.y);
  Press(kLeftButton);
  EXPECT_EQ(ImageOf(main, "ImageRestore")->Frame(), 2);
  MoveTo(restore.x + 3, restore.y + 1);
  EXPECT_EQ(ImageOf(main, "ImageRestore")->Frame(), 1);
  Release(kLeftButton);
  Pump(100);
  EXPECT_EQ(LoadedForm(FormKind::Scanner), main);
  EXPECT_EQ(LoadedForm(FormKind::RestoreAndBackup), nullptr);
  // Press on the exit button, drag out of it, release elsewhere: no exit.
  const POINT exit = ElementCentre(*main, "ImageExit");
  MoveTo(exit.x, exit.y);
  Press(kLeftButton);
  MoveTo(exit.x - 80, exit.y + 80);
  Release(kLeftButton);
  EXPECT_TRUE(services_.ended.empty());
  EXPECT_TRUE(IsWindow(first));
  // The own button: pressed and released, it stays selected and does nothing.
  const POINT own = ElementCentre(*main, "ImageScanner");
  ClickAt(own);
  Pump(100);
  EXPECT_EQ(LoadedForm(FormKind::Scanner), main);
  EXPECT_EQ(LoadedFormCount(), 1);
  EXPECT_EQ(ImageOf(main, "ImageScanner")->Frame(), 2);
}

TEST_F(ChromeTest, MinimiseWorksWithAnyMouseButtonAndKeepsThePressedPicture) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const POINT min = ElementCentre(*main, "ImageMin");
  ClickAt(min, kRightButton);
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(main->Handle()) != FALSE; }, 2000));
  EXPECT_EQ(ImageOf(main, "ImageMin")->Frame(), 2);
  ShowWindow(main->Handle(), SW_RESTORE);
  Pump(150);
  EXPECT_FALSE(IsIconic(main->Handle()));
  EXPECT_EQ(ImageOf(main, "ImageMin")->Frame(), 2);  // until a background move
  const POINT bg = Background(main);
  MoveTo(bg.x, bg.y);
  EXPECT_EQ(ImageOf(main, "ImageMin")->Frame(), 0);
}

TEST_F(ChromeTest, NavigationBuildsEachWindowAfreshAtTheSamePlace) {
  FormScanner* main = OpenMain(180, 90);
  ASSERT_NE(main, nullptr);
  const HWND first = main->Handle();
  SendMessageW(main->Check(3), BM_SETCHECK, BST_UNCHECKED, 0);

  struct Step {
    const char* button;
    FormKind kind;
    const char* heading;
    const char* frames;
  };
  const Step steps[] = {{"ImageSettings", FormKind::Settings, "设置", "000020"},
                        {"ImageRecords", FormKind::Records, "记录", "000002"},
                        {"ImageRestore", FormKind::RestoreAndBackup, "恢复备份", "000200"},
                        {"ImageScanner", FormKind::Scanner, "扫描和修复", "002000"}};
  Form* current = main;
  int button_number = kMiddleButton;
  for (const Step& s : steps) {
    const HWND before = current->Handle();
    ClickAt(ElementCentre(*current, s.button), button_number);
    button_number = button_number == kMiddleButton ? kLeftButton : kMiddleButton;
    Pump(100);
    Form* next = LoadedForm(s.kind);
    ASSERT_NE(next, nullptr) << s.button;
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(LoadedFormCount(), 1);
    EXPECT_EQ(next->Left(), 180);
    EXPECT_EQ(next->Top(), 90);
    EXPECT_TRUE(IsWindowVisible(next->Handle()));
    EXPECT_EQ(LabelOf(next, "LabelTip")->Caption(), s.heading);
    EXPECT_EQ(LabelOf(next, "LabelVersion")->Caption(), "v2.6");
    EXPECT_EQ(Frames(next), s.frames);
    current = next;
  }
  auto* back = static_cast<FormScanner*>(current);
  EXPECT_NE(back->Handle(), first);
  EXPECT_EQ(SendMessageW(back->Check(3), BM_GETCHECK, 0, 0), BST_CHECKED);
  // Moved before leaving: the next window opens where this one was dragged.
  const POINT strip = ScreenPoint(back->Handle(), 400, 12);
  Drag(kLeftButton, strip, {strip.x + 40, strip.y + 60});
  Pump(100);
  ASSERT_EQ(back->Left(), 220);
  ClickAt(ElementCentre(*back, "ImageSettings"));
  Pump(100);
  Form* settings = LoadedForm(FormKind::Settings);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->Left(), 220);
  EXPECT_EQ(settings->Top(), 150);
}

TEST_F(ChromeTest, HomePageLinkOpensTheAddressItShowsWithAHandPointer) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  Label* home = LabelOf(main, "LabelHomePage");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->Caption(), AppUrls().home_page);
  EXPECT_EQ(home->Color(), RGB(128, 128, 128));
  const POINT p = ElementCentre(*main, "LabelHomePage");
  MoveTo(p.x, p.y);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  Press(kLeftButton);
  Release(kLeftButton);
  ASSERT_EQ(services_.opened.size(), 1u);
  EXPECT_EQ(services_.opened[0], AppUrls().home_page);
  // A right click is no click.
  ClickAt(p, kRightButton);
  EXPECT_EQ(services_.opened.size(), 1u);
}

TEST_F(ChromeTest, ExitButtonUnloadsEveryWindowAndEndsTheProgram) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const HWND h = main->Handle();
  ClickAt(ElementCentre(*main, "ImageExit"));
  ASSERT_EQ(services_.ended.size(), 1u);
  EXPECT_EQ(services_.ended[0], 0u);
  EXPECT_TRUE(services_.messages.empty());  // no question asked
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(LoadedFormCount(), 0);
}

TEST_F(ChromeTest, SystemCloseRequestOnANavigationWindowEndsThroughTheExitRoutine) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  ClickAt(ElementCentre(*main, "ImageRecords"));
  Form* records = LoadedForm(FormKind::Records);
  ASSERT_NE(records, nullptr);
  const HWND h = records->Handle();
  PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);  // what Alt+F4 and the task bar send
  Pump(150);
  ASSERT_EQ(services_.ended.size(), 1u);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(LoadedFormCount(), 0);
}

// Records the class of every top-level window destroyed while it lives.
class DestroyRecorder {
 public:
  DestroyRecorder() {
    self_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId());
  }
  ~DestroyRecorder() { UnhookWindowsHookEx(hook_); }
  std::vector<std::wstring> classes;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && msg->message == WM_DESTROY) {
      wchar_t name[64] = {};
      GetClassNameW(msg->hwnd, name, 64);
      if (std::wstring(name).rfind(L"Quillmar.Form", 0) == 0) self_->classes.emplace_back(name);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static inline DestroyRecorder* self_ = nullptr;
  HHOOK hook_ = nullptr;
};

class ScanWindowForTest final : public ChromeForm {
 public:
  ScanWindowForTest()
      : ChromeForm(FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()) {}
  int exits = 0;

 private:
  bool OnLoad() override { return SetUpChrome(); }
  void ExitAction() override { ++exits; }
};

TEST_F(ChromeTest, ExitProgramUnloadsInItsFixedOrder) {
  // Every kind loaded at once, in another order than the routine's.
  for (FormKind k :
       {FormKind::Scanner, FormKind::Settings, FormKind::Records, FormKind::RestoreAndBackup}) {
    ASSERT_NE(LoadForm(MakeNavigationForm(k)), nullptr);
  }
  ASSERT_NE(
      LoadForm(std::make_unique<ScanWindowForTest>(), LoadedForm(FormKind::Scanner)->Handle()),
      nullptr);
  DestroyRecorder destroyed;
  ExitProgram();
  EXPECT_EQ(destroyed.classes,
            (std::vector<std::wstring>{L"Quillmar.FormRecords", L"Quillmar.FormRepair",
                                       L"Quillmar.FormRestoreAndBackup", L"Quillmar.FormScanner",
                                       L"Quillmar.FormSettings"}));
  EXPECT_EQ(services_.ended, (std::vector<UINT>{0}));
  EXPECT_EQ(LoadedFormCount(), 0);
}

TEST_F(ChromeTest, ScanWindowChromeHasTheWideStripAndOnlyTheExitButton) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  auto* scan = static_cast<ScanWindowForTest*>(
      LoadForm(std::make_unique<ScanWindowForTest>(), main->Handle()));
  ASSERT_NE(scan, nullptr);
  scan->CentreOver(main->Handle());
  scan->Show();
  Pump(100);
  EXPECT_EQ(scan->FindElement("ImageCaption")->rect.width, 700);
  EXPECT_EQ(Frames(scan), "-0----");
  EXPECT_EQ(GetWindowLongPtrW(scan->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(GetWindow(scan->Handle(), GW_OWNER), main->Handle());
  EXPECT_EQ(scan->Left(), main->Left());
  const POINT exit = ElementCentre(*scan, "ImageExit");
  MoveTo(exit.x, exit.y);
  EXPECT_EQ(Frames(scan), "-1----");
  Press(kRightButton);
  MoveTo(exit.x + 2, exit.y);
  Release(kRightButton);
  EXPECT_EQ(scan->exits, 0);
  ClickAt(exit);
  EXPECT_EQ(scan->exits, 1);
  const POINT bg = ScreenPoint(scan->Handle(), 400, 500);
  MoveTo(bg.x, bg.y);
  EXPECT_EQ(Frames(scan), "-0----");
}

TEST_F(ChromeTest, ScreenShowsTheSkinAndTheVisiblePictureOfEachButton) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const POINT exit = ElementCentre(*main, "ImageExit");
  MoveTo(exit.x, exit.y);  // exit shows its hover picture
  Pump(100);
  const ScreenShot shot(main->Handle());

  const std::wstring skin_path =
      win32::Widen(win32::ProgramFolder().value_or(".")) + L"\\bgmain.dll";
  HBITMAP skin = static_cast<HBITMAP>(
      LoadImageW(nullptr, skin_path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(skin, nullptr);
  // Bare skin: header band, sidebar, card, footer.
  for (POINT p : {POINT{700, 60}, POINT{100, 400}, POINT{300, 480}, POINT{600, 545}}) {
    EXPECT_TRUE(Near(shot.At(p.x, p.y), BitmapPixel(skin, p.x, p.y), 2)) << p.x << "," << p.y;
  }
  DeleteObject(skin);

  auto picture = [](int id) {
    return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  };
  struct Expect {
    const char* name;
    int resource;
  };
  for (const Expect& e :
       {Expect{"ImageExit", kIdExit + 1}, Expect{"ImageMin", kIdMin},
        Expect{"ImageScanner", kIdNavScanner + 2}, Expect{"ImageRestore", kIdNavRestore}}) {
    HBITMAP bmp = picture(e.resource);
    ASSERT_NE(bmp, nullptr);
    const PixelRect r = main->FindElement(e.name)->rect;
    BITMAP info{};
    GetObjectW(bmp, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, r.width) << e.name;
    EXPECT_EQ(info.bmHeight, r.height) << e.name;
    int mismatched = 0;
    for (int y = 0; y < r.height; y += 2) {
      for (int x = 0; x < r.width; x += 2) {
        if (!Near(shot.At(r.left + x, r.top + y), BitmapPixel(bmp, x, y), 2)) ++mismatched;
      }
    }
    EXPECT_EQ(mismatched, 0) << e.name;
    DeleteObject(bmp);
  }
  // The selected navigation button is orange, the others grey.
  const PixelRect scanner = main->FindElement("ImageScanner")->rect;
  const COLORREF sel = shot.At(scanner.left + 120, scanner.top + 30);
  EXPECT_GT(GetRValue(sel), 200);
  EXPECT_LT(GetBValue(sel), 80);
  const PixelRect settings = main->FindElement("ImageSettings")->rect;
  const COLORREF grey = shot.At(settings.left + 120, settings.top + 30);
  EXPECT_LT(std::abs(GetRValue(grey) - GetBValue(grey)), 40);
}

TEST_F(ChromeTest, MissingOrUnreadableSkinReportsTheFileAndFailsTheLoad) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const std::filesystem::path skin =
      win32::Widen(win32::ProgramFolder().value_or(".")) + L"\\bgother.dll";
  const std::filesystem::path aside =
      win32::Widen(win32::ProgramFolder().value_or(".")) + L"\\bgother.dll.aside";
  std::filesystem::rename(skin, aside);
  ClickAt(ElementCentre(*main, "ImageSettings"));
  std::filesystem::rename(aside, skin);
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_NE(services_.messages[0].text.find("bgother.dll"), std::string::npos)
      << services_.messages[0].text;
  EXPECT_EQ(services_.messages[0].style, static_cast<UINT>(MB_ICONERROR));
  // The kit reports and fails the load; ending the program is the program's call.
  EXPECT_TRUE(services_.ended.empty());
  EXPECT_TRUE(TakeLoadFailure());
  EXPECT_EQ(LoadedForm(FormKind::Settings), nullptr);  // the half-loaded window is gone

  // A file that is there but holds no picture.
  std::filesystem::rename(skin, aside);
  {
    FILE* f = _wfopen(skin.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fputs("not a picture", f);
    fclose(f);
  }
  ClickAt(ElementCentre(*main, "ImageRecords"));
  std::filesystem::remove(skin);
  std::filesystem::rename(aside, skin);
  ASSERT_EQ(services_.messages.size(), 2u);
  EXPECT_NE(services_.messages[1].text.find("bgother.dll"), std::string::npos);
  EXPECT_TRUE(services_.ended.empty());
  EXPECT_TRUE(TakeLoadFailure());
  EXPECT_FALSE(TakeLoadFailure());  // taken once
  EXPECT_EQ(LoadedForm(FormKind::Records), nullptr);
}

// The marks of a check list as its owner keeps them; SetChecked may fail.
class OwnerRows final : public CheckRows {
 public:
  std::vector<bool> checked{true, false, true};
  bool fail = false;
  std::size_t Count() const override { return checked.size(); }
  std::string_view Cell(std::size_t, int) const override { return "row"; }
  bool Checked(std::size_t row) const override { return checked[row]; }
  void SetChecked(std::size_t row, bool on) override {
    if (fail) throw std::runtime_error("the model refused");
    checked[row] = on;
  }
  COLORREF MarkColour(std::size_t) const override { return RGB(0, 0, 0); }
};

class CheckListWindow final : public ChromeForm {
 public:
  explicit CheckListWindow(CheckRows& rows)
      : ChromeForm(FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()),
        list(rows) {}
  CheckList list;

 private:
  bool OnLoad() override {
    if (!SetUpChrome() ||
        !list.Create(*this, "lvwRows", {240, 2160, 11295, 4780}, {{"a", 1600}}, GetFont({}))) {
      return false;
    }
    list.Sync();
    return true;
  }
  bool OnChildMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    return list.OnParentMessage(msg, wp, lp, result);
  }
  void ExitAction() override {}
};

// A mark set on the list from outside (a tool, another process) is set in
// the model, for one row or, as row -1, for all; a model that fails ends
// that message only, logged, and the list goes on.
TEST_F(ChromeTest, ACheckListSetsItsMarksInTheModelAndSurvivesAFailingOne) {
  OwnerRows rows;
  auto* form = static_cast<CheckListWindow*>(LoadForm(std::make_unique<CheckListWindow>(rows)));
  ASSERT_NE(form, nullptr);
  const HWND list = form->list.Handle();
  const struct {
    int row;
    BOOL on;
    std::vector<bool> marks;
  } cases[] = {{0, FALSE, {false, false, true}},
               {-1, TRUE, {true, true, true}},
               {2, FALSE, {true, true, false}}};
  for (const auto& c : cases) {
    ListView_SetCheckState(list, c.row, c.on);
    EXPECT_EQ(rows.checked, c.marks) << c.row;
    EXPECT_EQ(form->list.RowChecked(2), c.marks[2]) << "the list shows the model's mark";
  }
  std::vector<std::string> log;
  win32::SetWindowFailureLog([&log](std::string_view text) { log.emplace_back(text); });
  rows.fail = true;
  ListView_SetCheckState(list, 1, FALSE);
  win32::SetWindowFailureLog(nullptr);
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log[0].find("the model refused"), std::string::npos) << log[0];
  rows.fail = false;
  EXPECT_EQ(ListView_GetItemCount(list), 3) << "the list still answers";
  EXPECT_EQ(rows.checked, (std::vector<bool>{true, true, false}));
}

}  // namespace
}  // namespace qm::shell::testing
