// Temporary folders and raw file access for the profile tests, and the case
// tables that every profile implementation must answer alike.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

namespace qm::test {

inline std::string Utf8(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

inline std::filesystem::path PathOf(std::string_view utf8) {
  std::u8string u;
  u.assign(utf8.begin(), utf8.end());
  return std::filesystem::path(u);
}

// A fresh folder removed at the end of the test, with the UTF-8 path of a
// file in it as the profile functions take it.
class TempFolder : public testing::TempFolder {
 public:
  TempFolder() : testing::TempFolder("qm-profile") {}
  [[nodiscard]] std::string File(std::string_view name) const {
    return Utf8(Path() / PathOf(name));
  }
};

inline void PutBytes(std::string_view file, std::string_view bytes) {
  std::ofstream out(PathOf(file), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string GetBytes(std::string_view file) {
  std::ifstream in(PathOf(file), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// UTF-16LE bytes with a byte-order mark, for profiles the system keeps in
// UTF-16.
inline std::string Utf16File(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : text) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  return out;
}

struct ReadCase {
  std::string_view what;
  std::string_view section;
  std::string_view key;
  std::size_t buffer;
  std::string_view value;
  std::size_t copied;
};

// A profile edited by hand: blanks, quotes, comments, a repeated section, a
// broken section line and all three kinds of line end.
inline constexpr std::string_view kHandEditedProfile =
    "; Quillmar settings\r\n"
    "\r\n"
    "  [ Settings ]  \r\n"
    "  BackupBeforeFix  =  1  \r\n"
    "[Records]\n"
    "ErrorCount= \t 12 \t \r"
    "FixedCount=0\r\n"
    "LastScanTime=\r\n"
    "Quoted=\"2024-01-02 03:04:05\"\r\n"
    "Single='x'\r\n"
    "Mixed=\"x'\r\n"
    "Lone=\"\r\n"
    "EmptyQuotes=\"\"\r\n"
    "QuotedBlanks= \" 7 \" \r\n"
    "NoEquals\r\n"
    "NoEquals=later\r\n"
    ";Comment=text\r\n"
    "Equation=a=b\r\n"
    "Dos=\x1a"
    "5\x1a\r\n"
    "[Broken\r\n"
    "AfterBroken=still Records\r\n"
    "[records]\r\n"
    "Second=ignored\r\n"
    "[Other]\r\n"
    "FixedCount=9\r\n";

inline constexpr ReadCase kHandEditedReads[] = {
    {"absent section", "Missing", "FixedCount", 255, "", 0},
    {"absent key", "Records", "Missing", 255, "", 0},
    {"blanks around names and value", "Settings", "BackupBeforeFix", 255, "1", 1},
    {"names ignore case", "SETTINGS", "backupbeforefix", 255, "1", 1},
    {"blanks around the asked names", "  Records ", " ErrorCount  ", 255, "12", 2},
    {"zero is a value", "Records", "FixedCount", 255, "0", 1},
    {"empty value", "Records", "LastScanTime", 255, "", 0},
    {"double quotes", "Records", "Quoted", 255, "2024-01-02 03:04:05", 19},
    {"single quotes", "Records", "Single", 255, "x", 1},
    {"unlike quotes stay", "Records", "Mixed", 255, "\"x'", 3},
    {"a lone quote stays", "Records", "Lone", 255, "\"", 1},
    {"empty quotes", "Records", "EmptyQuotes", 255, "", 0},
    {"blanks inside quotes stay", "Records", "QuotedBlanks", 255, " 7 ", 3},
    {"a line without = hides a later one", "Records", "NoEquals", 255, "", 0},
    {"a comment line is a key", "Records", ";Comment", 255, "text", 4},
    {"the first = splits", "Records", "Equation", 255, "a=b", 3},
    {"^Z is a blank", "Records", "Dos", 255, "5", 1},
    {"only the first section of a name", "Records", "Second", 255, "", 0},
    {"a line without ] starts no section", "Records", "AfterBroken", 255, "still Records", 13},
    {"same key, other section", "Other", "FixedCount", 255, "9", 1},
    {"cut to buffer - 1", "Records", "Quoted", 5, "2024", 4},
    {"buffer of one", "Records", "FixedCount", 1, "", 0},
    {"buffer of zero", "Records", "FixedCount", 0, "", 0},
};

// A value of 300 characters, longer than the program's 255-character buffer.
inline std::string LongValue() {
  return "a" + std::string(298, 'x') + "z";
}

inline std::string LongValueProfile() {
  return "[Records]\r\nLastScanTime=" + LongValue() + "\r\n";
}

// A profile the system keeps in UTF-16; the buffer counts UTF-16 units.
inline std::string Utf16Profile() {
  return Utf16File(u"[Records]\r\nName=\u4E2D\u6587\u503C\r\nPair=a\U0001F600b\r\n");
}

inline constexpr ReadCase kUtf16Reads[] = {
    {"Chinese", "records", "NAME", 255, "\u4E2D\u6587\u503C", 3},
    {"a pair counts two", "Records", "Pair", 255, "a\U0001F600b", 4},
    {"a cut through a pair", "Records", "Pair", 3, "a\uFFFD", 2},
};

struct RoundTrip {
  std::string_view written;
  std::string_view read;
};

// Values written and then read back with a 255-character buffer.
inline constexpr RoundTrip kRoundTrips[] = {
    {"0", "0"},     {"", ""},       {"1", "1"},
    {"  7  ", "7"}, {"\t5\t", "5"}, {"2024/1/2 3:04:05", "2024/1/2 3:04:05"},
    {"a=b", "a=b"}, {"\"q\"", "q"}, {"x  y", "x  y"},
    {"'", "'"},
};

}  // namespace qm::test
