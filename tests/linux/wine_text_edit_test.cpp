#include "platform/linux/wine_text_edit.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/wine_registry_text.h"
#include "testing/utf16_bytes.h"

namespace qm::posix {
namespace {

using namespace std::string_literals;

// A registry file as Wine writes it, line by line with each line's own
// ending, so that a case names the lines a deletion must take out.
const std::vector<std::string> kLines = {
    "WINE REGISTRY Version 2\n",                             // 0
    ";; All keys relative to REGISTRY\\\\Machine\n",         // 1
    "\n",                                                    // 2
    "#arch=win64\n",                                         // 3
    "\n",                                                    // 4
    "[Software\\\\App] 1796850185\n",                        // 5
    "#time=1d9c3a1b2c3d4e5\n",                               // 6
    "@=\"C:\\\\app.exe\"\n",                                 // 7
    "\"Path\"=\"C:\\\\app.exe\"\r\n",                        // 8
    "\"Bin\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,\\\n",  // 9
    "  0d,0e,0f,10,\\\n",                                    // 10
    "  11,12\n",                                             // 11
    "\"caf\\xe9 \\\"x\\\"\"=\"C:\\\\caf.exe\"\n",            // 12
    "\"Last\"=dword:00000001\n",                             // 13
    "\n",                                                    // 14
    "[Software\\\\App\\\\Sub] 1796850185\n",                 // 15
    "\"Path\"=\"C:\\\\sub.exe\"\n",                          // 16
    "\n",                                                    // 17
    "[System\\\\ControlSet001\\\\Services\\\\svc] 1\n",      // 18
    "\"ImagePath\"=\"C:\\\\svc.exe\"\n",                     // 19
    "\n",                                                    // 20
    "[System\\\\CurrentControlSet] 1\n",                     // 21
    "#link\n",                                               // 22
    // "\Registry\Machine\System\ControlSet001", in UTF-16LE over lines.
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,\\\n",  // 23
    "  79,00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,\\\n",     // 24
    "  73,00,74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,\\\n",     // 25
    "  53,00,65,00,74,00,30,00,30,00,31,00\n",                                            // 26
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> b) {
  return {b.begin(), b.end()};
}
using testing::Utf16Bytes;

RegistryChange Set(const char* key, const char* name, std::uint32_t type,
                   std::vector<std::uint8_t> data) {
  return {RegistryChange::Kind::kSetValue, key, RegValue{name, type, std::move(data)}};
}
RegistryChange Delete(const char* key, const char* name) {
  return {RegistryChange::Kind::kDeleteValue, key, RegValue{name, kRegNone, {}}};
}
RegistryChange Create(const char* key) {
  return {RegistryChange::Kind::kCreateKey, key, {}};
}

std::string Join(const std::set<std::size_t>& without) {
  std::string out;
  for (std::size_t i = 0; i < kLines.size(); ++i) {
    if (without.count(i) == 0) out += kLines[i];
  }
  return out;
}

struct Case {
  const char* what;
  std::vector<RegistryChange> deletions;
  std::set<std::size_t> gone;  // the lines the result lacks
  std::size_t removed;
};

const Case kCases[] = {
    {"a value named in other letters, its key too; the same name in a subkey stays",
     {Delete("SOFTWARE\\app", "path")},
     {8},
     1},
    {"hex data with the lines that continue them",
     {Delete("Software\\App", "Bin")},
     {9, 10, 11},
     1},
    {"the default value", {Delete("Software\\App", "")}, {7}, 1},
    {"a name with escapes", {Delete("Software\\App", "caf\xc3\xa9 \"x\"")}, {12}, 1},
    {"a key reached through a link is its target's",
     {Delete("System\\CurrentControlSet\\Services\\svc", "ImagePath")},
     {19},
     1},
    {"several values in two keys",
     {Delete("Software\\App\\Sub", "Path"), Delete("Software\\App", "Last")},
     {13, 16},
     2},
};

TEST(WineTextEditTest, RemovesExactlyTheDeletedValuesLines) {
  const std::string original = Join({});
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const WineTextEdited edited = EditWineText(
        {reinterpret_cast<const std::uint8_t*>(original.data()), original.size()}, c.deletions);
    ASSERT_TRUE(edited.ok()) << edited.detail();
    EXPECT_EQ(std::string(edited->text.begin(), edited->text.end()), Join(c.gone));
    EXPECT_EQ(edited->removed, c.removed);
  }
}

// The text with lines replaced ("" takes a line out) and lines after its end.
std::string Changed(const std::map<std::size_t, std::string>& lines, const std::string& tail = {}) {
  std::string out;
  for (std::size_t i = 0; i < kLines.size(); ++i) {
    const auto it = lines.find(i);
    out += it == lines.end() ? kLines[i] : it->second;
  }
  return out + tail;
}

struct WriteCase {
  const char* what;
  std::vector<RegistryChange> changes;
  std::string text;  // the edited text, as Wine would write those lines
};

const WriteCase kWrites[] = {
    {"a string set anew follows its key's last line",
     {Set("Software\\app", "New", kRegSz, Utf16Bytes(u"a\"b\\c\0"s))},
     Changed({{13, kLines[13] + "\"New\"=\"a\\\"b\\\\c\"\n"}})},
    {"an expandable string replaces a value in place, its line ending too",
     {Set("Software\\App", "PATH", kRegExpandSz, Utf16Bytes(u"%SystemRoot%\\x.exe\0"s))},
     Changed({{8, "\"PATH\"=str(2):\"%SystemRoot%\\\\x.exe\"\n"}})},
    {"a multi-string replaces hex data over three lines",
     {Set("Software\\App", "Bin", kRegMultiSz, Utf16Bytes(u"a\0b\0\0"s))},
     Changed({{9, "\"Bin\"=str(7):\"a\\0b\\0\"\n"}, {10, ""}, {11, ""}})},
    {"strings without their terminating NUL, and every other type, as hex",
     {Set("Software\\App\\Sub", "M", kRegMultiSz, Utf16Bytes(u"a\0b"s)),
      Set("Software\\App\\Sub", "S", kRegSz, Utf16Bytes(u"ab"s)),
      Set("Software\\App\\Sub", "Q", kRegQword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})),
      Set("Software\\App\\Sub", "N", kRegNone, {}),
      Set("Software\\App\\Sub", "Odd", 0x2a, Bytes({0xff})),
      Set("Software\\App\\Sub", "D3", kRegDword, Bytes({1, 2, 3})),
      Set("Software\\App", "Last", kRegDword, Bytes({0x78, 0x56, 0x34, 0x12}))},
     Changed({{13, "\"Last\"=dword:12345678\n"},
              {16, kLines[16] + "\"M\"=hex(7):61,00,00,00,62,00\n"
                                "\"S\"=hex(1):61,00,62,00\n"
                                "\"Q\"=hex(b):01,02,03,04,05,06,07,08\n"
                                "\"N\"=hex(0):\n"
                                "\"Odd\"=hex(2a):ff\n"
                                "\"D3\"=hex(4):01,02,03\n"}})},
    {"long binary data continued past 76 characters",
     {Set("Software\\App\\Sub", "Blob", kRegBinary,
          Bytes({0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29}))},
     Changed({{16, kLines[16] +
                       "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,"
                       "14,15,\\\n  16,17,18,19,1a,1b,1c,1d\n"}})},
    {"escapes in a name and a string: outside ASCII, control characters",
     {Set("Software\\App", "caf\xc3\xa9 \"x\"", kRegSz,
          Utf16Bytes(u"\u4e2da\u4e2d \t\x01"
                     u"5\x01\0"s))},
     Changed({{12, "\"caf\\xe9 \\\"x\\\"\"=\"\\x4e2da\\x4e2d \\t\\0015\\1\"\n"}})},
    {"a new key with its parents, one made empty, and a key that is there",
     {Create("Software\\New\\Deep"), Set("Software\\New\\Deep", "", kRegDword, Bytes({1, 0, 0, 0})),
      Create("Software\\New\\Empty"), Create("SOFTWARE\\APP")},
     Changed({},
             "\n[Software\\\\New\\\\Deep] 1700000000\n#time=1da1747c66d0000\n@=dword:00000001\n"
             "\n[Software\\\\New\\\\Empty] 1700000000\n#time=1da1747c66d0000\n")},
    {"a key reached through a link is its target's",
     {Set("System\\CurrentControlSet\\Services\\svc", "ImagePath", kRegSz,
          Utf16Bytes(u"D:\\s.exe\0"s))},
     Changed({{19, "\"ImagePath\"=\"D:\\\\s.exe\"\n"}})},
    {"a value deleted and set again stays in place; one set and deleted leaves nothing",
     {Delete("Software\\App", "Path"), Set("Software\\App", "Path", kRegSz, Utf16Bytes(u"p\0"s)),
      Set("Software\\App", "Tmp", kRegSz, Utf16Bytes(u"t\0"s)), Delete("Software\\App", "Tmp"),
      Delete("Software\\App", "Last")},
     Changed({{8, "\"Path\"=\"p\"\n"}, {13, ""}})},
};

TEST(WineTextEditTest, WritesValuesAndKeysAsWineDoesAndReadsThemBack) {
  const std::string original = Join({});
  for (const WriteCase& c : kWrites) {
    SCOPED_TRACE(c.what);
    const WineTextEdited edited =
        EditWineText({reinterpret_cast<const std::uint8_t*>(original.data()), original.size()},
                     c.changes, 1700000000);
    ASSERT_TRUE(edited.ok()) << edited.detail();
    EXPECT_EQ(std::string(edited->text.begin(), edited->text.end()), c.text);
    MemoryRegistry read;
    ASSERT_TRUE(ReadWineRegistry(edited->text, read, kHkeyLocalMachine).ok());
    for (std::size_t i = 0; i < c.changes.size(); ++i) {
      const RegistryChange& change = c.changes[i];
      bool later = false;  // deleted or set again by a later change
      for (std::size_t j = i + 1; j < c.changes.size(); ++j) {
        later |= text::EqualsNoCase(c.changes[j].value.name, change.value.name) &&
                 c.changes[j].kind != RegistryChange::Kind::kCreateKey;
      }
      if (change.kind != RegistryChange::Kind::kSetValue || later) continue;
      ScopedKey<MemoryRegistry> key(read);
      RegValue v;
      ASSERT_EQ(read.OpenKey(kHkeyLocalMachine, change.path, key.Put()), kRegOk);
      ASSERT_EQ(read.QueryValue(key.Get(), change.value.name, v), kRegOk) << change.value.name;
      EXPECT_EQ(v.type, change.value.type) << change.value.name;
      EXPECT_EQ(v.data, change.value.data) << change.value.name;
    }
  }
}

// Nothing may be written: the text does not read, or a value to delete is
// not in it (it would be reported deleted while it stays).
TEST(WineTextEditTest, RefusesTextThatDoesNotReadOrLacksAValue) {
  const std::vector<RegistryChange> path = {Delete("Software\\App", "Path")};
  const struct {
    const char* what;
    std::string text;
    std::vector<RegistryChange> deletions;
  } kRefused[] = {
      {"no header", Join({0}), path},
      {"hex data continued into the next value", Join({11}), path},
      {"a key line cut short", Join({}) + "[Software\\\\New", path},
      {"a value not there",
       Join({}),
       {Delete("Software\\App", "Path"), Delete("Software\\App", "Nothing")}},
      {"a key not there", Join({}), {Delete("Software\\Gone", "Path")}},
      {"a link that leads nowhere in the file",
       Join({23, 24, 25, 26}),
       {Delete("System\\CurrentControlSet\\Services\\svc", "ImagePath")}},
  };
  for (const auto& c : kRefused) {
    const WineTextEdited edited = EditWineText(
        {reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size()}, c.deletions);
    EXPECT_FALSE(edited.ok()) << c.what;
  }
}

}  // namespace
}  // namespace qm::posix
