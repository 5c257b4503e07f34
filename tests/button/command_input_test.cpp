// Input handling: looks and the order of host events for each sequence.
#include <gtest/gtest.h>

#include "fakes.h"

namespace qm::button {
namespace {

using testing::Fixture;
using testing::LogEvents;
using Log = std::vector<std::string>;

struct Input : Fixture {
  Input() {
    command.Load(MemoryPropertyStore{});
    Resize();
    LogEvents(command, log);
  }
  void Resize() { command.Resize(); }
  Log log;
};

TEST(CommandInput, PrimaryClickRaisesDownUpClickAndKeepsTheHoverLook) {
  Input in;
  in.command.Move(0, 0, 10, 10);
  in.command.Press(1, 0, 10, 10);
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  in.command.Release(1, 0, 10, 10);
  in.command.Click();
  EXPECT_EQ(in.log,
            (Log{"MouseMove(0,0,10,10)", "MouseDown(1,0,10,10)", "MouseUp(1,0,10,10)", "Click"}));
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
  EXPECT_TRUE(in.command.State().IsHovered);
  EXPECT_EQ(in.platform.shows, 1);
  EXPECT_EQ(in.platform.canvas->At(2, 1), Rgb(250, 195, 88));  // hover ring
}

TEST(CommandInput, SecondaryAndMiddleButtons) {
  Input in;
  in.command.Press(2, 0, 4, 5);
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
  in.command.Release(2, 0, 4, 5);
  EXPECT_EQ(in.log, (Log{"MouseDown(2,0,4,5)", "MouseUp(2,0,4,5)"}));
  EXPECT_EQ(in.command.State().LastButton, 2);
  // A click notice after a secondary press does not change the look.
  in.command.PaintButton(kStateDown, true);
  in.command.Click();
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  in.command.Press(4, 0, 1, 1);  // the middle button presses like the primary
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  in.command.Release(4, 0, 1, 1);
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
}

TEST(CommandInput, SpaceHeldRepeatsDownAndReleasesOnce) {
  Input in;
  in.command.KeyDown(32, 0);
  in.command.KeyPress(32);
  in.command.KeyDown(32, 0);
  in.command.KeyPress(32);
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  in.command.KeyUp(32, 0);
  EXPECT_EQ(in.log,
            (Log{"KeyDown(32)", "MouseDown(1,1,1,1)", "KeyPress(32)", "KeyDown(32)",
                 "MouseDown(1,1,1,1)", "KeyPress(32)", "KeyUp(32)", "MouseUp(1,1,1,1)", "Click"}));
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
}

TEST(CommandInput, SpaceReleasedAfterAnotherKeyDoesNotClick) {
  Input in;
  in.command.KeyDown(32, 0);
  in.command.KeyDown(65, 0);
  in.command.KeyUp(32, 0);
  EXPECT_EQ(in.log, (Log{"KeyDown(32)", "MouseDown(1,1,1,1)", "KeyDown(65)", "KeyUp(32)"}));
  EXPECT_EQ(in.command.State().DrawState, kStateDown);  // stays pressed
}

TEST(CommandInput, ArrowsMoveTheFocusWithoutChangingTheLook) {
  struct Case {
    std::int16_t key;
    const char* move;
  };
  const Case cases[] = {{39, "next"}, {40, "next"}, {37, "previous"}, {38, "previous"}};
  for (const Case& c : cases) {
    Input in;
    const int paints = in.platform.paints;
    in.command.KeyDown(c.key, 0);
    EXPECT_EQ(in.platform.focus_moves, std::vector<std::string>{c.move});
    EXPECT_EQ(in.log, Log{"KeyDown(" + std::to_string(c.key) + ")"});
    EXPECT_EQ(in.platform.paints, paints);
  }
}

TEST(CommandInput, HandlersMayChangeByReferenceParameters) {
  Input in;
  // A KeyDown handler that turns a letter into space makes it press.
  in.command.Events().KeyDown = [](std::int16_t& k, std::int16_t&) {
    if (k == 65) k = 32;
  };
  in.command.KeyDown(65, 0);
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  EXPECT_EQ(in.command.State().LastKeyCode, 32);
  // One that leaves something outside a byte cancels the key.
  in.command.Events().KeyDown = [](std::int16_t& k, std::int16_t&) { k = 1000; };
  in.command.KeyDown(32, 0);
  EXPECT_EQ(in.command.State().LastKeyCode, 0);
  in.command.Events().KeyUp = [](std::int16_t& k, std::int16_t&) { k = 0; };
  in.command.KeyUp(32, 0);
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
}

TEST(CommandInput, DoubleClickPressesAgainWithoutASecondClick) {
  Input in;
  in.command.Press(1, 0, 5, 5);
  in.command.Release(1, 0, 5, 5);
  in.command.Click();
  in.command.DoubleClick();
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  in.command.Release(1, 0, 5, 5);
  EXPECT_EQ(in.log, (Log{"MouseDown(1,0,5,5)", "MouseUp(1,0,5,5)", "Click", "MouseDown(1,1,1,1)",
                         "MouseUp(1,0,5,5)"}));
  Input right;
  right.command.Press(2, 0, 5, 5);
  right.command.DoubleClick();
  EXPECT_EQ(right.log, Log{"MouseDown(2,0,5,5)"});
}

TEST(CommandInput, MovesStartTheTimerAndOnlyInsideMovesRaiseEvents) {
  Input in;
  in.command.Move(2, 0, 5, 5);  // secondary held: nothing, no timer
  EXPECT_FALSE(in.platform.timer);
  EXPECT_TRUE(in.log.empty());
  in.command.Move(0, 0, 121, 33);  // the edges count as inside
  EXPECT_TRUE(in.platform.timer);
  EXPECT_TRUE(in.command.State().IsHovered);
  const int paints = in.platform.paints;
  in.command.Move(0, 0, 60, 10);  // further moves: event only
  EXPECT_EQ(in.platform.paints, paints);
  in.command.Move(0, 0, -1, 10);
  in.command.Move(0, 0, 5, 33.5f);
  EXPECT_EQ(in.log, (Log{"MouseMove(0,0,121,33)", "MouseMove(0,0,60,10)"}));
}

TEST(CommandInput, TickNoticesThePointerLeaving) {
  Input in;
  in.platform.cursor = PointF{5, 5};
  in.command.Move(0, 0, 5, 5);
  in.command.Tick();
  EXPECT_TRUE(in.platform.timer);
  EXPECT_TRUE(in.command.State().IsHovered);
  in.platform.cursor = PointF{121, 33};  // edges are inside
  in.command.Tick();
  EXPECT_TRUE(in.platform.timer);
  in.platform.cursor = PointF{122, 5};
  in.command.Tick();
  EXPECT_FALSE(in.platform.timer);
  EXPECT_FALSE(in.command.State().IsHovered);
  EXPECT_EQ(in.log, (Log{"MouseMove(0,0,5,5)", "MouseOut"}));
  EXPECT_EQ(in.platform.canvas->At(2, 1), Rgb(255, 255, 255));  // no ring any more
}

TEST(CommandInput, DragThatLeavesAndComesBack) {
  Input in;
  in.platform.cursor = PointF{5, 5};
  in.command.Move(0, 0, 5, 5);
  in.command.Press(1, 0, 5, 5);
  in.command.Move(1, 0, 200, 5);  // outside: nothing
  in.platform.cursor = PointF{200, 5};
  in.command.Tick();  // up look although the button is still held
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
  EXPECT_FALSE(in.command.State().IsHovered);
  in.command.Move(1, 0, 6, 6);  // back over it: pressed again, not hovered
  EXPECT_EQ(in.command.State().DrawState, kStateDown);
  EXPECT_FALSE(in.command.State().IsHovered);
  const int paints = in.platform.paints;
  in.command.Move(1, 0, 7, 7);  // same look: the request costs nothing
  EXPECT_EQ(in.platform.paints, paints);
  in.command.Move(1, 0, 300, 7);
  in.command.Release(1, 0, 300, 7);  // released outside: no click notice follows
  EXPECT_EQ(in.command.State().DrawState, kStateUp);
  EXPECT_EQ(in.log, (Log{"MouseMove(0,0,5,5)", "MouseDown(1,0,5,5)", "MouseOut",
                         "MouseMove(1,0,6,6)", "MouseMove(1,0,7,7)", "MouseUp(1,0,300,7)"}));
}

TEST(CommandInput, NothingReachesTheHostWhileDisabledButTheTimerStillReportsTheExit) {
  Input in;
  in.platform.cursor = PointF{5, 5};
  in.command.Move(0, 0, 5, 5);
  in.command.SetEnabled(false);
  in.log.clear();
  in.command.Press(1, 0, 5, 5);
  in.command.Release(1, 0, 5, 5);
  in.command.Click();
  in.command.DoubleClick();
  in.command.Move(0, 0, 6, 6);
  in.command.KeyDown(32, 0);
  in.command.KeyPress(32);
  in.command.KeyUp(32, 0);
  in.command.AccessKey();
  EXPECT_TRUE(in.log.empty());
  EXPECT_TRUE(in.platform.focus_moves.empty());
  in.platform.cursor = PointF{-3, 5};
  in.command.Tick();
  EXPECT_EQ(in.log, Log{"MouseOut"});
  EXPECT_EQ(in.platform.canvas->At(40, 15), Rgb(244, 244, 234));  // the disabled look
}

TEST(CommandInput, FocusRepaintsWithoutEventsAndAccessKeyClicks) {
  Input in;
  const int paints = in.platform.paints;
  in.command.FocusGained();
  EXPECT_TRUE(in.command.State().HasFocus);
  in.command.FocusLost();
  EXPECT_FALSE(in.command.State().HasFocus);
  EXPECT_EQ(in.platform.paints, paints + 2);
  in.command.AccessKey();
  EXPECT_EQ(in.log, Log{"Click"});
}

TEST(CommandInput, AHostMayDestroyTheButtonFromAnyEvent) {
  // Handlers that go on after raising an event must notice.
  for (int which = 0; which < 4; ++which) {
    auto in = std::make_unique<Input>();
    auto kill = [&in] { in.reset(); };
    CommandEvents& e = in->command.Events();
    if (which == 0) e.MouseMove = [&](std::int16_t&, std::int16_t&, float&, float&) { kill(); };
    if (which == 1) e.KeyDown = [&](std::int16_t&, std::int16_t&) { kill(); };
    if (which == 2) e.KeyUp = [&](std::int16_t&, std::int16_t&) { kill(); };
    if (which == 3) e.MouseOut = [&] { kill(); };
    in->platform.cursor = PointF{500, 500};
    Command& c = in->command;
    if (which == 0) c.Move(0, 0, 3, 3);
    if (which == 1) c.KeyDown(32, 0);
    if (which == 2) {
      c.KeyDown(32, 0);
      c.KeyUp(32, 0);
    }
    if (which == 3) c.Tick();
    EXPECT_EQ(in, nullptr) << which;
  }
}

}  // namespace
}  // namespace qm::button
