#include "shell/twips.h"

#include <gtest/gtest.h>

namespace qm::shell {
namespace {

TEST(Twips, ClientAreaAndChromeConvertToTheirPixelSizes) {
  EXPECT_EQ(kClientWidth, 786);
  EXPECT_EQ(kClientHeight, 557);
  // Picture buttons must come out at the size of their pictures.
  EXPECT_EQ(ToPixels({10800, 90, 420, 225}), (PixelRect{720, 6, 28, 15}));
  EXPECT_EQ(ToPixels({110, 2010, 2985, 540}), (PixelRect{7, 134, 199, 36}));
  EXPECT_EQ(ToPixels({480, 0, 10215, 375}).width, 681);
  EXPECT_EQ(ToPixels({480, 0, 10500, 375}).width, 700);
}

TEST(Twips, RoundsToTheNearestPixel) {
  EXPECT_EQ(TwipsToPixels(0), 0);
  EXPECT_EQ(TwipsToPixels(7), 0);       // 0.47
  EXPECT_EQ(TwipsToPixels(8), 1);       // 0.53
  EXPECT_EQ(TwipsToPixels(2540), 169);  // 169.33
  EXPECT_EQ(TwipsToPixels(3590), 239);  // 239.33
  EXPECT_EQ(TwipsToPixels(3060), 204);
  EXPECT_EQ(TwipsToPixels(-8), -1);
  EXPECT_EQ(TwipsToPixels(20000), 1333);  // Check6 lies beyond the right edge
}

TEST(Twips, PixelRectContainsItsTopLeftButNotItsFarEdges) {
  const PixelRect r{10, 20, 5, 4};
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_TRUE(r.Contains(14, 23));
  EXPECT_FALSE(r.Contains(15, 20));
  EXPECT_FALSE(r.Contains(10, 24));
  EXPECT_FALSE(r.Contains(9, 20));
}

}  // namespace
}  // namespace qm::shell
