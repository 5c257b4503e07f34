#include "platform/wine_registry_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/platform/registry_dump.h"

namespace qm {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::span<const std::uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Reads the file whole and, into a second registry, a few bytes at a time
// as a saved file is read: both reads must agree in everything.
WineRegistryRead Read(const std::string& file, MemoryRegistry& reg, RegKey root,
                      std::string_view under = {}) {
  const WineRegistryRead whole = ReadWineRegistry(AsBytes(file), reg, root, under);
  MemoryRegistry pieces;
  std::size_t at = 0;
  std::size_t call = 0;
  const WineRegistrySource source = [&](std::span<std::uint8_t> into, std::size_t& got) {
    got = std::min({into.size(), file.size() - at, std::size_t{1} + call++ % 3});
    std::copy_n(file.data() + at, got, reinterpret_cast<char*>(into.data()));
    at += got;
    return true;
  };
  const WineRegistryRead read = ReadWineRegistry(source, pieces, root, under);
  EXPECT_EQ(read.ok(), whole.ok());
  EXPECT_EQ(read.detail(), whole.detail());  // the line and what is wrong there
  if (read.ok() && whole.ok()) {
    EXPECT_EQ(read->keys, whole->keys);
    EXPECT_EQ(read->links_unresolved, whole->links_unresolved);
  }
  EXPECT_EQ(testing::Dump(pieces, root), testing::Dump(reg, root));
  return whole;
}

const std::string kHead =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n";

struct Form {
  const char* line;  // the value line(s) as Wine writes them
  const char* name;  // UTF-8
  std::uint32_t type;
  Bytes data;
};

// Each line is what Wine 8 wrote for a value set with reg add or RegSetValueExW.
const Form kForms[] = {
    {"@=\"def\"", "", kRegSz, {'d', 0, 'e', 0, 'f', 0, 0, 0}},
    {"\"s\\\"q\"=\"a\\\\b\\tc\"", "s\"q", kRegSz, {'a', 0, '\\', 0, 'b', 0, 9, 0, 'c', 0, 0, 0}},
    {"\"u\"=\"\\xe9\\x4e2d\\x0041\"", "u", kRegSz, {0xe9, 0, 0x2d, 0x4e, 0x41, 0, 0, 0}},
    {"\"\\x540d\"=\"\\xd83d\\xde00\"", "\xe5\x90\x8d", kRegSz, {0x3d, 0xd8, 0x00, 0xde, 0, 0}},
    {"\"c\"=\"\\a\\b\\e\\f\\n\\r\\v\"",
     "c",
     kRegSz,
     {7, 0, 8, 0, 27, 0, 12, 0, 10, 0, 13, 0, 11, 0, 0, 0}},
    {"\"o\"=\"\\0\\0012\\177\"", "o", kRegSz, {0, 0, 1, 0, '2', 0, 0x7f, 0, 0, 0}},
    {"\"e\"=str(2):\"%PATH%a\"",
     "e",
     kRegExpandSz,
     {'%', 0, 'P', 0, 'A', 0, 'T', 0, 'H', 0, '%', 0, 'a', 0, 0, 0}},
    {"\"m\"=str(7):\"one\\0two\\0\"",
     "m",
     kRegMultiSz,
     {'o', 0, 'n', 0, 'e', 0, 0, 0, 't', 0, 'w', 0, 'o', 0, 0, 0, 0, 0}},
    {"\"d\"=dword:12345678", "d", kRegDword, {0x78, 0x56, 0x34, 0x12}},
    {"\"b\"=hex:00,ff,10", "b", kRegBinary, {0x00, 0xff, 0x10}},
    {"\"n\"=hex(0):", "n", kRegNone, {}},
    {"\"q\"=hex(b):88,77,66,55,44,33,22,11",
     "q",
     kRegQword,
     {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}},
    {"\"x\"=hex(1):61,00,62", "x", kRegSz, {0x61, 0x00, 0x62}},
    {"\"t\"=hex(2a):01,\\\n  02,03", "t", 0x2a, {1, 2, 3}},
    {"\"z\"=hex(7):61,00,\\\n  00,00,\\\n  00,00", "z", kRegMultiSz, {0x61, 0, 0, 0, 0, 0}},
};

TEST(WineRegistryText, ReadsEveryValueFormWineWrites) {
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.line);
    const std::string file = kHead + "[Software\\\\App] 1796843182\n#time=1dd8810618c8ccc\n" +
                             f.line + "\n\"after\"=dword:00000001\n";
    MemoryRegistry reg;
    const WineRegistryRead read = Read(file, reg, kHkeyLocalMachine);
    ASSERT_TRUE(read.ok()) << read.detail();
    RegKey k = kNoKey;
    ASSERT_EQ(reg.OpenKey(kHkeyLocalMachine, "Software\\App", &k), kRegOk);
    RegValue v;
    ASSERT_EQ(reg.EnumValue(k, 0, v), kRegOk);
    EXPECT_EQ(v.name, f.name);
    EXPECT_EQ(v.type, f.type);
    EXPECT_EQ(v.data, f.data);
    ASSERT_EQ(reg.EnumValue(k, 1, v), kRegOk) << "the line after the value still reads";
    EXPECT_EQ(v.name, "after");
    reg.CloseKey(k);
  }
}

TEST(WineRegistryText, KeysLandBelowTheChosenKeyInFileOrderWithLinksFollowed) {
  const std::string file =
      kHead +
      "[] 1796843103\n@=\"root\"\n\n"
      "[Software\\\\B\\]x\\[y\\\\Deep] 1796843103\n#class=\"k\\\"c\"\n\n"
      "[Software\\\\A\\x4e2d] 1796843103\n\"v\"=dword:00000002\n\n"
      "[Software\\\\Link] 1796843097\n#time=1dd88102e7bd5cc\n#link\n"
      // "\REGISTRY\Machine\Software\A中", the case as Wine writes it
      "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,\\\n"
      "  54,00,52,00,59,00,5c,00,4d,00,41,00,43,00,48,00,49,00,4e,00,45,00,\\\n"
      "  5c,00,53,00,6f,00,66,00,74,00,77,00,61,00,72,00,65,00,5c,00,41,00,\\\n"
      "  2d,4e\n\n"
      "[Software\\\\Out] 1796843097\n#link\n"
      "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,5c,00,58,00\n";
  MemoryRegistry reg;
  const WineRegistryRead read = Read(file, reg, kHkeyUsers, "Saved\\Here");
  ASSERT_TRUE(read.ok()) << read.detail();
  EXPECT_EQ(read->base, "REGISTRY\\Machine");
  EXPECT_EQ(read->keys, 5u);
  EXPECT_EQ(read->links_unresolved, 1u) << "the link out of the saved tree";
  EXPECT_EQ(reg.OpenHandles(), 0u);

  RegKey k = kNoKey;
  ASSERT_EQ(reg.OpenKey(kHkeyUsers, "Saved\\Here", &k), kRegOk);
  RegValue v;
  ASSERT_EQ(reg.EnumValue(k, 0, v), kRegOk);
  EXPECT_EQ(v.data, (Bytes{'r', 0, 'o', 0, 'o', 0, 't', 0, 0, 0})) << "[] is the saved key";
  reg.CloseKey(k);

  ASSERT_EQ(reg.OpenKey(kHkeyUsers, "Saved\\Here\\Software", &k), kRegOk);
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; reg.EnumKey(k, i, name) == kRegOk; ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"B]x[y", "A\xe4\xb8\xad", "Link", "Out"}));

  RegKey link = kNoKey;
  ASSERT_EQ(reg.OpenKey(k, "link", &link), kRegOk);
  ASSERT_EQ(reg.EnumValue(link, 0, v), kRegOk);
  EXPECT_EQ(v.name, "v") << "the link shows its target's values";
  EXPECT_EQ(reg.EnumValue(link, 1, v), kRegNoMoreItems) << "not its own SymbolicLinkValue";
  reg.CloseKey(link);
  EXPECT_EQ(reg.OpenKey(k, "Out", &link), kRegFileNotFound);
  EXPECT_EQ(reg.OpenKey(k, "B]x[y\\Deep", &link), kRegOk);
  reg.CloseKey(link);
  reg.CloseKey(k);
}

using namespace std::string_view_literals;

struct Malformed {
  std::string_view body;  // after the header's five lines
  std::size_t line;
};

const Malformed kMalformed[] = {
    {"\"v\"=\"x\"\n"sv, 6},                 // a value before any key
    {"[A\n"sv, 6},                          // key path without its ]
    {"[A] 12x\n"sv, 6},                     // time stamp not a number
    {"[A\\\\\\\\B]\n"sv, 6},                // an empty key name
    {"[A]\n\"v\"=\"unterminated\n"sv, 7},   // string without its quote
    {"[A]\n\"v\"=\"x\" trailing\n"sv, 7},   // text after the string
    {"[A]\n\"v\"=\"\\x\"\n"sv, 7},          // \x without digits
    {"[A]\n\"v\"=dword:123456789\n"sv, 7},  // a dword of nine digits
    {"[A]\n\"v\"=dword:\n"sv, 7},           // a dword without digits
    {"[A]\n\"v\"=hex:0\n"sv, 7},            // half a byte
    {"[A]\n\"v\"=hex:00,\n"sv, 7},          // ends in a comma
    {"[A]\n\"v\"=hex:00 01\n"sv, 7},        // no comma
    {"[A]\n\"v\"=hex(:00\n"sv, 7},          // no type
    {"[A]\n\"v\"=hex(7):61,\\\n"sv, 7},     // continued past the end
    {"[A]\n\"v\"=hex:61,\\\n  zz\n"sv, 8},  // bad digits on the continuation
    {"[A]\n\"v\"=str(x):\"a\"\n"sv, 7},     // type not hex
    {"[A]\n\"v\"=word:1\n"sv, 7},           // unknown form
    {"[A]\n\"v\"\n"sv, 7},                  // no =
    {"[A]\n#time=xyz\n"sv, 7},              // bad #time
    {"[A]\n#class=\"c\n"sv, 7},             // class without its quote
    {"[A]\n#unknown\n"sv, 7},               // an option Wine does not write
    {"#link\n"sv, 6},                       // an option before any key
    {"[A]\n\"v\"=\"caf\xc3\xa9\"\n"sv, 7},  // a raw byte outside ASCII
    {"[A]\n\"v\"=\"a\tb\"\n"sv, 7},         // a raw control character
    {"[A]\n\"v\"=\"a\0b\"\n"sv, 7},         // a raw NUL
    {"[A]\n\"v\"=dword:00000001"sv, 7},     // the last line cut short
    {"garbage\n"sv, 6},                     // neither key, value nor option
};

TEST(WineRegistryText, MalformedFilesFailAtTheirLine) {
  for (const Malformed& m : kMalformed) {
    SCOPED_TRACE(m.body);
    const std::string file = kHead + std::string(m.body);
    MemoryRegistry reg;
    const WineRegistryRead read = Read(file, reg, kHkeyLocalMachine);
    EXPECT_FALSE(read.ok());
    const std::string at = "line " + std::to_string(m.line) + ": ";
    EXPECT_EQ(read.detail().rfind(at, 0), 0u) << read.detail();
    EXPECT_GT(read.detail().size(), at.size()) << "says what is wrong";
    EXPECT_EQ(reg.OpenHandles(), 0u);
  }
  for (const std::string& not_wine : {std::string("REGEDIT4\n"), std::string("regf\0\0", 6),
                                      std::string("WINE REGISTRY Version 2")}) {
    MemoryRegistry reg;
    EXPECT_FALSE(Read(not_wine, reg, kHkeyLocalMachine).ok());
    EXPECT_FALSE(IsWineRegistryText(AsBytes(not_wine)));
  }
  EXPECT_TRUE(IsWineRegistryText(AsBytes(kHead)));
}

}  // namespace
}  // namespace qm
