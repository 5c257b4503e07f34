#include "platform/linux/wine_text_edit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm::posix {
namespace {

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

std::string Join(const std::set<std::size_t>& without) {
  std::string out;
  for (std::size_t i = 0; i < kLines.size(); ++i) {
    if (without.count(i) == 0) out += kLines[i];
  }
  return out;
}

struct Case {
  const char* what;
  std::vector<WineValueDeletion> deletions;
  std::set<std::size_t> gone;  // the lines the result lacks
  std::size_t removed;
};

const Case kCases[] = {
    {"a value named in other letters, its key too; the same name in a subkey stays",
     {{"SOFTWARE\\app", "path"}},
     {8},
     1},
    {"hex data with the lines that continue them", {{"Software\\App", "Bin"}}, {9, 10, 11}, 1},
    {"the default value", {{"Software\\App", ""}}, {7}, 1},
    {"a name with escapes", {{"Software\\App", "caf\xc3\xa9 \"x\""}}, {12}, 1},
    {"a key reached through a link is its target's",
     {{"System\\CurrentControlSet\\Services\\svc", "ImagePath"}},
     {19},
     1},
    {"several values in two keys",
     {{"Software\\App\\Sub", "Path"}, {"Software\\App", "Last"}},
     {13, 16},
     2},
};

TEST(WineTextEditTest, RemovesExactlyTheDeletedValuesLines) {
  const std::string original = Join({});
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const WineTextEdited edited = DeleteWineValues(
        {reinterpret_cast<const std::uint8_t*>(original.data()), original.size()}, c.deletions);
    ASSERT_TRUE(edited.ok) << edited.error;
    EXPECT_EQ(std::string(edited.text.begin(), edited.text.end()), Join(c.gone));
    EXPECT_EQ(edited.removed, c.removed);
  }
}

// Nothing may be written: the text does not read, or a value to delete is
// not in it (it would be reported deleted while it stays).
TEST(WineTextEditTest, RefusesTextThatDoesNotReadOrLacksAValue) {
  const std::vector<WineValueDeletion> path = {{"Software\\App", "Path"}};
  const struct {
    const char* what;
    std::string text;
    std::vector<WineValueDeletion> deletions;
  } kRefused[] = {
      {"no header", Join({0}), path},
      {"hex data continued into the next value", Join({11}), path},
      {"a key line cut short", Join({}) + "[Software\\\\New", path},
      {"a value not there", Join({}), {{"Software\\App", "Path"}, {"Software\\App", "Nothing"}}},
      {"a key not there", Join({}), {{"Software\\Gone", "Path"}}},
      {"a link that leads nowhere in the file",
       Join({23, 24, 25, 26}),
       {{"System\\CurrentControlSet\\Services\\svc", "ImagePath"}}},
  };
  for (const auto& c : kRefused) {
    const WineTextEdited edited = DeleteWineValues(
        {reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size()}, c.deletions);
    EXPECT_FALSE(edited.ok) << c.what;
  }
}

}  // namespace
}  // namespace qm::posix
