// The main window under Wine/Xvfb: start-up state, keyboard order, the
// category gate, "全选", opening the scan window, and the advertisement line
// against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "local_http_server.h"
#include "platform/win32/program_folder.h"
#include "platform/win32/wide.h"
#include "shell/ad_line.h"
#include "shell/chrome.h"
#include "shell_fixture.h"

namespace qm::shell::testing {
namespace {

using MainWindowTest = ShellWindowTest;

bool Checked(HWND box) {
  return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Runs `work` once, soon after the modal window about to be shown has
// started its own message loop.
void SoonInsideTheModalLoop(std::function<void()> work) {
  static std::function<void()> pending;
  pending = std::move(work);
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    pending();
  });
}

TEST_F(MainWindowTest, OpensWithEveryBoxTickedFocusOnCheck6AndTheAdvertisementHidden) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  for (int n = 1; n <= 15; ++n) EXPECT_TRUE(Checked(main->Check(n))) << "Check" << n;
  EXPECT_EQ(GetFocus(), main->Check(6));
  // Check6 lies beyond the right edge of the client area.
  RECT r{};
  GetWindowRect(main->Check(6), &r);
  POINT p{r.left, r.top};
  ScreenToClient(main->Handle(), &p);
  EXPECT_GT(p.x, 786);
  EXPECT_TRUE(IsWindowVisible(main->Check(6)));

  // Keyboard order: Check6, Check1 to Check15, then the scan button, round again.
  std::vector<HWND> expected = {main->Check(6)};
  for (int n = 1; n <= 15; ++n) {
    if (n != 6) expected.push_back(main->Check(n));
  }
  expected.push_back(main->FindChild("CommandScanNow"));
  expected.push_back(main->Check(6));
  ASSERT_NE(expected[15], nullptr);
  std::vector<HWND> seen = {GetFocus()};
  for (int i = 0; i < 16; ++i) {
    Key(VK_TAB);
    seen.push_back(GetFocus());
  }
  EXPECT_EQ(seen, expected);

  const Element* ad = main->FindElement("LabelAd");
  ASSERT_NE(ad, nullptr);
  EXPECT_FALSE(ad->visible);
  EXPECT_TRUE(main->TimerRunning(kTimerAdId));
  EXPECT_EQ(Frames(main), "002000");
  wchar_t text[64] = {};
  GetWindowTextW(main->Check(1), text, 64);
  EXPECT_STREQ(text, L"Activex控件,桌面应用程序集成、组件对象模型入口");
  // Each box's tip says that rows of no category come with any choice.
  for (const int n : {1, 6, 15}) {
    wchar_t tip[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = main->Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(main->Check(n));
    tool.lpszText = tip;
    SendMessageW(main->CategoryTip(), TTM_GETTEXTW, std::size(tip),
                 reinterpret_cast<LPARAM>(&tool));
    EXPECT_NE(std::wstring(tip).find(L"（其他）也会列出"), std::wstring::npos) << "Check" << n;
  }
}

TEST_F(MainWindowTest, ScanStartsWhileAnyBoxIsTickedEvenOnlyTheHiddenOne) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  const HWND scan_now = main->FindChild("CommandScanNow");
  ASSERT_NE(scan_now, nullptr);
  RECT b{};
  GetWindowRect(scan_now, &b);
  const POINT button{(b.left + b.right) / 2, (b.top + b.bottom) / 2};

  // Right after start-up the button opens the scan window over the main window.
  ClickAt(button);
  EXPECT_EQ(ScanWindowRecorder().count, 1);
  EXPECT_EQ(ScanWindowRecorder().owner, main->Handle());
  EXPECT_EQ(ScanWindowRecorder().boxes, 0xFFFEu) << "Check1 to Check15 handed on";

  // Clear the fourteen visible boxes with the pointer: the hidden Check6
  // keeps the gate open.
  for (int n = 1; n <= 15; ++n) {
    if (n == 6) continue;
    RECT r{};
    GetWindowRect(main->Check(n), &r);
    ClickAt({r.left + 6, (r.top + r.bottom) / 2});
    EXPECT_FALSE(Checked(main->Check(n))) << "Check" << n;
  }
  ClickAt(button);
  EXPECT_TRUE(services_.messages.empty());
  EXPECT_EQ(ScanWindowRecorder().count, 2);

  // Check6 cleared by the keyboard: Tab from the button comes round to it.
  SetFocus(scan_now);
  Key(VK_TAB);
  ASSERT_EQ(GetFocus(), main->Check(6));
  Key(VK_SPACE);
  EXPECT_FALSE(Checked(main->Check(6)));
  for (int n = 1; n <= 15; ++n) EXPECT_FALSE(Checked(main->Check(n))) << "Check" << n;
  Pump(static_cast<int>(GetDoubleClickTime()) + 100);  // a new click, not a double click
  ClickAt(button);
  ASSERT_EQ(services_.messages.size(), 1u);
  EXPECT_EQ(services_.messages[0].text, "必须至少选择一个扫描项目。");
  EXPECT_EQ(services_.messages[0].style, 48u);
  EXPECT_EQ(ScanWindowRecorder().count, 2);  // nothing else happened

  // "全选" ticks every box again; the boxes survive the scan window.
  ClickAt(ElementCentre(*main, "LabelSelectAll"));
  for (int n = 1; n <= 15; ++n) EXPECT_TRUE(Checked(main->Check(n))) << "Check" << n;
  ClickAt(ElementCentre(*main, "LabelSelectAll"));
  for (int n = 1; n <= 15; ++n) EXPECT_TRUE(Checked(main->Check(n))) << "Check" << n;
  SendMessageW(main->Check(9), BM_SETCHECK, BST_UNCHECKED, 0);
  ClickAt(button);
  EXPECT_EQ(ScanWindowRecorder().count, 3);
  EXPECT_EQ(ScanWindowRecorder().boxes, 0xFFFEu & ~(1u << 9)) << "all but Check9";
  EXPECT_FALSE(Checked(main->Check(9)));
  EXPECT_TRUE(Checked(main->Check(8)));
}

class ModalScanWindow final : public ChromeForm {
 public:
  ModalScanWindow()
      : ChromeForm(FormKind::Repair, L"Quillmar.FormRepair", ChromeForm::ScanWindowLayout()) {}

 private:
  bool OnLoad() override { return SetUpChrome(); }
  void ExitAction() override { Unload(); }
};

TEST_F(MainWindowTest, ScanWindowIsModalOverTheMainWindowUntilItCloses) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  struct Seen {
    bool owner_enabled = true;
    bool main_still_listed = false;
    int skin_pixels_matching = 0;
  } seen;
  ScanWindowRecorder().run = [&](HWND owner) {
    Form* scan = LoadForm(std::make_unique<ModalScanWindow>(), owner);
    ASSERT_NE(scan, nullptr);
    scan->CentreOver(owner);
    // While the modal loop runs, inspect, try the main window, then close
    // the scan window with its exit button.
    SoonInsideTheModalLoop([&seen, scan, owner] {
      seen.owner_enabled = IsWindowEnabled(owner) != FALSE;
      seen.main_still_listed = LoadedForm(FormKind::Scanner) != nullptr;
      // The modal window is painted from its own skin.
      const ScreenShot shot(scan->Handle());
      const std::wstring path =
          win32::Widen(win32::ProgramFolder().value_or(".")) + L"\\bgscan.dll";
      HBITMAP skin = static_cast<HBITMAP>(
          LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
      for (POINT p : {POINT{300, 60}, POINT{400, 300}, POINT{700, 545}, POINT{40, 500}}) {
        if (skin != nullptr && Near(shot.At(p.x, p.y), BitmapPixel(skin, p.x, p.y), 2)) {
          ++seen.skin_pixels_matching;
        }
      }
      if (skin != nullptr) DeleteObject(skin);
      ClickAt(ElementCentre(*scan, "ImageExit"));
    });
    scan->ShowModal();
  };
  ClickCentre(main->FindChild("CommandScanNow"));
  EXPECT_TRUE(PumpUntil([] { return LoadedForm(FormKind::Repair) == nullptr; }));
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_EQ(seen.skin_pixels_matching, 4);
  EXPECT_TRUE(seen.main_still_listed);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(LoadedForm(FormKind::Scanner), main);
}

// The main window is disabled under the scan window, yet a close request
// still reaches it (the task bar, Alt+F4 before the switch, another
// program). None may end the program while a scan or a repair runs in the
// scan window; once the scan window has closed, the same request ends it.
TEST_F(MainWindowTest, CloseRequestsToTheMainWindowCannotEndTheProgramUnderTheScanWindow) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  struct Request {
    const char* name;
    bool post;
    UINT msg;
    WPARAM wp;
  };
  const Request requests[] = {{"WM_CLOSE sent", false, WM_CLOSE, 0},
                              {"WM_CLOSE posted", true, WM_CLOSE, 0},
                              {"SC_CLOSE posted", true, WM_SYSCOMMAND, SC_CLOSE}};
  std::vector<std::string> survived;
  ScanWindowRecorder().run = [&](HWND owner) {
    Form* scan = LoadForm(std::make_unique<ModalScanWindow>(), owner);
    ASSERT_NE(scan, nullptr);
    SoonInsideTheModalLoop([&, scan, owner] {
      for (const Request& r : requests) {
        if (r.post) {
          PostMessageW(owner, r.msg, r.wp, 0);
        } else {
          SendMessageW(owner, r.msg, r.wp, 0);
        }
        // As a walk or a repair does: work that yields to the messages.
        Pump(100);
        if (services_.ended.empty() && LoadedForm(FormKind::Repair) == scan &&
            LoadedForm(FormKind::Scanner) != nullptr) {
          survived.push_back(r.name);
        }
      }
      if (LoadedForm(FormKind::Repair) == scan) scan->Unload();
    });
    scan->ShowModal();
  };
  ClickCentre(main->FindChild("CommandScanNow"));
  EXPECT_TRUE(PumpUntil([] { return LoadedForm(FormKind::Repair) == nullptr; }));
  EXPECT_EQ(survived,
            (std::vector<std::string>{"WM_CLOSE sent", "WM_CLOSE posted", "SC_CLOSE posted"}));
  EXPECT_TRUE(services_.ended.empty());
  ASSERT_EQ(LoadedForm(FormKind::Scanner), main);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));

  PostMessageW(main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump(100);
  EXPECT_EQ(services_.ended, (std::vector<UINT>{0}));
  EXPECT_EQ(LoadedForm(FormKind::Scanner), nullptr);
}

TEST_F(MainWindowTest, SelectAllUnderlinesOnHoverUntilABackgroundMove) {
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  Label* all = LabelOf(main, "LabelSelectAll");
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->Caption(), "全选");
  const POINT p = ElementCentre(*main, "LabelSelectAll");
  MoveTo(p.x, p.y);
  EXPECT_TRUE(all->Underlined());
  const POINT exit = ElementCentre(*main, "ImageExit");
  MoveTo(exit.x, exit.y);  // another element: the underline stays
  EXPECT_TRUE(all->Underlined());
  const POINT bg = Background(main);
  MoveTo(bg.x, bg.y);
  EXPECT_FALSE(all->Underlined());
}

TEST_F(MainWindowTest, AdvertisementAppearsAfterTheFirstIntervalAndBecomesALink) {
  LocalHttpServer server;
  server.Respond(404, "<html>Not Found</html>");
  AppUrls().ad_fetch = server.Url();
  AppUrls().ad_click = "http://offer.test/click";
  FormScanner* main = OpenMain();
  ASSERT_NE(main, nullptr);
  Label* ad = LabelOf(main, "LabelAd");
  const auto loaded = std::chrono::steady_clock::now();
  // Not at once: the first fetch comes one interval after the load.
  Pump(4000);
  EXPECT_TRUE(server.Requests().empty());
  // An error page: nothing shows and the timer goes on.
  ASSERT_TRUE(PumpUntil([&] { return server.Requests().size() == 1; }, 3000));
  const double first =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - loaded).count();
  EXPECT_GT(first, 4.5);
  Pump(200);
  EXPECT_FALSE(ad->visible);
  EXPECT_TRUE(main->TimerRunning(kTimerAdId));
  // Then an advertisement: shown in orange, and the timer stops.
  // Decoded from the ANSI code page of this run (1252): "Caf\xE9" is "Café".
  ASSERT_EQ(GetACP(), 1252u);
  server.Respond(200, "adQuillmar Caf\xE9 Pro");
  ASSERT_TRUE(PumpUntil([&] { return ad->visible; }, 6500));
  EXPECT_EQ(ad->Caption(), "Quillmar Café Pro");
  EXPECT_EQ(ad->Color(), RGB(255, 128, 0));
  EXPECT_FALSE(main->TimerRunning(kTimerAdId));
  EXPECT_EQ(server.Requests().size(), 2u);
  // Link look and click.
  const POINT p = ScreenPoint(main->Handle(), ad->rect.left + 10, ad->rect.top + 6);
  MoveTo(p.x, p.y);
  EXPECT_TRUE(ad->Underlined());
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  Press(kLeftButton);
  Release(kLeftButton);
  EXPECT_EQ(services_.opened, (std::vector<std::string>{"http://offer.test/click"}));
  const POINT bg = Background(main);
  MoveTo(bg.x, bg.y);
  EXPECT_FALSE(ad->Underlined());
  // The text is drawn: orange pixels where the label stands.
  Pump(100);
  const ScreenShot shot(main->Handle());
  int orange = 0;
  for (int y = ad->rect.top; y < ad->rect.bottom(); ++y) {
    for (int x = ad->rect.left; x < ad->rect.left + 80; ++x) {
      const COLORREF c = shot.At(x, y);
      if (GetRValue(c) > 200 && GetGValue(c) > 60 && GetGValue(c) < 190 && GetBValue(c) < 90) {
        ++orange;
      }
    }
  }
  EXPECT_GT(orange, 10);

  // Navigating away and back: hidden again, fetched afresh.
  ClickAt(ElementCentre(*main, "ImageRecords"));
  Form* records = LoadedForm(FormKind::Records);
  ASSERT_NE(records, nullptr);
  ClickAt(ElementCentre(*records, "ImageScanner"));
  auto* again = static_cast<FormScanner*>(LoadedForm(FormKind::Scanner));
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(again->FindElement("LabelAd")->visible);
  EXPECT_TRUE(again->TimerRunning(kTimerAdId));
}

}  // namespace
}  // namespace qm::shell::testing
