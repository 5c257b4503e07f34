// The button's window driven by real input: a host window with several
// buttons receives synthetic hardware input (SendInput), which the system
// turns into the same messages a user's mouse and keyboard produce.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "button/win32/command_window.h"
#include "fakes.h"

namespace qm::button {
namespace {

using Log = std::vector<std::string>;
using win32::CommandWindow;

constexpr wchar_t kHostClass[] = L"QuillmarButtonTestHost";

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SYSCHAR && win32::DispatchAccessKey(hwnd, static_cast<wchar_t>(wp))) return 0;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(1);
  } while (GetTickCount() - start < ms);
}

void SendMouse(DWORD flags, int screen_x = 0, int screen_y = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  if (flags & MOUSEEVENTF_MOVE) {
    flags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen_x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen_y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

Log Without(const Log& log, const std::string& prefix) {
  Log out;
  for (const std::string& e : log) {
    if (e.rfind(prefix, 0) != 0) out.push_back(e);
  }
  return out;
}

struct TestButton {
  std::unique_ptr<CommandWindow> window;
  Log log;
  HWND hwnd() const { return window->Handle(); }
  const ButtonState& state() const { return window->Button().State(); }
};

class CommandUi : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    host_ = CreateWindowExW(0, kHostClass, L"Button test host", WS_POPUP | WS_VISIBLE, 100, 100,
                            420, 160, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr) << GetLastError();
    Add(a_, 10, 10, "&Alpha", 1, true);
    Add(b_, 140, 10, "Beta", 1, true);
    Add(c_, 270, 10, "Gamma", 1, true);
    Add(d_, 10, 100, "Delta", 1, false);
    Add(e_, 140, 100, "Glass", 3, true);
    SetForegroundWindow(host_);
    Park();
    Pump(100);
    for (TestButton* t : {&a_, &b_, &c_, &d_, &e_}) t->log.clear();
  }

  void TearDown() override {
    for (TestButton* t : {&a_, &b_, &c_, &d_, &e_}) t->window.reset();
    if (host_ != nullptr) DestroyWindow(host_);
    Pump(10);
  }

  void Add(TestButton& t, int x, int y, const char* caption, std::int32_t type, bool enabled) {
    MemoryPropertyStore layout;
    layout.Set("Caption", std::string(caption));
    layout.Set("ButtonType", type);
    layout.Set("Enabled", enabled);
    const RECT bounds{x, y, x + 121, y + 33};
    ASSERT_EQ(CommandWindow::Create(host_, 0, bounds, ambient_, layout, t.window), 0u);
    testing::LogEvents(t.window->Button(), t.log);
  }

  POINT Screen(const TestButton& t, int x, int y) const {
    POINT p{x, y};
    ClientToScreen(t.hwnd(), &p);
    return p;
  }
  void MoveTo(const TestButton& t, int x, int y) {
    const POINT p = Screen(t, x, y);
    SendMouse(MOUSEEVENTF_MOVE, p.x, p.y);
    Pump(40);
  }
  // The pointer on an empty part of the host, away from every button.
  void Park() {
    POINT p{380, 70};
    ClientToScreen(host_, &p);
    SendMouse(MOUSEEVENTF_MOVE, p.x, p.y);
    Pump(60);
  }
  void Click(DWORD down, DWORD up) {
    SendMouse(down);
    Pump(30);
    SendMouse(up);
    Pump(40);
  }
  void Focus(const TestButton& t) {
    SetFocus(t.hwnd());
    Pump(20);
  }
  Color ImagePixel(const TestButton& t, int x, int y) const {
    return static_cast<Color>(::GetPixel(t.window->ImageDc(), x, y));
  }

  FixedCommandHost ambient_{FontSpec{"Tahoma", 8.0, 400, false, false, false, 1}};
  HWND host_ = nullptr;
  TestButton a_, b_, c_, d_, e_;
};

TEST_F(CommandUi, PrimaryClickRaisesDownUpClickAndKeepsTheHoverLook) {
  MoveTo(a_, 60, 16);
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(Without(a_.log, "MouseMove"),
            (Log{"MouseDown(1,0,60,16)", "MouseUp(1,0,60,16)", "Click"}));
  EXPECT_EQ(a_.log.front(), "MouseMove(0,0,60,16)");
  EXPECT_EQ(a_.state().DrawState, kStateUp);
  EXPECT_TRUE(a_.state().IsHovered);
  EXPECT_EQ(ImagePixel(a_, 2, 1), Rgb(250, 195, 88));  // the hover ring
  EXPECT_EQ(GetFocus(), a_.hwnd());
  Park();
  EXPECT_EQ(a_.log.back(), "MouseOut");
  EXPECT_NE(ImagePixel(a_, 2, 1), Rgb(250, 195, 88));
}

TEST_F(CommandUi, SecondaryClickNeverChangesTheLook) {
  MoveTo(b_, 30, 10);
  const ButtonState before = b_.state();
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  Pump(30);
  EXPECT_EQ(b_.state().DrawState, before.DrawState);
  SendMouse(MOUSEEVENTF_RIGHTUP);
  Pump(40);
  EXPECT_EQ(Without(b_.log, "MouseMove"), (Log{"MouseDown(2,0,30,10)", "MouseUp(2,0,30,10)"}));
  EXPECT_EQ(b_.state().DrawState, kStateUp);
}

TEST_F(CommandUi, DoubleClickPressesAgainWithoutASecondClick) {
  MoveTo(a_, 20, 20);
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(Without(a_.log, "MouseMove"),
            (Log{"MouseDown(1,0,20,20)", "MouseUp(1,0,20,20)", "Click", "MouseDown(1,1,1,1)",
                 "MouseUp(1,0,20,20)"}));
}

TEST_F(CommandUi, SpaceHeldRepeatsDownAndClicksOnceAtTheRelease) {
  Focus(a_);
  for (int i = 0; i < 3; ++i) {
    SendKey(VK_SPACE, false);
    Pump(20);
  }
  EXPECT_EQ(a_.state().DrawState, kStateDown);
  SendKey(VK_SPACE, true);
  Pump(30);
  const Log press{"KeyDown(32)", "MouseDown(1,1,1,1)", "KeyPress(32)"};
  Log want;
  for (int i = 0; i < 3; ++i) want.insert(want.end(), press.begin(), press.end());
  want.insert(want.end(), {"KeyUp(32)", "MouseUp(1,1,1,1)", "Click"});
  EXPECT_EQ(a_.log, want);
  EXPECT_EQ(a_.state().DrawState, kStateUp);
}

TEST_F(CommandUi, SpaceReleasedAfterAnotherKeyDoesNotClick) {
  Focus(a_);
  SendKey(VK_SPACE, false);
  Pump(20);
  SendKey('A', false);
  Pump(20);
  SendKey('A', true);
  Pump(20);
  SendKey(VK_SPACE, true);
  Pump(30);
  EXPECT_EQ(a_.log, (Log{"KeyDown(32)", "MouseDown(1,1,1,1)", "KeyPress(32)", "KeyDown(65)",
                         "KeyPress(97)", "KeyUp(65)", "KeyUp(32)"}));
  EXPECT_EQ(a_.state().DrawState, kStateDown);
}

TEST_F(CommandUi, ArrowsMoveTheFocusThroughTheTabOrder) {
  struct Step {
    WORD key;
    TestButton* from;
    TestButton* to;
  };
  const Step steps[] = {{VK_RIGHT, &a_, &b_},
                        {VK_DOWN, &b_, &c_},
                        {VK_LEFT, &c_, &b_},
                        {VK_UP, &b_, &a_},
                        {VK_RIGHT, &c_, &e_}};  // d_ is disabled
  for (const Step& s : steps) {
    Focus(*s.from);
    s.from->log.clear();
    const std::uint8_t look = s.from->state().DrawState;
    SendKey(s.key, false);
    Pump(20);
    SendKey(s.key, true);
    Pump(20);
    EXPECT_EQ(GetFocus(), s.to->hwnd()) << s.key;
    EXPECT_EQ(s.from->log, Log{"KeyDown(" + std::to_string(s.key) + ")"});
    EXPECT_EQ(s.from->state().DrawState, look);
  }
}

TEST_F(CommandUi, DragThatLeavesAndComesBack) {
  MoveTo(a_, 60, 16);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pump(30);
  EXPECT_EQ(a_.state().DrawState, kStateDown);
  MoveTo(b_, 60, 16);  // captured: the move arrives outside A's client area
  Pump(60);
  EXPECT_EQ(a_.state().DrawState, kStateUp);  // the tick painted the up look
  EXPECT_FALSE(a_.state().IsHovered);
  EXPECT_TRUE(b_.log.empty());  // the capture keeps B out of it
  MoveTo(a_, 50, 10);
  EXPECT_EQ(a_.state().DrawState, kStateDown);
  EXPECT_FALSE(a_.state().IsHovered);
  MoveTo(b_, 60, 16);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Pump(60);
  const Log events = Without(a_.log, "MouseMove(0");
  // Leaving a second time is noticed by the timer again, before the release.
  EXPECT_EQ(events, (Log{"MouseDown(1,0,60,16)", "MouseOut", "MouseMove(1,0,50,10)", "MouseOut",
                         "MouseUp(1,0,190,16)"}));
  EXPECT_EQ(a_.state().DrawState, kStateUp);
  EXPECT_EQ(std::count(a_.log.begin(), a_.log.end(), "Click"), 0);
}

TEST_F(CommandUi, HoverTimerNoticesThePointerLeaving) {
  MoveTo(c_, 100, 20);
  EXPECT_TRUE(c_.state().IsHovered);
  EXPECT_EQ(ImagePixel(c_, 2, 1), Rgb(250, 195, 88));
  // Straight onto another window: no move reaches C; its timer notices.
  MoveTo(b_, 5, 5);
  Pump(40);
  EXPECT_FALSE(c_.state().IsHovered);
  EXPECT_EQ(c_.log, (Log{"MouseMove(0,0,100,20)", "MouseOut"}));
  EXPECT_NE(ImagePixel(c_, 2, 1), Rgb(250, 195, 88));
}

TEST_F(CommandUi, DisabledButtonsPassNothingToTheHost) {
  MoveTo(d_, 60, 16);
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  Focus(d_);
  SendKey(VK_SPACE, false);
  SendKey(VK_SPACE, true);
  Pump(30);
  EXPECT_TRUE(d_.log.empty());
  EXPECT_NE(GetFocus(), d_.hwnd());
  EXPECT_EQ(ImagePixel(d_, 40, 16), Rgb(244, 244, 234));  // the disabled look
  // Disabling a hovered button keeps its timer: the exit is still reported.
  MoveTo(b_, 60, 16);
  b_.window->Button().SetEnabled(false);
  b_.log.clear();
  Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  Park();
  EXPECT_EQ(b_.log, Log{"MouseOut"});
}

TEST_F(CommandUi, AccessKeyClicksTheButtonWhoseCaptionMarksIt) {
  Focus(b_);
  SendKey(VK_MENU, false);
  SendKey('A', false);
  SendKey('A', true);
  SendKey(VK_MENU, true);
  Pump(40);
  EXPECT_EQ(a_.log, Log{"Click"});
  EXPECT_TRUE(Without(b_.log, "Key").empty());
  a_.window->Button().SetCaption("A&&lpha");  // no access key any more
  a_.log.clear();
  SendKey(VK_MENU, false);
  SendKey('A', false);
  SendKey('A', true);
  SendKey(VK_MENU, true);
  Pump(40);
  EXPECT_TRUE(a_.log.empty());
}

TEST_F(CommandUi, ShapeCutsTheGlassCornersAndTheImageSurvivesBeingCovered) {
  const POINT corner = Screen(e_, 0, 0);
  const POINT inside = Screen(e_, 3, 3);
  EXPECT_NE(WindowFromPoint(corner), e_.hwnd());
  EXPECT_EQ(WindowFromPoint(inside), e_.hwnd());
  EXPECT_EQ(WindowFromPoint(Screen(a_, 0, 0)), a_.hwnd());

  a_.window->Button().PaintButton(kStateDown, true);
  Pump(30);
  const POINT origin = Screen(a_, 0, 0);
  const HWND cover =
      CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"cover", WS_POPUP | WS_VISIBLE, origin.x - 5,
                      origin.y - 5, 200, 60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(cover, nullptr);
  Pump(50);
  DestroyWindow(cover);
  Pump(100);
  const HDC screen = GetDC(nullptr);
  int differing = 0;
  for (int y = 0; y < 33; y += 4) {
    for (int x = 0; x < 121; x += 6) {
      const COLORREF shown = ::GetPixel(screen, origin.x + x, origin.y + y);
      if (shown != static_cast<COLORREF>(ImagePixel(a_, x, y))) ++differing;
    }
  }
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace qm::button
