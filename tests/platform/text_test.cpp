#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::text {
namespace {

TEST(Utf8Utf16, RoundTripsEveryPlane) {
  const std::string samples[] = {"", "plain", "C:\\程序\\工具.exe", "Ärger", "\xF0\x9F\x98\x80 x"};
  for (const auto& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u) << "a surrogate pair";
}

TEST(Utf8Utf16, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"\xFF", u"\xFFFD"},
      {"a\xC3", u"a\xFFFD"},                              // truncated sequence
      {"\xC0\xAF", u"\xFFFD\xFFFD"},                      // overlong slash
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out);
}

TEST(Utf16LeToUtf8, StopsAtNulOnlyWhenAsked) {
  const std::uint8_t data[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(Utf16LeToUtf8(data, sizeof data, true), "a");
  EXPECT_EQ(Utf16LeToUtf8(data, sizeof data, false), std::string("a\0b", 3));
  EXPECT_EQ(Utf16LeToUtf8(data, 1, true), "");
}

TEST(UpperCase, MapsTheCasedScriptsAndLeavesOthers) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"c:\\windows\\x.exe", "C:\\WINDOWS\\X.EXE"},
      {"àéîõüÿ", "ÀÉÎÕÜŸ"},
      {"ß÷", "ß÷"},
      {"āćđęĺňőžı", "ĀĆĐĘĹŇŐŽı"},
      {"αβγως", "ΑΒΓΩΣ"},
      {"привет ѐ", "ПРИВЕТ Ѐ"},
      {"ａｂｃ", "ＡＢＣ"},
      {"程序文件", "程序文件"},
  };
  for (const auto& c : cases) EXPECT_EQ(UpperCase(c.in), c.out) << c.in;
  EXPECT_TRUE(EqualsNoCase("Program Files", "PROGRAM files"));
}

TEST(NoCaseFinder, FindsWithoutRegardToCase) {
  struct Case {
    const char* needle;
    const char* hay;
    bool found;
  };
  const Case cases[] = {
      {"c:", "\"C:\\x.exe\"", true},
      {"C:", "abc", false},
      {"C:", "c", false},
      {"", "x", true},
      {"", "", false},
      {"ÉCOLE", "une école", true},
      {"程序", "C:\\程序\\a.exe", true},
      {"x", "程序", false},
      {"EXE", "a.exE", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NoCaseFinder(c.needle).FoundIn(c.hay), c.found) << c.needle << " in " << c.hay;
  }
}

}  // namespace
}  // namespace qm::text
