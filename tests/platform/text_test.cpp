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
      {"\xED\xA0", u"\xFFFD\xFFFD"},                      // truncated surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out);
}

// Registry names may hold unpaired surrogates; they travel as WTF-8 and
// must come back unit for unit at the W call.
TEST(Utf16ToWtf8, KeepsEveryNameExactly) {
  struct Case {
    std::u16string name;
    std::string wtf8;
  };
  const Case cases[] = {
      {u"x\xD800", "x\xED\xA0\x80"},
      {u"\xDBFF", "\xED\xAF\xBF"},
      {u"\xDC00y", "\xED\xB0\x80y"},
      {u"\xDFFF", "\xED\xBF\xBF"},
      {u"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"},  // the wrong order: two lone ones
      {u"\xD800\xD800\xDC00", "\xED\xA0\x80\xF0\x90\x80\x80"},
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // a pair is one four-byte character
      {u"程序\xFFFD", "程序\xEF\xBF\xBD"},
      {u"", ""},
  };
  for (const auto& c : cases) {
    const std::string wtf8 = Utf16ToWtf8(c.name);
    EXPECT_EQ(wtf8, c.wtf8);
    EXPECT_EQ(Utf8ToUtf16(wtf8), c.name) << c.wtf8;
    EXPECT_TRUE(IsWtf8(wtf8)) << c.wtf8;
  }
  EXPECT_EQ(Utf16ToUtf8(u"x\xD800"), "x\xEF\xBF\xBD") << "standard UTF-8 stays lossy";
}

TEST(Utf16ToWtf8, TellsNamesFromOtherBytesAndShowsThemReadably) {
  struct Case {
    std::string text;
    bool wtf8;
    std::string shown;
  };
  const Case cases[] = {
      {"plain 程序", true, "plain 程序"},
      {"x\xED\xA0\x80", true, "x\xEF\xBF\xBD"},
      {"\xED\xA0\x80\xED\xB0\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // a pair split in two
      {"\xEF\xBF\xBD", true, "\xEF\xBF\xBD"},
      {"a\xFF", false, "a\xEF\xBF\xBD"},
      {"\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWtf8(c.text), c.wtf8) << c.text;
    EXPECT_EQ(DisplayUtf8(c.text), c.shown) << c.text;
  }
}

// Names that differ only in their unpaired surrogate are different names.
TEST(Utf16ToWtf8, CaselessMatchingKeepsSurrogatesApart) {
  EXPECT_EQ(UpperCase("x\xED\xA0\x80"), "X\xED\xA0\x80");
  EXPECT_FALSE(EqualsNoCase("x\xED\xA0\x80", "X\xED\xA0\x81"));
  EXPECT_TRUE(EqualsNoCase("x\xED\xA0\x80", "X\xED\xA0\x80"));
  EXPECT_FALSE(NoCaseFinder("é\xED\xA0\x80").FoundIn("É\xED\xA0\x81"));
  EXPECT_TRUE(NoCaseFinder("é\xED\xA0\x80").FoundIn("aÉ\xED\xA0\x80"));
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
