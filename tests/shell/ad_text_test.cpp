#include "shell/ad_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::shell {
namespace {

TEST(AdText, PrefixInAnyLetterCaseIsTakenOffAndTheRestKeptExactly) {
  EXPECT_EQ(AdTextFrom("ADHello"), "Hello");
  EXPECT_EQ(AdTextFrom("adHello"), "Hello");
  EXPECT_EQ(AdTextFrom("aDHello"), "Hello");
  EXPECT_EQ(AdTextFrom("AdHello"), "Hello");
  // No trimming: blanks and line breaks stay.
  EXPECT_EQ(AdTextFrom("AD  two words \r\n"), "  two words \r\n");
  EXPECT_EQ(AdTextFrom("AD清理注册表"), "清理注册表");
}

TEST(AdText, AnythingElseGivesNoAdvertisement) {
  EXPECT_EQ(AdTextFrom(""), "");
  EXPECT_EQ(AdTextFrom("A"), "");
  EXPECT_EQ(AdTextFrom("AD"), "");
  EXPECT_EQ(AdTextFrom("ad"), "");
  EXPECT_EQ(AdTextFrom(" ADtext"), "");
  EXPECT_EQ(AdTextFrom("xxADtext"), "");
  EXPECT_EQ(AdTextFrom("<html>AD</html>"), "");
  EXPECT_EQ(AdTextFrom("AE text"), "");
}

TEST(AdText, ComparesCharactersNotBytes) {
  // A two-byte first character is one character: the second must be 'D'
  // for the body to count, and a lone 'A' before a wide one never counts.
  EXPECT_EQ(AdTextFrom("A\xE5\xB9\xBF"), "");
  EXPECT_EQ(AdTextFrom("\xC3\xA4"
                       "Dx"),
            "");
  // Full-width letters are other characters, not "AD".
  EXPECT_EQ(AdTextFrom("\xEF\xBC\xA1\xEF\xBC\xA4text"), "");
  // A malformed byte is one character and does not match.
  EXPECT_EQ(AdTextFrom("\xFF"
                       "Dtext"),
            "");
}

}  // namespace
}  // namespace qm::shell
