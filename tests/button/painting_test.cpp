// Pixel checks of every look. Expected colours are derived by hand from the
// drawing rules (comments show the arithmetic), not read back from the code.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "painted.h"

namespace qm::button {
namespace {

using testing::Fixture;
using testing::Inverted;
using testing::kFace;
using testing::Look;
using testing::Painted;
using testing::SystemColor;

TEST(PaintButton, NothingIsDrawnWhileTheHeightIsZero) {
  Fixture f(121, 0);
  f.command.Load(MemoryPropertyStore{});
  f.command.Resize();
  EXPECT_EQ(f.platform.paints, 0);
  f.command.PaintButton(kStateDown, true);
  EXPECT_EQ(f.command.State().DrawState, kStateUp);  // not even DrawState changes
  EXPECT_EQ(f.platform.paints, 0);
  // The first real size paints the up look.
  f.platform.SetSize(121, 33);
  f.command.Resize();
  EXPECT_EQ(f.platform.paints, 1);
  EXPECT_EQ(f.platform.canvas->At(2, 0), Rgb(0, 60, 115));
}

TEST(PaintButton, ReturnsEarlyWithoutForceWhenLookAndCaptionAreUnchanged) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  f.command.Resize();
  const int paints = f.platform.paints;
  f.command.PaintButton(kStateUp, false);
  EXPECT_EQ(f.platform.paints, paints);
  f.command.PaintButton(kStateDown, false);
  EXPECT_EQ(f.platform.paints, paints + 1);
  EXPECT_EQ(f.command.State().DrawState, kStateDown);
  f.command.PaintButton(kStateDown, true);
  EXPECT_EQ(f.platform.paints, paints + 2);
}

TEST(XpButtonLook, BlueFaceFadesToWhiteUpwards) {
  Painted b(XpButton, 121, 33);
  // Bottom row H-2 = 31 carries one increment: 198 + 57/28, 197 + 58/28, 215 + 40/28.
  EXPECT_EQ(b.At(2, 31), Rgb(200, 199, 216));
  EXPECT_EQ(b.At(1, 31), Rgb(16, 77, 123));  // the frame's corner pixel
  // Two increments: 202.07, 201.14, 217.86.
  EXPECT_EQ(b.At(60, 30), Rgb(202, 201, 218));
  // After H - 5 = 28 increments (row 4) white, and so on above.
  EXPECT_EQ(b.At(60, 4), Rgb(255, 255, 255));
  EXPECT_EQ(b.At(60, 1), Rgb(255, 255, 255));
  // Rows end before x = W - 1; row 0 and the cut corners keep the face fill.
  EXPECT_EQ(b.At(1, 0), kFace);
  EXPECT_EQ(b.At(0, 1), kFace);
  EXPECT_EQ(b.At(120, 0), kFace);
  // The dark rounded frame.
  EXPECT_EQ(b.At(2, 0), Rgb(0, 60, 115));
  EXPECT_EQ(b.At(118, 32), Rgb(0, 60, 115));
  EXPECT_EQ(b.At(119, 32), kFace);  // the edge stops two short of the corner
  EXPECT_EQ(b.At(0, 2), Rgb(0, 60, 115));
  EXPECT_EQ(b.At(0, 31), kFace);
  EXPECT_EQ(b.At(1, 1), Rgb(16, 77, 123));
  EXPECT_EQ(b.At(119, 31), Rgb(16, 77, 123));
  // The caption, centred on one line in the text colour.
  ASSERT_EQ(b.Texts().size(), 1u);
  EXPECT_EQ(b.Texts()[0].rect, (Rect{0, 0, 121, 33}));
  EXPECT_EQ(b.Texts()[0].flags, 101u);
  EXPECT_EQ(b.Texts()[0].color, SystemColor(kColorBtnText));
}

TEST(XpButtonLook, OliveAndSilverFaces) {
  MemoryPropertyStore olive;
  olive.Set("XpType", std::int32_t{XpOlive});
  Painted o(XpButton, 121, 33, {}, olive);
  EXPECT_EQ(o.At(2, 31), Rgb(243, 238, 219));
  EXPECT_EQ(o.At(118, 30), Rgb(244, 239, 220));  // one step lighter per row
  EXPECT_EQ(o.At(119, 30), kFace);               // rows end at W - 3
  // Row 1 took 31 steps: red and green stop at 255, blue 218 + 31 = 249.
  EXPECT_EQ(o.At(50, 1), Rgb(255, 255, 249));

  MemoryPropertyStore silver;
  silver.Set("XpType", std::int32_t{XpSilver});
  Painted s(XpButton, 121, 33, {}, silver);
  // 236 + 19/28 = 236.68, 235 + 20/28 = 235.71, 230 + 25/28 = 230.89.
  EXPECT_EQ(s.At(2, 31), Rgb(237, 236, 231));

  MemoryPropertyStore other;
  other.Set("XpType", std::int32_t{9});
  Painted n(XpButton, 121, 33, {}, other);
  EXPECT_EQ(n.At(60, 20), kFace);
  EXPECT_EQ(n.At(2, 0), Rgb(0, 60, 115));
}

TEST(XpButtonLook, CustomAndSilverSchemesShadeTheFaceColour) {
  MemoryPropertyStore custom;
  custom.Set("ColorScheme", std::int32_t{SchemeCustom});
  custom.Set("BackColor", Rgb(100, 100, 96));
  Painted b(XpButton, 121, 25, {}, custom);
  // base = AdjustColor((100,100,96), 48, scale-blue) = (148, 148, 120);
  // k = 25 / 25 = 1; row i gets AdjustColor(base, Round(-i), scale-blue).
  EXPECT_EQ(b.At(0, 1), Rgb(147, 147, 120));    // these rows start at x 0
  EXPECT_EQ(b.At(60, 1), Rgb(147, 147, 120));   // blue 120 - 120/192 -> 120
  EXPECT_EQ(b.At(60, 10), Rgb(138, 138, 114));  // blue 120 + (120*-10)/192 = 114
  EXPECT_EQ(b.At(120, 10), Rgb(0, 60, 115));    // frame edge over the row end
}

TEST(XpButtonLook, HoverRingReplacesFocusDecorations) {
  Look hovered_focused{true, true, false};
  Painted h(XpButton, 121, 33, hovered_focused);
  const Color ring = Rgb(250, 195, 88);  // rectcolor
  EXPECT_EQ(h.At(2, 1), ring);
  EXPECT_EQ(h.At(118, 31), ring);
  EXPECT_EQ(h.At(1, 2), ring);
  EXPECT_EQ(h.At(1, 30), ring);  // Line(1, 2, 1, H-2) stops at H-3
  EXPECT_EQ(h.At(1, 31), Rgb(16, 77, 123));
  EXPECT_EQ(h.At(2, 2), ring);  // no dotted frame over it

  Look focused{false, true, false};
  Painted f(XpButton, 121, 33, focused);
  EXPECT_EQ(f.At(1, 2), Rgb(140, 174, 231));
  EXPECT_EQ(f.At(5, 1), Rgb(206, 231, 255));
  EXPECT_EQ(f.At(5, 31), Rgb(107, 130, 239));
  // The dotted frame inverts every other pixel of (2, 2, W-2, H-2).
  EXPECT_EQ(f.At(2, 2), Inverted(Rgb(189, 215, 247)));
  EXPECT_EQ(f.At(3, 2), Rgb(189, 215, 247));
  EXPECT_EQ(f.At(2, 4), Inverted(Rgb(181, 209, 240)));

  MemoryPropertyStore olive;
  olive.Set("XpType", std::int32_t{XpOlive});
  olive.Set("rectcolor", Rgb(1, 2, 3));
  Painted oh(XpButton, 121, 33, hovered_focused, olive);
  EXPECT_EQ(oh.At(2, 1), Rgb(228, 144, 80));  // whatever rectcolor holds
  Look is_default{false, false, true};
  Painted od(XpButton, 121, 33, is_default, olive);
  EXPECT_EQ(od.At(1, 2), Rgb(122, 184, 98));
  EXPECT_EQ(od.At(3, 2), Rgb(122, 184, 98));
  EXPECT_EQ(od.At(2, 2), Inverted(Rgb(122, 184, 98)));
}

TEST(XpButtonLook, PressedFacesAndFrameOverTheCaption) {
  Look pressed{false, false, false, kStateDown};
  Painted b(XpButton, 121, 33, pressed);
  // Row 1 first: 171 + 84/28 = 174, 170 + 85/28 = 173.04, 188 + 67/28 = 190.39.
  EXPECT_EQ(b.At(60, 1), Rgb(174, 173, 190));
  EXPECT_EQ(b.At(2, 0), Rgb(0, 60, 115));
  ASSERT_EQ(b.Texts().size(), 1u);
  EXPECT_EQ(b.Texts()[0].rect, (Rect{2, 2, 121, 33}));

  MemoryPropertyStore olive;
  olive.Set("XpType", std::int32_t{XpOlive});
  Painted o(XpButton, 121, 30, pressed, olive);
  // base = AdjustColor(AdjustColor((240,240,240), 48, sb), -32, sb):
  // (255,255,255) then (223,223,213); k = 15/30 = 0.5.
  // Row H - 1 (i = 1): Round(-0.5) = 0 -> base. Row H - 3 (i = 3): Round(-1.5) = -2.
  EXPECT_EQ(o.At(1, 29), Rgb(223, 223, 213));
  EXPECT_EQ(o.At(60, 27), Rgb(221, 221, 211));  // blue 213 + (213*-2)/192 = 211
  // Row 0 is painted by i = H, left of the frame's edge.
  EXPECT_EQ(o.At(1, 0), Rgb(208, 208, 197));  // Round(-15) = -15; 213 - 16 = 197

  Look focused_pressed{false, true, false, kStateDown};
  Painted fp(XpButton, 121, 33, focused_pressed);
  EXPECT_EQ(fp.At(2, 2), Inverted(b.At(2, 2)));  // dotted frame, no ring
  EXPECT_EQ(fp.At(1, 2), b.At(1, 2));
}

TEST(ClassicButtonLook, BevelPixels) {
  Painted b(ClassicButton, 40, 20);
  const Color light = SystemColor(kColor3dLight);
  const Color dark = SystemColor(kColor3dDkShadow);
  const Color shadow = SystemColor(kColorBtnShadow);
  const Color hi = SystemColor(kColorBtnHighlight);
  EXPECT_EQ(b.At(10, 10), light);
  EXPECT_EQ(b.At(2, 0), dark);
  EXPECT_EQ(b.At(1, 1), dark);
  EXPECT_EQ(b.At(1, 2), kFace);
  EXPECT_EQ(b.At(5, 2), hi);
  EXPECT_EQ(b.At(3, 3), hi);
  EXPECT_EQ(b.At(37, 5), kFace);   // Line(W-3, 1, W-3, H-3)
  EXPECT_EQ(b.At(38, 5), shadow);  // Line(W-2, 3, W-2, H-2)
  EXPECT_EQ(b.At(37, 17), shadow);
  EXPECT_EQ(b.At(2, 18), kFace);
  EXPECT_EQ(b.At(2, 17), light);
  EXPECT_EQ(b.At(38, 2), kFace);
  EXPECT_EQ(b.At(37, 2), light);
}

TEST(ClassicButtonLook, FocusGivesTheRingButNoDottedFrameAndPressedShowsNeither) {
  Look focused{false, true, false};
  Painted f(ClassicButton, 40, 20, focused);
  EXPECT_EQ(f.At(1, 2), Rgb(189, 215, 247));  // the classic form of the second line
  EXPECT_EQ(f.At(38, 2), Rgb(189, 215, 247));
  EXPECT_EQ(f.At(2, 4), Rgb(181, 209, 240));  // not inverted
  Look pressed{false, false, false, kStateDown};
  Look focused_pressed{false, true, false, kStateDown};
  Painted p(ClassicButton, 40, 20, pressed);
  Painted fp(ClassicButton, 40, 20, focused_pressed);
  EXPECT_EQ(p.Pixels(), fp.Pixels());
  // S16, S32, S64 of the shadow (160): 144, 128, 96.
  EXPECT_EQ(p.At(10, 10), Rgb(144, 144, 144));
  EXPECT_EQ(p.At(10, 1), Rgb(96, 96, 96));
  EXPECT_EQ(p.At(10, 2), Rgb(128, 128, 128));
  EXPECT_EQ(p.At(2, 2), Rgb(96, 96, 96));
  EXPECT_EQ(p.At(37, 10), Rgb(160, 160, 160));
  ASSERT_EQ(p.Texts().size(), 1u);
  EXPECT_EQ(p.Texts()[0].color, SystemColor(kColor3dLight));
}

TEST(ClassicButtonLook, DisabledCaptionIsEmbossed) {
  Look disabled{false, false, false, kStateUp, false};
  Painted d(ClassicButton, 40, 20, disabled);
  ASSERT_EQ(d.Texts().size(), 2u);
  EXPECT_EQ(d.Texts()[0].color, SystemColor(kColorBtnShadow));
  EXPECT_EQ(d.Texts()[0].rect, (Rect{0, 0, 40, 20}));
  EXPECT_EQ(d.Texts()[1].color, SystemColor(kColorBtnHighlight));
  EXPECT_EQ(d.Texts()[1].rect, (Rect{2, 2, 40, 20}));
  // A caption too wide wraps the highlight copy only, two pixels lower.
  MemoryPropertyStore wide;
  wide.Set("Caption", std::string("ABCDEFGHIJ"));  // 70 pixels wide
  Painted w(ClassicButton, 40, 20, disabled, wide);
  ASSERT_EQ(w.Texts().size(), 2u);
  EXPECT_EQ(w.Texts()[0].flags, 101u);
  EXPECT_EQ(w.Texts()[1].flags, 17u);
  // lines = 70 \ 40 + 1 = 2; Round(20 - 24) \ 2 + 2 = 0.
  EXPECT_EQ(w.Texts()[1].rect.top, 0);
}

// Expected row colour of a glass gradient, derived in double precision.
Color GlassRow(Color mid, Color end, double divisor, int steps) {
  auto ch = [&](int m, int e) {
    double v = m;
    for (int i = 0; i < steps; ++i) v = std::fmin(255.0, std::fmax(0.0, v + (e - m) / divisor));
    return static_cast<int>(std::lround(v));
  };
  return Rgb(ch(RedOf(mid), RedOf(end)), ch(GreenOf(mid), GreenOf(end)),
             ch(BlueOf(mid), BlueOf(end)));
}

TEST(GlassButtonLook, GradientsHighlightRowsAndBottomRows) {
  Painted b(GlassButton, 121, 33);
  const Color mid = Rgb(116, 200, 115);
  const Color end = Rgb(215, 246, 215);
  const double p = 16 * 33 / 100.0;  // 5.28; Round(P) = 5
  EXPECT_EQ(b.At(1, 5), mid);
  EXPECT_EQ(b.At(60, 4), GlassRow(mid, end, p - 1, 1));
  EXPECT_EQ(b.At(119, 3), GlassRow(mid, end, p - 1, 2));
  // Top highlight: white at x 2, end at x W - 8, darker after it.
  EXPECT_EQ(b.At(2, 1), Rgb(255, 255, 255));
  EXPECT_EQ(b.At(113, 1), end);
  // x = 118 (i = 116): 255 - (40*116)\111 = 214, 255 - (9*116)\111 = 246.
  EXPECT_EQ(b.At(118, 1), Rgb(214, 246, 214));
  // Second row: divisor W - (2W)\3 - 2 = 39, so end at i = 39 (x 41); it
  // stops at x = W - W\3 = 81 (i = 79: 255 - 3160\39 = 174, 255 - 711\39 = 237).
  EXPECT_EQ(b.At(41, 2), end);
  EXPECT_EQ(b.At(81, 2), Rgb(174, 237, 174));
  EXPECT_EQ(b.At(82, 2), GlassRow(mid, end, p - 1, 3));
  // Rows P+1, P+2 (6, 7) and the first lower row (8) in mid.
  EXPECT_EQ(b.At(5, 6), mid);
  EXPECT_EQ(b.At(5, 8), mid);
  EXPECT_EQ(b.At(5, 9), GlassRow(mid, end, 33 - p - 4, 1));
  EXPECT_EQ(b.At(5, 10), mid);  // the line at Round(P + 5)
  // Rows H-9, H-8 and H-3, H-2 repeat the colour found at (2, H-10).
  const Color shade = b.At(2, 23);
  EXPECT_EQ(shade, GlassRow(mid, end, 33 - p - 4, 15));
  EXPECT_EQ(b.At(60, 24), shade);
  EXPECT_EQ(b.At(60, 25), shade);
  EXPECT_EQ(b.At(5, 31), shade);
  EXPECT_EQ(b.At(1, 31), Rgb(183, 183, 183));    // frame corner pixel
  EXPECT_EQ(b.At(119, 31), Rgb(183, 183, 183));  // frame corner pixel
  EXPECT_EQ(b.At(118, 30), shade);
  EXPECT_EQ(b.At(119, 30), kFace);  // the row stops at W - 3, the edge is at W - 1
  EXPECT_EQ(b.At(2, 0), Rgb(183, 183, 183));
}

}  // namespace
}  // namespace qm::button
