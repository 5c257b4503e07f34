#include "scan/value_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "testing/utf16_bytes.h"

namespace qm {
namespace {

using namespace std::literals;

using testing::Utf16Bytes;

struct Case {
  const char* what;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  std::string text;
};

TEST(FormatValueData, FollowsTheTableForEveryType) {
  const std::vector<Case> cases = {
      {"plain string", kRegSz, Utf16Bytes(u"C:\\App\\tool.exe", true), "C:\\App\\tool.exe"},
      {"string without terminator", kRegSz, Utf16Bytes(u"abc"), "abc"},
      {"string with odd length", kRegSz, {'a', 0, 'b', 0, 'c'}, "ab"},
      {"string cut at embedded NUL", kRegSz, Utf16Bytes(u"one\0two"sv, true), "one"},
      {"Chinese string", kRegSz, Utf16Bytes(u"C:\\程序\\工具.exe", true), "C:\\程序\\工具.exe"},
      {"surrogate pair", kRegSz, Utf16Bytes(u"\U0001F600", true), "\xF0\x9F\x98\x80"},
      {"unpaired surrogate", kRegSz, Utf16Bytes(u"a\xD800z", true), "a\xEF\xBF\xBDz"},
      {"multi-string gives its first string", kRegMultiSz, Utf16Bytes(u"first\0second\0"sv, true),
       "first"},
      {"empty string data", kRegSz, {}, ""},
      {"binary", kRegBinary, {0x0A, 0x1B, 0xFF}, "0A 1B FF"},
      {"single byte", kRegBinary, {0x00}, "00"},
      {"empty binary reads 00", kRegBinary, {}, "00"},
      {"dword 26", kRegDword, {26, 0, 0, 0}, "0x0000001A(26)"},
      {"dword all bits", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, "0xFFFFFFFF(-1)"},
      {"dword high bit", kRegDword, {0, 0, 0, 0x80}, "0x80000000(-2147483648)"},
      {"dword from two bytes", kRegDword, {0x34, 0x12}, "0x00001234(4660)"},
      {"dword from five bytes", kRegDword, {1, 0, 0, 0, 9}, "0x00000001(1)"},
      {"empty dword", kRegDword, {}, "0x00000000(0)"},
      {"expand string", kRegExpandSz, Utf16Bytes(u"%SystemRoot%\\x.dll", true),
       "Temporarily unsupported"},
      {"none", kRegNone, {1, 2}, "Temporarily unsupported"},
      {"big-endian dword", kRegDwordBigEndian, {0, 0, 0, 1}, "Temporarily unsupported"},
      {"link", kRegLink, Utf16Bytes(u"x", true), "Temporarily unsupported"},
      {"resource list", 8, {1}, "Temporarily unsupported"},
      {"qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, "Temporarily unsupported"},
      {"unknown type", 0x12345, {}, "Temporarily unsupported"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatValueData(c.type, c.data.data(), c.data.size()), c.text) << c.what;
  }
}

TEST(FormatValueData, LargeBinaryIsSeparatedWithoutTrailingBlank) {
  std::vector<std::uint8_t> data(5000, 0xAB);
  const std::string text = FormatValueData(kRegBinary, data.data(), data.size());
  ASSERT_EQ(text.size(), 5000u * 3 - 1);
  EXPECT_EQ(text.substr(0, 6), "AB AB ");
  EXPECT_EQ(text.back(), 'B');
}

TEST(FormatValueData, ReusedBufferIsReplacedNotAppended) {
  std::string buffer = "left over";
  const std::uint8_t dword[] = {1, 0, 0, 0};
  FormatValueDataInto(buffer, kRegDword, dword, sizeof dword);
  EXPECT_EQ(buffer, "0x00000001(1)");
}

}  // namespace
}  // namespace qm
