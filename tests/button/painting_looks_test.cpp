// Gel, Office XP, disabled and look-less types; captions; focus rules;
// degenerate sizes; the window shape.
#include <gtest/gtest.h>

#include "button/instances.h"
#include "button/paint_primitives.h"
#include "painted.h"

namespace qm::button {
namespace {

using testing::Fixture;
using testing::Inverted;
using testing::kFace;
using testing::Look;
using testing::Painted;
using testing::SystemColor;

// The layout of the program's gel button (its refresh button), as the
// instance table writes it: a colour the table sets from the wrong preset
// field shows in the bands below.
MemoryPropertyStore GelLayout() {
  for (const ProgramInstance& instance : ProgramInstances()) {
    if (instance.colors == InstanceColors::kGel) return InstanceLayout(instance);
  }
  ADD_FAILURE() << "the program has no gel button";
  return {};
}

TEST(GelButtonLook, GradientBandGradientAndFrames) {
  Painted b(GelButton, 121, 33, {}, GelLayout());
  // P = 53 * 33 / 100 = 17.49, Round 17. a = Round(67/16.49, 40/16.49, 0) = (4, 2, 0).
  EXPECT_EQ(b.At(5, 17), Rgb(134, 181, 255));  // mid + 10, blue 265 counts as 255
  EXPECT_EQ(b.At(5, 16), Rgb(138, 183, 255));
  EXPECT_EQ(b.At(5, 3), Rgb(134 + 14 * 4, 181 + 14 * 2, 255));
  // Band rows Round(18.49) = 18 .. Round(17.49 + 8.91) = 26 in mid.
  EXPECT_EQ(b.At(5, 18), Rgb(124, 171, 255));
  EXPECT_EQ(b.At(5, 25), Rgb(124, 171, 255));
  // Lower gradient from Round(80 * 33 / 100) = 26: mid + 5, then
  // b = Round(67/11.51, 40/11.51) = (6, 3) per row.
  EXPECT_EQ(b.At(5, 26), Rgb(129, 176, 255));
  EXPECT_EQ(b.At(5, 27), Rgb(135, 179, 255));
  EXPECT_EQ(b.At(5, 29), Rgb(147, 185, 255));
  // Frames and the light line at H - 3.
  EXPECT_EQ(b.At(1, 10), Rgb(211, 229, 255));
  EXPECT_EQ(b.At(5, 1), Rgb(211, 229, 255));
  EXPECT_EQ(b.At(2, 10), Rgb(201, 216, 255));
  EXPECT_EQ(b.At(5, 30), Rgb(207, 234, 255));
  EXPECT_EQ(b.At(0, 10), Rgb(81, 107, 148));
  EXPECT_EQ(b.At(1, 1), Rgb(81, 107, 148));
  // Rows below H - 3 keep the frames or the face fill.
  EXPECT_EQ(b.At(5, 31), Rgb(211, 229, 255));
  EXPECT_EQ(b.At(0, 0), kFace);

  Painted h(GelButton, 121, 33, Look{true}, GelLayout());
  EXPECT_EQ(h.At(5, 18), Rgb(157, 203, 255));  // the band in MouseMoveMidColor
  Painted d(GelButton, 121, 33, Look{false, false, false, kStateDown}, GelLayout());
  EXPECT_EQ(d.At(5, 18), Rgb(100, 153, 255));
  Painted off(GelButton, 121, 33, Look{false, false, false, kStateUp, false}, GelLayout());
  EXPECT_EQ(off.At(5, 18), Rgb(198, 218, 255));
  EXPECT_EQ(off.At(0, 10), Rgb(128, 140, 162));
  ASSERT_EQ(off.Texts().size(), 1u);
  EXPECT_EQ(off.Texts()[0].color, Rgb(171, 168, 153));
}

TEST(GlassButtonLook, HoverPressedAndSchemeBorders) {
  // Row Round(P) = 5 carries each face's mid colour; (2, 0) its border.
  struct Case {
    Look look;
    std::int32_t scheme;
    Color mid;
    Color border;
  };
  const Case cases[] = {
      {Look{true}, 1, Rgb(53, 163, 51), Rgb(82, 134, 182)},
      {Look{true}, 2, Rgb(53, 163, 51), Rgb(1, 109, 1)},
      {Look{}, 3, Rgb(116, 200, 115), Rgb(1, 109, 1)},
      {Look{false, false, false, kStateDown}, 1, Rgb(132, 208, 133), Rgb(203, 130, 62)},
      {Look{false, false, false, kStateDown}, 2, Rgb(132, 208, 133), Rgb(84, 157, 84)},
  };
  for (const Case& c : cases) {
    MemoryPropertyStore l;
    l.Set("ColorScheme", c.scheme);
    Painted b(GlassButton, 121, 33, c.look, l);
    EXPECT_EQ(b.At(5, 5), c.mid) << c.scheme;
    EXPECT_EQ(b.At(2, 0), c.border) << c.scheme;
  }
  // The flat pressed face of the other schemes: mid everywhere inside.
  MemoryPropertyStore custom;
  custom.Set("ColorScheme", std::int32_t{SchemeCustom});
  Painted flat(GlassButton, 121, 33, Look{false, false, false, kStateDown}, custom);
  EXPECT_EQ(flat.At(60, 1), Rgb(132, 208, 133));
  EXPECT_EQ(flat.At(60, 31), Rgb(132, 208, 133));
}

TEST(XpButtonLook, FocusRingComesBackWhenThePointerLeaves) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  f.command.Resize();
  f.command.FocusGained();
  const Color ring_dot = f.platform.canvas->At(2, 2);
  f.command.Move(0, 0, 5, 5);
  EXPECT_EQ(f.platform.canvas->At(2, 2), Rgb(250, 195, 88));
  f.command.Setrectcolor(Rgb(9, 9, 9));  // shows only at the next repaint
  EXPECT_EQ(f.platform.canvas->At(2, 2), Rgb(250, 195, 88));
  f.command.AmbientChanged();
  EXPECT_EQ(f.platform.canvas->At(2, 2), Rgb(9, 9, 9));
  f.platform.cursor = PointF{-1, 5};
  f.command.Tick();
  EXPECT_EQ(f.platform.canvas->At(2, 2), ring_dot);
}

TEST(OfficeXpButtonLook, FlatFillsAndTheFocusFrameOnlyForKeyboardFocus) {
  Painted b(OfficeXpButton, 60, 20);
  EXPECT_EQ(b.At(0, 0), Rgb(188, 188, 66));
  EXPECT_EQ(b.At(59, 19), Rgb(188, 188, 66));
  EXPECT_EQ(b.At(10, 10), Rgb(222, 222, 160));
  Painted h(OfficeXpButton, 60, 20, Look{true});
  EXPECT_EQ(h.At(0, 0), Rgb(127, 128, 1));
  EXPECT_EQ(h.At(10, 10), Rgb(220, 220, 186));
  Painted d(OfficeXpButton, 60, 20, Look{false, false, true});
  EXPECT_EQ(d.Pixels(), b.Pixels());  // the default-button flag plays no part
  Painted f(OfficeXpButton, 60, 20, Look{false, true});
  // Anchor (W - 3) + 2 = 59: (3, 2) is a dot, (2, 2) is not.
  EXPECT_EQ(f.At(3, 2), Inverted(Rgb(222, 222, 160)));
  EXPECT_EQ(f.At(2, 2), Rgb(222, 222, 160));
  // Pressed: (220,220,186) offset by (-30,-30,-60) within 250.
  Painted p(OfficeXpButton, 60, 20, Look{false, false, false, kStateDown});
  EXPECT_EQ(p.At(10, 10), Rgb(190, 190, 126));
  EXPECT_EQ(p.At(0, 0), Rgb(127, 128, 1));
  MemoryPropertyStore silver;
  silver.Set("ColorScheme", std::int32_t{SchemeSilver});
  silver.Set("OfficeXpMousemoveFillColor", Rgb(193, 210, 238));
  Painted ps(OfficeXpButton, 60, 20, Look{false, false, false, kStateDown}, silver);
  EXPECT_EQ(ps.At(10, 10), Rgb(153, 180, 223));
  Painted off(OfficeXpButton, 60, 20, Look{false, false, false, kStateUp, false});
  EXPECT_EQ(off.At(0, 0), Rgb(188, 188, 64));
  EXPECT_EQ(off.At(10, 10), Rgb(238, 239, 208));
  Painted off_silver(OfficeXpButton, 60, 20, Look{false, false, false, kStateUp, false}, silver);
  EXPECT_EQ(off_silver.At(0, 0), Rgb(188, 188, 66));  // the loaded frame colour
  ASSERT_EQ(off_silver.Texts().size(), 1u);
  EXPECT_EQ(off_silver.Texts()[0].color, Rgb(188, 188, 66));
}

TEST(DisabledLooks, IgnoreHoverFocusAndDrawState) {
  for (std::int32_t type : {1, 2, 3, 4, 5, 6, 8}) {
    Painted plain(type, 80, 26, Look{false, false, false, kStateUp, false});
    Painted busy(type, 80, 26, Look{true, true, true, kStateDown, false});
    EXPECT_EQ(plain.Pixels(), busy.Pixels()) << type;
  }
  Painted xp(XpButton, 80, 26, Look{false, false, false, kStateUp, false});
  EXPECT_EQ(xp.At(40, 13), Rgb(244, 244, 234));
  EXPECT_EQ(xp.At(0, 0), Rgb(244, 244, 234));
  EXPECT_EQ(xp.At(2, 0), Rgb(201, 199, 186));
  EXPECT_EQ(xp.Texts()[0].color, Rgb(161, 162, 146));
  Painted glass(GlassButton, 80, 26, Look{false, false, false, kStateUp, false});
  EXPECT_EQ(glass.At(40, 13), Rgb(241, 242, 237));
  EXPECT_EQ(glass.At(2, 0), Rgb(204, 204, 202));
  EXPECT_EQ(glass.At(0, 0), kFace);
}

TEST(LooklessTypes, FaceFillAndCaptionOnlyInTheUpLook) {
  for (std::int32_t type : {0, 6, 8, 9, -3}) {
    Painted up(type, 50, 20);
    EXPECT_EQ(up.At(0, 0), kFace);
    EXPECT_EQ(up.At(25, 10), kFace);
    EXPECT_EQ(up.Texts().size(), 1u) << type;
    Painted down(type, 50, 20, Look{false, false, false, kStateDown});
    EXPECT_TRUE(down.Texts().empty()) << type;
    Painted off(type, 50, 20, Look{false, false, false, kStateUp, false});
    EXPECT_TRUE(off.Texts().empty()) << type;
  }
}

TEST(FocusRules, ShowFocusRectFalseHidesEveryRingAndFrame) {
  MemoryPropertyStore hide;
  hide.Set("ShowFocusRect", false);
  for (std::int32_t type : {1, 2, 3, 4, 5}) {
    for (std::uint8_t state : {kStateUp, kStateDown}) {
      Painted plain(type, 70, 24, Look{false, false, false, state}, hide);
      Painted focused(type, 70, 24, Look{false, true, true, state}, hide);
      EXPECT_EQ(plain.Pixels(), focused.Pixels()) << type;
    }
  }
}

TEST(FocusRules, DefaultButtonFlagDrawsTheFrameOnTheUpLookOfTypesOneToFour) {
  for (std::int32_t type : {1, 3, 4}) {
    Painted plain(type, 70, 24);
    Painted is_default(type, 70, 24, Look{false, false, true});
    // Anchor (W - 3) + 2 = 69: (3, 2) is a dot of the frame (3 + 2 - 69 even).
    const Color under = type == XpButton ? Rgb(189, 215, 247) : plain.At(3, 2);
    EXPECT_EQ(is_default.At(3, 2), Inverted(under)) << type;
    EXPECT_NE(plain.Pixels(), is_default.Pixels()) << type;
  }
}

TEST(Captions, FitsOnOneLineUpToTheWidthThenWraps) {
  struct Case {
    int w;
    int h;
    int chars;  // 7 pixels each
    unsigned flags;
    int top;
  };
  const Case cases[] = {
      {70, 33, 10, 101u, 0},   // exactly as wide: one line
      {69, 33, 10, 17u, 4},    // one pixel narrower: lines = 70\69 + 1 = 2; Round(33-24)\2
      {70, 20, 30, 17u, -14},  // 210\70 + 1 = 4 lines; Round(20 - 48)\2 = -14
      {70, 33, 0, 101u, 0},    // empty caption
  };
  for (const Case& c : cases) {
    MemoryPropertyStore l;
    l.Set("Caption", std::string(static_cast<std::size_t>(c.chars), 'x'));
    Painted b(XpButton, c.w, c.h, {}, l);
    ASSERT_EQ(b.Texts().size(), 1u);
    EXPECT_EQ(b.Texts()[0].flags, c.flags) << c.w << " " << c.chars;
    EXPECT_EQ(b.Texts()[0].rect, (Rect{0, c.top, c.w, c.h})) << c.w << " " << c.chars;
  }
}

TEST(Captions, PressedLayoutFollowsTheLastWrappedUpLayout) {
  Fixture f(69, 33);
  MemoryPropertyStore l;
  l.Set("Caption", std::string(10, 'x'));
  f.command.Load(l);
  f.command.Resize();  // wraps the up caption: TextRect.top = 4
  f.platform.canvas->ForgetTextCalls();
  f.command.PaintButton(kStateDown, true);
  ASSERT_EQ(f.platform.canvas->TextCalls().size(), 1u);
  EXPECT_EQ(f.platform.canvas->TextCalls()[0].rect, (Rect{2, 6, 69, 33}));
  // A short caption afterwards is single-line in the rectangle as left.
  f.command.SetCaption("OK");
  f.platform.canvas->ForgetTextCalls();
  f.command.PaintButton(kStateDown, true);
  EXPECT_EQ(f.platform.canvas->TextCalls()[0].rect, (Rect{2, 6, 69, 33}));
  EXPECT_EQ(f.platform.canvas->TextCalls()[0].flags, 101u);
}

TEST(Captions, AmpersandsGoToThePlatformUnchanged) {
  MemoryPropertyStore l;
  l.Set("Caption", std::string("&Save && go"));
  Painted b(XpButton, 121, 33, {}, l);
  ASSERT_EQ(b.Texts().size(), 1u);
  EXPECT_EQ(b.Texts()[0].text, "&Save && go");
  EXPECT_EQ(b.Texts()[0].shown, "Save & go");
  EXPECT_EQ(b.Texts()[0].underline, 0);
}

TEST(DegenerateSizes, EveryLookPaintsWithoutFailing) {
  const int sizes[][2] = {{1, 1},   {2, 2},   {3, 3},   {4, 4},   {5, 5},   {6, 6},    {121, 1},
                          {121, 2}, {121, 3}, {121, 4}, {121, 5}, {121, 9}, {121, 10}, {9, 33},
                          {10, 33}, {6, 33},  {0, 33},  {0, 1},   {1, 40},  {300, 7}};
  const Look looks[] = {{},
                        {true},
                        {false, true},
                        {false, false, true},
                        {false, true, true, kStateDown},
                        {false, false, false, kStateUp, false}};
  for (std::int32_t type : {1, 2, 3, 4, 5, 9}) {
    for (const auto& s : sizes) {
      for (const Look& look : looks) {
        for (std::int32_t scheme : {1, 2, 3}) {
          for (std::int32_t xp : {1, 2, 3}) {
            MemoryPropertyStore l = GelLayout();
            l.Set("ColorScheme", scheme);
            l.Set("XpType", xp);
            l.Set("Caption", std::string("Wide caption"));
            Painted b(type, s[0], s[1], look, l);
            EXPECT_EQ(b.fixture().command.State().ButtonWidth, s[0]);
          }
        }
      }
    }
  }
}

TEST(DegenerateSizes, ACaptionOnAButtonWithNoWidthCountsAsOneLine) {
  MemoryPropertyStore l;
  l.Set("Caption", std::string("OK"));
  Painted b(XpButton, 0, 33, {}, l);
  ASSERT_EQ(b.Texts().size(), 1u);
  EXPECT_EQ(b.Texts()[0].flags, 17u);
  EXPECT_EQ(b.Texts()[0].rect.top, 10);  // Round(33 - 12 * 1) \ 2
}

TEST(DegenerateSizes, DivisionsByZeroHaveASoundResult) {
  // FadeToWhite at H = 5: the fade reaches white in its first row.
  Painted xp(XpButton, 40, 5);
  EXPECT_EQ(xp.At(10, 3), Rgb(255, 255, 255));
  // Glass at W = 10: the top highlight reaches its end colour at once.
  Painted g10(GlassButton, 10, 33);
  EXPECT_EQ(g10.At(2, 1), Rgb(255, 255, 255));
  EXPECT_EQ(g10.At(3, 1), Rgb(215, 246, 215));
  EXPECT_EQ(g10.At(4, 1), Rgb(175, 237, 175));  // 255 - 2 * 40, 255 - 2 * 9
  // Glass at W = 6: second-row divisor 6 - 4 - 2 = 0.
  Painted g6(GlassButton, 6, 33);
  EXPECT_EQ(g6.At(2, 2), Rgb(255, 255, 255));
  EXPECT_EQ(g6.At(3, 2), Rgb(215, 246, 215));
  // P = 1 and H - P - 4 = 0 together: percent 20 at H = 5.
  MemoryPropertyStore p20;
  p20.Set("Percent", std::int16_t{20});
  Painted g5(GlassButton, 30, 5, {}, p20);
  EXPECT_EQ(g5.At(1, 1), Rgb(116, 200, 115));   // the one upper row, in mid
  EXPECT_EQ(g5.At(10, 3), Rgb(116, 200, 115));  // rows P+1 and P+2 in mid
  Painted gel5(GelButton, 30, 5, {}, p20);
  EXPECT_EQ(gel5.At(0, 2), Rgb(81, 107, 148));
  EXPECT_EQ(gel5.At(5, 2), Rgb(207, 234, 255));  // the light line at H - 3 over the band
  // Percent 10 at H = 10 gives P = 1 for the gel face.
  MemoryPropertyStore p10;
  p10.Set("Percent", std::int16_t{10});
  Painted gel10(GelButton, 30, 10, {}, p10);
  EXPECT_EQ(gel10.At(5, 3), Rgb(116, 200, 115));  // band rows 2..4, frames on row 2
  EXPECT_EQ(gel10.At(5, 4), Rgb(121, 205, 120));  // the lower gradient starts at row 4
}

TEST(DegenerateSizes, GlassLowerThanTenHasNoBorder) {
  Painted low(GlassButton, 60, 9);
  EXPECT_EQ(low.At(2, 0), kFace);
  EXPECT_EQ(low.At(0, 4), kFace);
  Painted ten(GlassButton, 60, 10);
  EXPECT_EQ(ten.At(2, 0), Rgb(183, 183, 183));
}

TEST(WindowShape, CornersAreCutForTypesThreeFourEightAndNine) {
  for (std::int32_t type : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
    const WindowShape s = BuildWindowRegion(type, 20, 10);
    const bool cut = type == 3 || type == 4 || type == 8 || type == 9;
    EXPECT_EQ(s.removed.size(), cut ? 12u : 0u) << type;
    for (const auto& p : {std::pair{0, 0},
                          {1, 0},
                          {0, 1},
                          {19, 0},
                          {18, 0},
                          {19, 1},
                          {0, 9},
                          {1, 9},
                          {0, 8},
                          {19, 9},
                          {18, 9},
                          {19, 8}}) {
      EXPECT_EQ(s.Contains(p.first, p.second), !cut) << type << " " << p.first << "," << p.second;
    }
    EXPECT_TRUE(s.Contains(1, 1));
    EXPECT_TRUE(s.Contains(2, 0));
    EXPECT_FALSE(s.Contains(20, 5));
  }
  // A glass button under 10 pixels high is cut all the same.
  Fixture f(60, 8);
  MemoryPropertyStore l;
  l.Set("ButtonType", std::int32_t{GlassButton});
  f.command.Load(l);
  f.command.Resize();
  EXPECT_FALSE(f.platform.shape.Contains(0, 0));
  EXPECT_FALSE(f.platform.shape.Contains(59, 7));
}

}  // namespace
}  // namespace qm::button
