#include "button/caption_text.h"

#include <gtest/gtest.h>

namespace qm::button {
namespace {

TEST(AccessKeyOf, FollowsTheFirstAmpersandRules) {
  struct Case {
    const char* caption;
    std::optional<char32_t> want;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"&", std::nullopt},  // fewer than two characters
      {"S", std::nullopt},
      {"&Save", U's'},  // lower case
      {"Sa&ve", U'v'},
      {"Save&", std::nullopt},                   // the only "&" is the last character
      {"A&&B", std::nullopt},                    // only a doubled "&"
      {"A&&B&c", U'c'},                          // doubled, then a marker further on
      {"&&&x", U'x'},                            // three in a row before a letter
      {"&&&&x", std::nullopt},                   // two doubled ones: nothing more is examined
      {"a&&b&&c&d", std::nullopt},               // second "&" found is doubled too
      {"x&&y&", std::nullopt},                   // the next "&" is the last character
      {"&\xC3\x89t\xC3\xA9", U'\u00E9'},         // É lowers to é
      {"\xE6\x89\xAB&\xE6\x8F\x8F", U'\u63CF'},  // CJK has no case: kept as is
      {"&1", U'1'},
  };
  for (const Case& c : cases) EXPECT_EQ(AccessKeyOf(c.caption), c.want) << c.caption;
}

TEST(ParsePrefix, ShowsTextTheWayThePlatformDoes) {
  struct Case {
    const char* caption;
    const char* shown;
    int underline;
  };
  const Case cases[] = {
      {"OK", "OK", -1},
      {"&Save", "Save", 0},
      {"Sa&ve", "Save", 2},
      {"A&&B", "A&B", -1},
      {"A&", "A", -1},
      {"&&&x", "&x", 1},
      {"\xE6\x89\xAB&\xE6\x8F\x8F", "\xE6\x89\xAB\xE6\x8F\x8F", 1},
  };
  for (const Case& c : cases) {
    const PrefixedText p = ParsePrefix(c.caption);
    EXPECT_EQ(p.shown, c.shown) << c.caption;
    EXPECT_EQ(p.underline, c.underline) << c.caption;
  }
}

TEST(CodePointCount, CountsCharactersNotBytes) {
  EXPECT_EQ(CodePointCount(""), 0u);
  EXPECT_EQ(CodePointCount("abc"), 3u);
  EXPECT_EQ(CodePointCount("\xE7\xAB\x8B\xE5\x88\xBB"), 2u);  // 立刻
  EXPECT_EQ(CodePointCount("\xF0\x9F\x98\x80"), 1u);          // outside the BMP
  EXPECT_EQ(CodePointCount("\xE7\xAB"), 2u);                  // truncated: each byte stands alone
}

}  // namespace
}  // namespace qm::button
