#include "repair/reg_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fakes.h"
#include "platform/text.h"

namespace qm {
namespace {

using testing::StringValue;
using testing::Utf16Le;

using Bytes = std::vector<std::uint8_t>;

Bytes Ansi(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

Bytes Version5(std::u16string_view text) {
  Bytes out = {0xFF, 0xFE};
  const Bytes body = Utf16Le(text);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::string Describe(const BackupEntry& e) {
  std::string s = e.key + " | " + e.value.name + " | " + std::to_string(e.value.type) + " |";
  for (std::uint8_t b : e.value.data) s += " " + std::to_string(b);
  return s;
}

void ExpectEntries(const std::vector<BackupEntry>& got, const std::vector<BackupEntry>& want,
                   const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(Describe(got[i]), Describe(want[i])) << what << ", entry " << i;
  }
}

constexpr const char* kKey = "HKEY_CURRENT_USER\\K";

// Files as the writer and the system's editor lay them out, with the
// values they hold.
TEST(ReadRegFile, ReadsEveryFormTheWriterUses) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<BackupEntry> entries;
  };
  const std::vector<Case> cases = {
      {"quoted text with both escapes, and the default value",
       Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\\\\\\\"b=\"=\"C:\\\\x \\\"q\\\"\"\r\n"
            "@=\"d\"\r\n\"@\"=\"\"\r\n"),
       {{kKey, StringValue("a\\\"b=", u"C:\\x \"q\"")},
        {kKey, StringValue("", u"d")},
        {kKey, StringValue("@", u"")}}},
      {"dword, binary, typed hex and empty data",
       Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"d\"=dword:deadbeef\r\n"
            "\"b\"=hex:00,FF,10\r\n\"q\"=hex(b):01,02,03,04,05,06,07,88\r\n"
            "\"n\"=hex(0):\r\n\"t\"=hex(7fffffff):09\r\n\"s\"=hex(1):\r\n"),
       {{kKey, {"d", kRegDword, {0xEF, 0xBE, 0xAD, 0xDE}}},
        {kKey, {"b", kRegBinary, {0x00, 0xFF, 0x10}}},
        {kKey, {"q", kRegQword, {1, 2, 3, 4, 5, 6, 7, 0x88}}},
        {kKey, {"n", kRegNone, {}}},
        {kKey, {"t", 0x7FFFFFFF, {9}}},
        {kKey, {"s", kRegSz, {}}}}},
      {"hex data continued over indented lines",
       Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:00,01,\\\r\n  02,\\\r\n"
            "\t03\r\n\"after\"=dword:00000001\r\n"),
       {{kKey, {"b", kRegBinary, {0, 1, 2, 3}}}, {kKey, {"after", kRegDword, {1, 0, 0, 0}}}}},
      {"string types in REGEDIT4 are ANSI text, stored as UTF-16",
       Ansi("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"x\"=hex(2):25,50,25,00\r\n"
            "\"m\"=hex(7):61,00,e9,80,00,00\r\n\"caf\xE9\"=\"\xE9\"\r\n"),
       {{kKey, StringValue("x", u"%P%", kRegExpandSz)},
        {kKey, {"m", kRegMultiSz, Utf16Le(std::u16string(u"a\0\u00E9\u20AC\0\0", 6))}},
        {kKey, StringValue("caf\xC3\xA9", u"\u00E9")}}},
      {"version 5: typed hex are the stored bytes, odd lengths and all",
       Version5(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\软件]\r\n"
                u"\"名字\"=\"旧\"\r\n\"s\"=hex(1):61,00,62\r\n\"m\"=hex(7):61,00,0a,00\r\n"),
       {{"HKEY_CURRENT_USER\\软件", StringValue("名字", u"旧")},
        {"HKEY_CURRENT_USER\\软件", {"s", kRegSz, {0x61, 0, 0x62}}},
        {"HKEY_CURRENT_USER\\软件", {"m", kRegMultiSz, {0x61, 0, 0x0A, 0}}}}},
      {"keys: brackets inside, a root alone, comments and LF line ends",
       Ansi("REGEDIT4\n; a comment\n[HKEY_LOCAL_MACHINE\\A]B[C]\n\"v\"=\"1\"\n"
            "[HKEY_CURRENT_USER\\]\n\"r\"=\"2\"\n"),
       {{"HKEY_LOCAL_MACHINE\\A]B[C", StringValue("v", u"1")},
        {"HKEY_CURRENT_USER\\", StringValue("r", u"2")}}},
      {"a file of no values", Ansi("REGEDIT4\r\n"), {}},
  };
  for (const Case& c : cases) {
    Windows1252CodePage cp;
    const RegFileReadResult r = ReadRegFile(c.file, cp);
    ASSERT_TRUE(r.content.has_value()) << c.what << ": line " << r.line << ": " << r.error;
    ExpectEntries(r.content->entries, c.entries, c.what);
  }
}

// Anything the writer does not write makes the whole file unreadable, with
// the line at fault: a restore acts on all of a file or on none of it.
TEST(ReadRegFile, RefusesAFileItCannotReadWhole) {
  struct Case {
    const char* what;
    Bytes file;
    std::size_t line;
  };
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";
  const std::vector<Case> cases = {
      {"empty file", {}, 1},
      {"another header", Ansi("REGEDIT5\r\n"), 1},
      {"cut short inside a line", Ansi(head + "\"b\"=hex:00,0"), 4},
      {"cut short inside hex data", Ansi(head + "\"b\"=hex:00,\\\r\n"), 4},
      {"value before any key", Ansi("REGEDIT4\r\n\"v\"=\"x\"\r\n"), 2},
      {"key of no root", Ansi("REGEDIT4\r\n[HKEY_NOWHERE\\K]\r\n"), 2},
      {"root in other letters", Ansi("REGEDIT4\r\n[hkey_current_user\\K]\r\n"), 2},
      {"key line not closed", Ansi("REGEDIT4\r\n[HKEY_CURRENT_USER\\K\r\n"), 2},
      {"key deletion", Ansi("REGEDIT4\r\n[-HKEY_CURRENT_USER\\K]\r\n"), 2},
      {"value deletion", Ansi(head + "\"v\"=-\r\n"), 4},
      {"unknown escape", Ansi(head + "\"v\"=\"a\\nb\"\r\n"), 4},
      {"name not closed", Ansi(head + "\"v=\"x\r\n"), 4},
      {"text after the data", Ansi(head + "\"v\"=\"x\" y\r\n"), 4},
      {"no '='", Ansi(head + "\"v\" \"x\"\r\n"), 4},
      {"dword too long", Ansi(head + "\"d\"=dword:123456789\r\n"), 4},
      {"dword not hex", Ansi(head + "\"d\"=dword:1234567g\r\n"), 4},
      {"hex byte of three digits", Ansi(head + "\"b\"=hex:100\r\n"), 4},
      {"hex ends in a comma", Ansi(head + "\"b\"=hex:01,\r\n"), 4},
      {"empty hex byte", Ansi(head + "\"b\"=hex:01,,02\r\n"), 4},
      {"hex type not hex", Ansi(head + "\"b\"=hex(z):01\r\n"), 4},
      {"unknown data form", Ansi(head + "\"b\"=qword:01\r\n"), 4},
      {"stray line", Ansi(head + "junk\r\n"), 4},
      {"carriage return inside a line", Ansi(head + "\"v\"=\"a\rb\"\r\n"), 4},
      {"UTF-16 of an odd size", {0xFF, 0xFE, 0x57}, 0},
      {"version 5 header in REGEDIT4", Version5(u"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n"), 1},
  };
  for (const Case& c : cases) {
    Windows1252CodePage cp;
    const RegFileReadResult r = ReadRegFile(c.file, cp);
    EXPECT_FALSE(r.content.has_value()) << c.what;
    EXPECT_EQ(r.line, c.line) << c.what << ": " << r.error;
    EXPECT_FALSE(r.error.empty()) << c.what;
  }
  // ANSI text the code page has no character for.
  testing::AsciiCodePage ascii;
  EXPECT_FALSE(ReadRegFile(Ansi(head + "\"v\"=\"\xE9\"\r\n"), ascii).content.has_value());
  EXPECT_FALSE(ReadRegFile(Ansi(head + "\"v\"=hex(2):e9,00\r\n"), ascii).content.has_value());
}

// A backup's check line against the text above it: any change to a
// sealed file refuses the whole file; a file without one still reads.
TEST(ReadRegFile, ChecksTheBackupsCheckLine) {
  Windows1252CodePage cp;
  const auto sealed = [&](std::vector<BackupEntry> entries) {
    RegFileBytes file = BuildRegFile(entries, cp);
    SealBackup(file, entries.size());
    return file.bytes;
  };
  const Bytes v4 = sealed({{kKey, {"d", kRegDword, {0x2A, 0, 0, 0}}},
                           {kKey, StringValue("s", u"C:\\x.exe")},
                           {kKey, {"b", kRegBinary, Bytes(40, 0xAB)}}});
  const Bytes v5 = sealed({{kKey, StringValue("名", u"C:\\旧.exe")}});
  const std::string text = testing::AsText(v4);
  const auto edited = [&](std::string_view from, std::string_view to) {
    std::string t = text;
    t.replace(t.find(from), from.size(), to);
    return Ansi(t);
  };
  const std::size_t seal = text.find("\r\n; Quillmar backup: ");
  const Bytes old_letter = {0xE7, 0x65};  // 旧 (U+65E7), made 新 (U+65B0)
  Bytes v5_letter = v5;
  *std::search(v5_letter.begin(), v5_letter.end(), old_letter.begin(), old_letter.end()) = 0xB0;
  struct Case {
    const char* what;
    Bytes file;
    SealVerdict verdict;
  };
  const std::vector<Case> cases = {
      {"as written, REGEDIT4", v4, SealVerdict::kIntact},
      {"as written, version 5", v5, SealVerdict::kIntact},
      {"one hex digit changed", edited("dword:0000002a", "dword:0000002b"), SealVerdict::kDamaged},
      {"a value's lines removed", edited("\"s\"=\"C:\\\\x.exe\"\r\n", ""), SealVerdict::kDamaged},
      {"the count wrong", edited(" 3 values,", " 4 values,"), SealVerdict::kDamaged},
      {"no check line: written before backups had one", Ansi(text.substr(0, seal + 2)),
       SealVerdict::kUnsealed},
      {"a line after the check line", Ansi(text + "\r\n"), SealVerdict::kDamaged},
      {"cut short inside the check line", Ansi(text.substr(0, text.size() - 9)),
       SealVerdict::kDamaged},
      {"version 5, one letter changed", v5_letter, SealVerdict::kDamaged},
  };
  for (const Case& c : cases) {
    const RegFileReadResult r = ReadRegFile(c.file, cp);
    EXPECT_EQ(r.seal.verdict, c.verdict) << c.what << ": " << r.seal.why;
    EXPECT_EQ(r.content.has_value(), c.verdict != SealVerdict::kDamaged) << c.what;
    EXPECT_EQ(r.error.empty(), c.verdict != SealVerdict::kDamaged) << c.what;
  }
}

// Random typed values, written by the writer and read back by the reader,
// are the values written: odd lengths, missing terminators, line breaks
// and NULs in data, non-ASCII and surrogate names, long hex data.
class RandomEntries {
 public:
  explicit RandomEntries(unsigned seed) : rng_(seed) {}

  std::vector<BackupEntry> Next(bool ascii) {
    std::vector<BackupEntry> entries(1 + rng_() % 6);
    std::string key;
    for (BackupEntry& e : entries) {
      if (key.empty() || rng_() % 3 == 0) key = Key(ascii);
      e.key = key;
      e.value = Value(ascii);
    }
    return entries;
  }

 private:
  char16_t Unit(bool ascii, bool in_data) {
    static constexpr char16_t kAscii[] = u"aZ09 \\\"=@[];,%.:";
    static constexpr char16_t kOther[] = u"\u00E9\u20AC\u4E2D\u0178\uFFFD";
    const unsigned pick = rng_() % 20;
    if (in_data && pick == 0) return u"\r\n\0"[rng_() % 3];
    if (ascii || pick < 12) return kAscii[rng_() % (std::size(kAscii) - 1)];
    if (pick < 17) return kOther[rng_() % (std::size(kOther) - 1)];
    return static_cast<char16_t>(0xD800 + rng_() % 0x800);  // paired or not
  }
  std::u16string Text(bool ascii, bool in_data, std::size_t max) {
    std::u16string s(rng_() % (max + 1), u'a');
    for (char16_t& c : s) c = Unit(ascii, in_data);
    return s;
  }
  // Names and keys are carried as WTF-8 inside the program.
  std::string Name(bool ascii, std::size_t max) {
    return text::Utf16ToWtf8(Text(ascii, false, max));
  }
  std::string Key(bool ascii) {
    static constexpr const char* kRoots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                             "HKEY_USERS", "HKEY_CLASSES_ROOT"};
    std::string key = std::string(kRoots[rng_() % 4]) + "\\";
    for (unsigned parts = rng_() % 4, i = 0; i < parts; ++i) {
      key += (i ? "\\" : "") + Name(ascii, 6) + "k";
    }
    return key;
  }
  RegValue Value(bool ascii) {
    static constexpr std::uint32_t kTypes[] = {
        kRegSz,   kRegExpandSz, kRegMultiSz,        kRegSz,   kRegBinary, kRegDword,
        kRegNone, kRegQword,    kRegDwordBigEndian, kRegLink, 0x1234,     0xFFFFFFFF};
    RegValue v;
    v.name = rng_() % 8 == 0 ? std::string() : Name(ascii, 10);
    v.type = kTypes[rng_() % std::size(kTypes)];
    const unsigned shape = rng_() % 4;
    if (shape == 0) {
      // Any bytes of any length.
      v.data.resize(rng_() % (rng_() % 8 == 0 ? 400 : 12));
      for (auto& b : v.data) b = static_cast<std::uint8_t>(rng_());
    } else {
      // Text, with or without its terminator, now and then an odd byte.
      std::u16string s = Text(ascii, true, 30);
      if (shape != 1) s += u'\0';
      if (v.type == kRegMultiSz && shape == 3) s += u'\0';
      v.data = Utf16Le(s);
      if (rng_() % 6 == 0) v.data.push_back(static_cast<std::uint8_t>(rng_() % 0x80));
    }
    if (v.type == kRegDword && rng_() % 2) v.data.resize(4);
    return v;
  }

  std::mt19937 rng_;
};

TEST(ReadRegFile, ReadsBackWhatTheWriterWrote) {
  RandomEntries random(20261209u);
  Windows1252CodePage western;
  testing::AsciiCodePage ascii;
  int files[2] = {0, 0};
  for (int i = 0; i < 3000; ++i) {
    const std::vector<BackupEntry> entries = random.Next(i % 2 == 0);
    AnsiCodePage& cp = i % 4 < 2 ? static_cast<AnsiCodePage&>(western) : ascii;
    RegFileBytes file = BuildRegFile(entries, cp);
    SealBackup(file, entries.size());
    ++files[file.format == RegFileFormat::kRegedit4 ? 0 : 1];
    const RegFileReadResult r = ReadRegFile(file.bytes, cp);
    EXPECT_EQ(r.seal.verdict, SealVerdict::kIntact) << i << ": " << r.seal.why;
    ASSERT_TRUE(r.content.has_value())
        << "file " << i << ", line " << r.line << ": " << r.error << "\n"
        << testing::AsText(file.bytes);
    EXPECT_EQ(r.content->format, file.format) << i;
    ExpectEntries(r.content->entries, entries, "file " + std::to_string(i));
    if (HasFailure()) break;
  }
  // Both formats were exercised many times over.
  EXPECT_GT(files[0], 300);
  EXPECT_GT(files[1], 300);
}

}  // namespace
}  // namespace qm
