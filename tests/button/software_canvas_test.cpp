// The software canvas must follow the platform's pixel rules, which were
// measured on the GDI of the test platform; the Win32 agreement test checks
// the same rules against a real device context.
#include "testing/software_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm::button {
namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kInk = 0;

// Renders the canvas as rows of '#' (ink) and '.' (background).
std::vector<std::string> Picture(const SoftwareCanvas& c) {
  std::vector<std::string> rows;
  for (int y = 0; y < c.Height(); ++y) {
    std::string row;
    for (int x = 0; x < c.Width(); ++x) row += c.At(x, y) == kInk ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(SoftwareCanvas, RectanglesExcludeRightAndBottomAndReversedSpansMirror) {
  struct Case {
    Rect r;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{1, 1, 4, 3}, {"......", ".###..", ".###..", "......"}},
      {{2, 1, 2, 3}, {"......", "......", "......", "......"}},  // empty
      // A reversed extent covers right + 1 .. left, as the platform does.
      {{4, 1, 1, 2}, {"......", "..###.", "......", "......"}},
      {{1, 3, 2, 1}, {"......", "......", ".#....", ".#...."}},
      {{-2, -1, 2, 1}, {"##....", "......", "......", "......"}},  // clipped
  };
  for (const Case& c : cases) {
    SoftwareCanvas canvas(6, 4, kWhite);
    canvas.FillRect(c.r, kInk);
    EXPECT_EQ(Picture(canvas), c.want) << c.r.left << "," << c.r.top;
  }
}

TEST(SoftwareCanvas, FrameRectDrawsNothingForEmptyOrReversedRectangles) {
  struct Case {
    Rect r;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{0, 0, 5, 4}, {"#####.", "#...#.", "#...#.", "#####."}},
      {{1, 0, 2, 3}, {".#....", ".#....", ".#....", "......"}},  // one pixel wide
      {{1, 1, 1, 3}, {"......", "......", "......", "......"}},  // zero wide
      {{4, 0, 1, 3}, {"......", "......", "......", "......"}},  // reversed
      {{3, 1, 9, 3}, {"......", "...###", "...###", "......"}},  // clipped at the right
  };
  for (const Case& c : cases) {
    SoftwareCanvas canvas(6, 4, kWhite);
    canvas.FrameRect(c.r, kInk);
    EXPECT_EQ(Picture(canvas), c.want) << c.r.left << "," << c.r.right;
  }
}

TEST(SoftwareCanvas, LinesLeaveOutTheirEndPointInEitherDirection) {
  SoftwareCanvas canvas(8, 7, kWhite);
  canvas.Line(6, 1, 2, 1, kInk);  // backwards: 6..3
  canvas.Line(1, 2, 1, 5, kInk);  // down: 2..4
  canvas.Line(4, 4, 4, 4, kInk);  // zero length: nothing
  canvas.Line(5, 6, 5, 3, kInk);  // up: 6..4
  const std::vector<std::string> want = {"........", "...####.", ".#......", ".#......",
                                         ".#...#..", ".....#..", ".....#.."};
  EXPECT_EQ(Picture(canvas), want);
}

TEST(SoftwareCanvas, DiagonalLinesRoundTiesTowardsTheStart) {
  SoftwareCanvas canvas(8, 12, kWhite);
  canvas.Line(0, 0, 7, 3, kInk);
  canvas.Line(0, 5, 3, 11, kInk);
  const std::vector<std::string> want = {"##......", "..##....", "....##..", "......#.",
                                         "........", "#.......", "#.......", ".#......",
                                         ".#......", "..#.....", "..#.....", "........"};
  EXPECT_EQ(Picture(canvas), want);
}

TEST(SoftwareCanvas, PixelsReadBackAndOutsideIsUnknown) {
  SoftwareCanvas canvas(3, 2, kWhite);
  canvas.SetPixelV(2, 1, Rgb(1, 2, 3));
  EXPECT_EQ(canvas.GetPixel(2, 1), Rgb(1, 2, 3));
  EXPECT_EQ(canvas.GetPixel(0, 0), kWhite);
  EXPECT_EQ(canvas.GetPixel(3, 0), std::nullopt);
  EXPECT_EQ(canvas.GetPixel(0, -1), std::nullopt);
  canvas.SetPixelV(-1, 5, kInk);  // ignored, no failure
  canvas.Clear();
  EXPECT_EQ(canvas.GetPixel(2, 1), kWhite);
}

TEST(SoftwareCanvas, FocusRectangleInvertsACheckerboardAnchoredTopRight) {
  struct Case {
    Rect r;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{1, 1, 11, 8},
       {"............", "..#.#.#.#.#.", ".#..........", "..........#.", ".#..........",
        "..........#.", ".#..........", "..#.#.#.#.#.", "............"}},
      {{1, 1, 6, 5},
       {"............", ".#.#.#......", "............", ".#...#......", "..#.#.......",
        "............", "............", "............", "............"}},
      // One pixel high or wide: only the end pixels that fit the pattern.
      {{2, 2, 6, 3},
       {"............", "............", ".....#......", "............", "............",
        "............", "............", "............", "............"}},
      {{2, 2, 9, 3},
       {"............", "............", "..#.....#...", "............", "............",
        "............", "............", "............", "............"}},
      {{2, 2, 3, 5},
       {"............", "............", "..#.........", "............", "..#.........",
        "............", "............", "............", "............"}},
      {{2, 2, 3, 6},
       {"............", "............", "..#.........", "............", "............",
        "............", "............", "............", "............"}},
      // Reversed edges are put in order first: this is (2, 2, 6, 3).
      {{2, 3, 6, 2},
       {"............", "............", ".....#......", "............", "............",
        "............", "............", "............", "............"}},
      // Empty, single pixel: nothing.
      {{2, 2, 2, 5}, std::vector<std::string>(9, "............")},
      {{2, 2, 1, 1}, std::vector<std::string>(9, "............")},
      {{2, 2, 3, 3}, std::vector<std::string>(9, "............")},
  };
  for (const Case& c : cases) {
    SoftwareCanvas canvas(12, 9, kWhite);
    canvas.DrawFocusRect(c.r);
    EXPECT_EQ(Picture(canvas), c.want)
        << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;
  }
}

TEST(SoftwareCanvas, FocusRectangleInvertsWhatLiesBeneath) {
  SoftwareCanvas canvas(8, 6, Rgb(10, 200, 30));
  canvas.SetTextColor(Rgb(255, 0, 0));  // the colour plays no part
  canvas.DrawFocusRect(Rect{1, 1, 6, 5});
  EXPECT_EQ(canvas.At(1, 1), Rgb(245, 55, 225));
  EXPECT_EQ(canvas.At(2, 1), Rgb(10, 200, 30));
  canvas.DrawFocusRect(Rect{1, 1, 6, 5});  // drawn twice it disappears
  EXPECT_EQ(canvas.At(1, 1), Rgb(10, 200, 30));
}

TEST(SoftwareCanvas, TextIsRecordedWithItsColourAndMeasuredByTheFixedMetric) {
  SoftwareCanvas canvas(50, 20, kWhite, TextMetric{6.0, 11.0});
  canvas.SetTextColor(Rgb(9, 8, 7));
  canvas.DrawText("A&&B&c", Rect{0, 2, 50, 20}, kSingleLineFlags);
  ASSERT_EQ(canvas.TextCalls().size(), 1u);
  const TextCall& call = canvas.TextCalls()[0];
  EXPECT_EQ(call.text, "A&&B&c");
  EXPECT_EQ(call.shown, "A&Bc");
  EXPECT_EQ(call.underline, 3);
  EXPECT_EQ(call.rect, (Rect{0, 2, 50, 20}));
  EXPECT_EQ(call.flags, 101u);
  EXPECT_EQ(call.color, Rgb(9, 8, 7));
  const TextSize size = canvas.MeasureText("\xE6\x89\xAB&x");  // 3 code points
  EXPECT_DOUBLE_EQ(size.width, 18.0);
  EXPECT_DOUBLE_EQ(size.height, 11.0);
  EXPECT_EQ(kWrappedFlags, 17u);
}

}  // namespace
}  // namespace qm::button
