#include "repair/reg_file.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace qm {
namespace {

using testing::AsText;
using testing::StringValue;
using testing::Utf16Le;

RegFileBytes Build(const std::vector<BackupEntry>& entries) {
  Windows1252CodePage cp;
  return BuildRegFile(entries, cp);
}

TEST(RegFile, WritesTheDocumentedExampleByteForByte) {
  const std::vector<BackupEntry> entries = {
      {"HKEY_CURRENT_USER\\Software\\App\\Run", StringValue("Tool", u"C:\\Old\\tool.exe")},
      {"HKEY_CURRENT_USER\\Software\\App\\Run", StringValue("", u"C:\\Old\\a.exe")},
  };
  const RegFileBytes file = Build(entries);
  EXPECT_EQ(file.format, RegFileFormat::kRegedit4);
  EXPECT_EQ(AsText(file.bytes),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\App\\Run]\r\n"
            "\"Tool\"=\"C:\\\\Old\\\\tool.exe\"\r\n"
            "@=\"C:\\\\Old\\\\a.exe\"\r\n");
}

TEST(RegFile, NothingToSaveGivesTheHeaderLineAlone) {
  EXPECT_EQ(AsText(Build({}).bytes), "REGEDIT4\r\n");
}

TEST(RegFile, GroupsAdjacentValuesOfOneKeyComparingKeysExactly) {
  const std::string a = "HKEY_LOCAL_MACHINE\\Software\\A";
  const std::string b = "HKEY_LOCAL_MACHINE\\Software\\B";
  const std::vector<BackupEntry> entries = {
      {a, StringValue("1", u"x")},
      {a, StringValue("2", u"y")},
      {b, StringValue("3", u"z")},
      {a, StringValue("4", u"w")},                                  // a key that comes back
      {"HKEY_LOCAL_MACHINE\\software\\a", StringValue("5", u"v")},  // other letter case
      {"HKEY_CURRENT_USER\\", StringValue("AtRoot", u"r")},         // directly under a root
  };
  EXPECT_EQ(AsText(Build(entries).bytes),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"1\"=\"x\"\r\n\"2\"=\"y\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\B]\r\n\"3\"=\"z\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"4\"=\"w\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\software\\a]\r\n\"5\"=\"v\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\]\r\n\"AtRoot\"=\"r\"\r\n");
}

// The value line each kind of value gets in a REGEDIT4 file.
TEST(RegFile, WritesEveryTypeInTheFormThatRecreatesIt) {
  struct Case {
    const char* what;
    RegValue value;
    const char* line;
  };
  const std::vector<Case> cases = {
      {"backslashes doubled before quotes are escaped", StringValue("a\\\"b", u"C:\\x \"q\" \\\""),
       R"("a\\\"b"="C:\\x \"q\" \\\"")"},
      {"default value", StringValue("", u"d"), R"(@="d")"},
      {"a name that is a lone at sign is still a name", StringValue("@", u"d"), R"("@"="d")"},
      {"empty string", StringValue("e", u""), R"("e"="")"},
      {"dword", {"d", kRegDword, {0x2A, 0, 0, 0}}, "\"d\"=dword:0000002a"},
      {"dword high bit", {"d", kRegDword, {0xEF, 0xBE, 0xAD, 0xDE}}, "\"d\"=dword:deadbeef"},
      {"dword of the wrong size", {"d", kRegDword, {1, 2, 3}}, "\"d\"=hex(4):01,02,03"},
      {"qword",
       {"q", kRegQword, {1, 2, 3, 4, 5, 6, 7, 0x88}},
       "\"q\"=hex(b):01,02,03,04,05,06,07,88"},
      {"binary", {"b", kRegBinary, {0x00, 0xFF, 0x10}}, "\"b\"=hex:00,ff,10"},
      {"empty binary", {"b", kRegBinary, {}}, "\"b\"=hex:"},
      {"none", {"n", kRegNone, {}}, "\"n\"=hex(0):"},
      {"none with data", {"n", kRegNone, {7}}, "\"n\"=hex(0):07"},
      {"big-endian dword", {"e", kRegDwordBigEndian, {0, 0, 0, 1}}, "\"e\"=hex(5):00,00,00,01"},
      {"type beyond the named ones", {"t", 0x1234, {9}}, "\"t\"=hex(1234):09"},
      // Strings of the typed forms are ANSI text in a REGEDIT4 file.
      {"expandable string", StringValue("x", u"%PATH%", kRegExpandSz),
       "\"x\"=hex(2):25,50,41,54,48,25,00"},
      {"multi-string of several strings",
       {"m", kRegMultiSz, Utf16Le(std::u16string(u"a\0b\0c\0\0", 7))},
       "\"m\"=hex(7):61,00,62,00,63,00,00"},
      {"string without terminator", {"s", kRegSz, Utf16Le(u"ab")}, "\"s\"=hex(1):61,62"},
      {"string with a NUL inside",
       {"s", kRegSz, Utf16Le(std::u16string(u"a\0b\0", 4))},
       "\"s\"=hex(1):61,00,62,00"},
      {"string of no bytes", {"s", kRegSz, {}}, "\"s\"=hex(1):"},
  };
  for (const Case& c : cases) {
    const RegFileBytes file = Build({{"HKEY_CURRENT_USER\\K", c.value}});
    EXPECT_EQ(file.format, RegFileFormat::kRegedit4) << c.what;
    EXPECT_EQ(AsText(file.bytes),
              std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n") + c.line + "\r\n")
        << c.what;
  }
}

// Hex data longer than a line continue on lines indented by two blanks,
// each line ending in ",\" at most 80 characters wide.
TEST(RegFile, WrapsLongHexDataAsTheRegistryEditorDoes) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 26; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  EXPECT_EQ(AsText(Build({{"HKEY_CURRENT_USER\\K", {"b", kRegBinary, bytes}}}).bytes),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"
            "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
            "  17,18,19\r\n");

  for (std::size_t size : {24u, 25u, 26u, 49u, 50u, 1000u}) {
    bytes.assign(size, 0xAB);
    const std::string file =
        AsText(Build({{"HKEY_CURRENT_USER\\K", {"a long value name", kRegBinary, bytes}}}).bytes);
    const std::size_t start = file.find("\"a long");
    std::string joined;
    std::size_t pos = start;
    while (pos < file.size()) {
      const std::size_t end = file.find("\r\n", pos);
      const std::string line = file.substr(pos, end - pos);
      EXPECT_LE(line.size(), 80u) << size;
      if (pos != start) {
        EXPECT_EQ(line.substr(0, 2), "  ") << size;
        joined += line.substr(2);
      } else {
        joined += line;
      }
      pos = end + 2;
      if (!joined.empty() && joined.back() == '\\') {
        joined.pop_back();
      } else {
        break;
      }
    }
    EXPECT_EQ(pos, file.size()) << "the value ends the file";
    std::string expected = "\"a long value name\"=hex:";
    for (std::size_t i = 0; i < size; ++i) expected += i ? ",ab" : "ab";
    EXPECT_EQ(joined, expected) << size;
  }
}

std::vector<std::uint8_t> Version5(std::u16string_view body) {
  std::vector<std::uint8_t> out = {0xFF, 0xFE};
  const auto text = Utf16Le(u"Windows Registry Editor Version 5.00\r\n" + std::u16string(body));
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

// Text that is not plain ASCII (even what the writer's code page holds:
// the importing machine's may differ), and line breaks in strings, turn
// the whole file into the Unicode format, in which typed strings are their
// UTF-16 bytes.
TEST(RegFile, ChoosesTheUnicodeFormatForAnyTextBeyondAscii) {
  struct Case {
    const char* what;
    BackupEntry entry;
    std::u16string body;
  };
  const std::vector<Case> cases = {
      {"name",
       {"HKEY_CURRENT_USER\\K", StringValue("名字", u"x")},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"名字\"=\"x\"\r\n"},
      {"key",
       {"HKEY_CURRENT_USER\\软件", StringValue("n", u"x")},
       u"\r\n[HKEY_CURRENT_USER\\软件]\r\n\"n\"=\"x\"\r\n"},
      {"Western European letters the code page holds",
       {"HKEY_CURRENT_USER\\K", StringValue("caf\xC3\xA9", u"\u00E9\u20AC")},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"caf\u00E9\"=\"\u00E9\u20AC\"\r\n"},
      {"a Western European letter in expandable string data",
       {"HKEY_CURRENT_USER\\K", StringValue("n", u"\u00E9", kRegExpandSz)},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"n\"=hex(2):e9,00,00,00\r\n"},
      {"string data",
       {"HKEY_CURRENT_USER\\K", StringValue("n", u"C:\\旧\\a.exe")},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"n\"=\"C:\\\\旧\\\\a.exe\"\r\n"},
      {"expandable string data",
       {"HKEY_CURRENT_USER\\K", StringValue("n", u"旧", kRegExpandSz)},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"n\"=hex(2):e7,65,00,00\r\n"},
      {"line break in a string",
       {"HKEY_CURRENT_USER\\K", StringValue("n", u"a\r\nb")},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"n\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
      {"line break in a multi-string",
       {"HKEY_CURRENT_USER\\K", {"m", kRegMultiSz, Utf16Le(std::u16string(u"a\nb\0\0", 5))}},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"m\"=hex(7):61,00,0a,00,62,00,00,00,00,00\r\n"},
      {"string of an odd number of bytes",
       {"HKEY_CURRENT_USER\\K", {"s", kRegSz, {0x61, 0, 0x62}}},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"s\"=hex(1):61,00,62\r\n"},
      {"lone surrogate",
       {"HKEY_CURRENT_USER\\K", {"s", kRegSz, {0x00, 0xD8, 0, 0}}},
       u"\r\n[HKEY_CURRENT_USER\\K]\r\n\"s\"=hex(1):00,d8,00,00\r\n"},
      {"lone surrogates in a key and a value name (carried as WTF-8)",
       {"HKEY_CURRENT_USER\\k\xED\xB0\x80", StringValue("x\xED\xA0\x80", u"y")},
       u"\r\n[HKEY_CURRENT_USER\\k\xDC00]\r\n\"x\xD800\"=\"y\"\r\n"},
  };
  for (const Case& c : cases) {
    const RegFileBytes file = Build({c.entry});
    EXPECT_EQ(file.format, RegFileFormat::kVersion5) << c.what;
    EXPECT_EQ(file.bytes, Version5(c.body)) << c.what;
  }
}

TEST(RegFile, OneUnrepresentableValueTurnsTheWholeFileIntoUnicode) {
  const std::vector<BackupEntry> entries = {
      {"HKEY_CURRENT_USER\\K", StringValue("plain", u"C:\\a.exe")},
      {"HKEY_CURRENT_USER\\K", {"m", kRegMultiSz, Utf16Le(std::u16string(u"a\0\0", 3))}},
      {"HKEY_CURRENT_USER\\K", StringValue("", u"\u4E2D")},
  };
  const RegFileBytes file = Build(entries);
  EXPECT_EQ(file.format, RegFileFormat::kVersion5);
  EXPECT_EQ(file.bytes, Version5(u"\r\n[HKEY_CURRENT_USER\\K]\r\n"
                                 u"\"plain\"=\"C:\\\\a.exe\"\r\n"
                                 u"\"m\"=hex(7):61,00,00,00,00,00\r\n"
                                 u"@=\"\u4E2D\"\r\n"));
}

// The format no longer depends on the writer's code page: the file is read
// back in the code page of the machine that imports it.
TEST(RegFile, TheFormatIsTheSameUnderEveryCodePage) {
  const std::vector<BackupEntry> western = {
      {"HKEY_CURRENT_USER\\K", StringValue("n", u"caf\u00E9")}};
  const std::vector<BackupEntry> plain = {
      {"HKEY_CURRENT_USER\\K", StringValue("n", u"cafe", kRegExpandSz)}};
  Windows1252CodePage cp1252;
  testing::AsciiCodePage ascii;
  EXPECT_EQ(BuildRegFile(western, cp1252).format, RegFileFormat::kVersion5);
  EXPECT_EQ(BuildRegFile(western, ascii).format, RegFileFormat::kVersion5);
  EXPECT_EQ(BuildRegFile(plain, cp1252).format, RegFileFormat::kRegedit4);
  EXPECT_EQ(BuildRegFile(plain, ascii).format, RegFileFormat::kRegedit4);
}

TEST(RegFile, RefusesKeysAndNamesHoldingLineBreaks) {
  EXPECT_TRUE(CanWriteEntry({"HKEY_CURRENT_USER\\K", StringValue("n", u"a\r\nb")}))
      << "data may hold them";
  EXPECT_FALSE(CanWriteEntry({"HKEY_CURRENT_USER\\K", StringValue("a\nb", u"x")}));
  EXPECT_FALSE(CanWriteEntry({"HKEY_CURRENT_USER\\K\rL", StringValue("n", u"x")}));
}

TEST(Windows1252CodePage, EncodesExactlyWhatTheCodePageHolds) {
  Windows1252CodePage cp;
  EXPECT_EQ(cp.Encode(u"A\u00E9\u20AC\u0178\u0081"), std::string("A\xE9\x80\x9F\x81"));
  EXPECT_EQ(cp.Encode(u"\u4E2D"), std::nullopt);
  EXPECT_EQ(cp.Encode(u"\u0080"), std::nullopt) << "0x80 is the euro sign, not U+0080";
  EXPECT_EQ(cp.Encode(u"\u0141"), std::nullopt) << "no best-fit 'L'";
}

}  // namespace
}  // namespace qm
