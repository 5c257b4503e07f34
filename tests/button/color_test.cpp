#include "button/color.h"

#include <gtest/gtest.h>

#include <limits>

namespace qm::button {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double v;
    int want;
  };
  const Case cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},   {-0.5, 0}, {-1.5, -2},
                        {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7.0, 7},  {0.0, 0}};
  for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.v), c.want) << c.v;
}

TEST(RoundHalfEven, DegenerateValuesDoNotFail) {
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()),
            std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(RoundHalfEven(-std::numeric_limits<double>::infinity()),
            std::numeric_limits<std::int32_t>::min());
}

TEST(Rgb, ChannelsOutsideTheByteRangeAreLimited) {
  EXPECT_EQ(Rgb(1, 2, 3), 1 + 2 * 256 + 3 * 65536);
  EXPECT_EQ(Rgb(300, 0, 0), 255);
  EXPECT_EQ(Rgb(0, 256, 0), 255 * 256);
  EXPECT_EQ(Rgb(-5, 0, 999), 255 * 65536);
}

TEST(ColorChannels, NegativeValuesSplitIntoNonPositiveChannels) {
  EXPECT_EQ(RedOf(Rgb(12, 34, 56)), 12);
  EXPECT_EQ(GreenOf(Rgb(12, 34, 56)), 34);
  EXPECT_EQ(BlueOf(Rgb(12, 34, 56)), 56);
  // -1 truncates to 0 in every quotient; the remainder keeps the sign.
  EXPECT_EQ(RedOf(-1), -1);
  EXPECT_EQ(GreenOf(-1), 0);
  EXPECT_EQ(BlueOf(-1), 0);
  EXPECT_EQ(RedOf(-257), -1);
  EXPECT_EQ(GreenOf(-257), -1);
}

TEST(AdjustColor, AdditiveAndBlueScaledForms) {
  struct Case {
    Color in;
    int delta;
    bool scale_blue;
    Color want;
  };
  const Case cases[] = {
      // The worked example: blue 96 + 96 * 48 / 192 = 120.
      {Rgb(200, 100, 96), 48, true, Rgb(248, 148, 120)},
      {Rgb(200, 100, 96), 48, false, Rgb(248, 148, 144)},
      // Clamped at both ends.
      {Rgb(250, 5, 250), 10, false, Rgb(255, 15, 255)},
      {Rgb(250, 5, 250), -10, false, Rgb(240, 0, 240)},
      // Truncating division: 100 * -25 / 192 = -13.02 -> -13.
      {Rgb(0, 0, 100), -25, true, Rgb(0, 0, 87)},
      // 191 * 1 / 192 truncates to 0: blue does not move by one step.
      {Rgb(0, 0, 191), 1, true, Rgb(1, 1, 191)},
      {Rgb(0, 0, 192), 1, true, Rgb(1, 1, 193)},
      // A negative colour yields channels of 0 or less before the delta.
      {-1, 10, false, Rgb(9, 10, 10)},
      // The system-scheme shadow colours of the pressed classic bevel.
      {Rgb(160, 160, 160), -64, false, Rgb(96, 96, 96)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustColor(c.in, c.delta, c.scale_blue), c.want)
        << c.in << " " << c.delta << " " << c.scale_blue;
  }
}

TEST(OffsetColorWithin, EachChannelLimitedByTheLimitsChannel) {
  const Color limit = Rgb(250, 250, 250);
  EXPECT_EQ(OffsetColorWithin(Rgb(220, 220, 186), -30, -30, -60, limit), Rgb(190, 190, 126));
  EXPECT_EQ(OffsetColorWithin(Rgb(193, 210, 238), -40, -30, -15, limit), Rgb(153, 180, 223));
  EXPECT_EQ(OffsetColorWithin(Rgb(20, 255, 255), -30, 0, 0, limit), Rgb(0, 250, 250));
  EXPECT_EQ(OffsetColorWithin(Rgb(100, 100, 100), 0, 0, 0, Rgb(50, 60, 255)), Rgb(50, 60, 100));
}

}  // namespace
}  // namespace qm::button
