#include "profile/ignore_list.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/memory_file_store.h"

namespace qm {
namespace {

IgnoreEntry Value(std::string root, std::string key, std::string name) {
  return {std::move(root), std::move(key), std::move(name)};
}
IgnoreEntry Key(std::string root, std::string key) {
  return {std::move(root), std::move(key), std::nullopt};
}

// Each entry is written as the line a user would read and type, and that
// line reads back as the very same names.
TEST(IgnoreList, AwkwardNamesRoundTripThroughTheirLines) {
  struct Case {
    IgnoreEntry entry;
    std::string_view line;
  };
  const Case cases[] = {
      {Key("HKEY_CURRENT_USER", "Software\\Tool"), "HKEY_CURRENT_USER\\Software\\Tool"},
      {Key("hkcu", ""), "HKEY_CURRENT_USER"},
      {Value("HKEY_LOCAL_MACHINE", "Run", "C:\\Tools\\x.exe"),
       R"(HKEY_LOCAL_MACHINE\Run\\"C:\\Tools\\x.exe")"},
      {Value("HKLM", "Run", "a=b \"q\" = c"), R"(HKEY_LOCAL_MACHINE\Run\\"a=b \"q\" = c")"},
      {Value("HKEY_USERS", "Key = \"x\" #1", ""), R"(HKEY_USERS\Key = "x" #1\\"")"},
      {Value("HKEY_CURRENT_USER", "软件\\Ünïcödé", "程序 ж ﬀ"),
       "HKEY_CURRENT_USER\\软件\\Ünïcödé\\\\\"程序 ж ﬀ\""},
      {Value("HKEY_CURRENT_USER", "K", "two\nlines\r\tx\x01"),
       R"(HKEY_CURRENT_USER\K\\"two\nlines\r\tx\u0001")"},
      // An unpaired surrogate, as the registry may hold one in a name.
      {Value("HKEY_CURRENT_USER", "K", "a\xED\xA0\x80z"), R"(HKEY_CURRENT_USER\K\\"a\uD800z")"},
      {Value("HKEY_CURRENT_USER", "", " lead and trail "),
       R"(HKEY_CURRENT_USER\\" lead and trail ")"},
  };
  IgnoreList list;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    EXPECT_EQ(IgnoreList::EntryLine(c.entry), std::string(c.line));
    ASSERT_EQ(list.Add(c.entry), IgnoreStatus::kOk);
  }
  const IgnoreList read = IgnoreList::Parse(list.Text());
  EXPECT_TRUE(read.Damaged().empty());
  const auto entries = read.Entries();
  ASSERT_EQ(entries.size(), std::size(cases));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    IgnoreEntry expected = cases[i].entry;
    expected.root = RootLongName(expected.root);
    EXPECT_EQ(entries[i], expected) << cases[i].line;
  }
  // A pair escaped by hand reads as the one character it stands for.
  EXPECT_EQ(IgnoreList::Parse(R"(HKCU\K\\"\uD83D\uDE00")").Entries().at(0).value_name,
            "\xF0\x9F\x98\x80");
}

TEST(IgnoreList, UnreadableLinesAreKeptInPlaceAndReported) {
  const std::string text =
      "\xEF\xBB\xBF# kept by hand\r\n"
      "HKEY_NOWHERE\\Software\n"
      "HKCU\\Run\\\\\"open quote\n"
      "HKCU\\Run\\\\\"x\" trailing\n"
      "HKCU\\Run\\\\\"bad \\q escape\"\n"
      "HKCU\\Run\\\\name without quotes\n"
      "HKCU\\Run\\\n"
      "HKCU\\bad \xFF byte\n"
      "\n"
      "HKLM\\Software\\Fine\n";
  IgnoreList list = IgnoreList::Parse(text);
  const auto damaged = list.Damaged();
  ASSERT_EQ(damaged.size(), 7u);
  for (std::size_t i = 0; i < damaged.size(); ++i) EXPECT_EQ(damaged[i].line, i + 2);
  EXPECT_EQ(damaged[0].text, "HKEY_NOWHERE\\Software");
  EXPECT_EQ(damaged[6].text, "HKCU\\bad \xFF byte");
  ASSERT_EQ(list.Entries().size(), 1u);

  ASSERT_EQ(list.Add(Key("HKCU", "New")), IgnoreStatus::kOk);
  ASSERT_EQ(list.RemoveNumber(1), IgnoreStatus::kOk);
  EXPECT_EQ(list.Text(),
            "\xEF\xBB\xBF# kept by hand\r\n"
            "HKEY_NOWHERE\\Software\r\n"
            "HKCU\\Run\\\\\"open quote\r\n"
            "HKCU\\Run\\\\\"x\" trailing\r\n"
            "HKCU\\Run\\\\\"bad \\q escape\"\r\n"
            "HKCU\\Run\\\\name without quotes\r\n"
            "HKCU\\Run\\\r\n"
            "HKCU\\bad \xFF byte\r\n"
            "\r\n"
            "HKEY_CURRENT_USER\\New\r\n");
}

TEST(IgnoreList, CoversTheValueOrTheKeyAndItsSubkeysWithoutCase) {
  IgnoreList list = IgnoreList::Parse(
      "HKEY_CURRENT_USER\\Software\\Tool\n"
      "HKEY_LOCAL_MACHINE\\Run\\\\\"Ünï\\\\x\"\n"
      "HKEY_LOCAL_MACHINE\\Run\\Deeper\\\\\"\"\n"
      "HKEY_CLASSES_ROOT\\.qmx\n"
      "HKEY_USERS\\S-1-5-21-9\\Software\\Run\\\\\"v\"\n");
  ASSERT_TRUE(list.Damaged().empty());
  struct Case {
    std::string_view root, key, value;
    bool covered;
  };
  const Case cases[] = {
      {"HKEY_CURRENT_USER", "Software\\Tool", "a", true},
      {"hkey_current_user", "SOFTWARE\\tool", "", true},
      {"HKEY_CURRENT_USER", "Software\\Tool\\Sub\\Deep", "b", true},
      {"HKEY_CURRENT_USER", "Software\\ToolBox", "a", false},
      {"HKEY_CURRENT_USER", "Software", "a", false},
      {"HKEY_USERS", "Software\\Tool", "a", false},
      {"HKEY_LOCAL_MACHINE", "Run", "ÜNÏ\\X", true},
      {"HKEY_LOCAL_MACHINE", "run", "üNï\\x", true},
      {"HKEY_LOCAL_MACHINE", "Run", "Ünï", false},
      {"HKEY_LOCAL_MACHINE", "Run\\Sub", "Ünï\\x", false},
      {"HKEY_LOCAL_MACHINE", "Run\\Deeper", "", true},
      {"HKEY_LOCAL_MACHINE", "Run\\Deeper", "x", false},
      // The same keys seen through another root.
      {"HKEY_USERS", "S-1-5-21-1-2-3-1000\\Software\\Tool\\Sub", "a", true},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1000\\Software\\ToolBox", "a", false},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1000", "a", false},
      {"HKEY_LOCAL_MACHINE", "Software\\Classes\\.qmx\\shell", "", true},
      {"HKEY_CURRENT_USER", "SOFTWARE\\CLASSES\\.QMX", "x", true},
      {"HKEY_USERS", "S-1-5-21-9_Classes\\.qmx", "x", true},
      {"HKEY_USERS", "S-1-5-21-9\\Software\\Classes\\.qmx", "x", true},
      {"HKEY_LOCAL_MACHINE", "Software\\.qmx", "x", false},
      {"HKEY_CLASSES_ROOT", ".qmxy", "x", false},
      {"HKEY_CURRENT_USER", "Software\\Run", "V", true},
      {"HKEY_USERS", "S-1-5-21-9\\software\\run", "v", true},
      {"HKEY_CURRENT_USER", "Software\\Run", "w", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " | " + std::string(c.value));
    EXPECT_EQ(list.Covers(c.root, c.key, c.value), c.covered);
  }
}

// Changes go through the file at once, keeping what was edited meanwhile;
// a failed write leaves the file as it was.
TEST(IgnoreList, FileChangesKeepOtherEditsAndFailWithoutDamage) {
  MemoryFileStore files;
  const std::string path = IgnoreListPath("C:\\Q\\");
  EXPECT_EQ(path, "C:\\Q\\ignore.txt");
  IgnoreList now;
  ASSERT_EQ(AddToIgnoreFile(files, path, Key("HKCU", "A"), &now), IgnoreStatus::kOk);
  files.files[path] += "# added by hand\r\nHKLM\\B\r\n";
  EXPECT_EQ(AddToIgnoreFile(files, path, Key("HKEY_CURRENT_USER", "a"), &now),
            IgnoreStatus::kAlreadyListed);
  EXPECT_EQ(now.Entries().size(), 2u);
  ASSERT_EQ(RemoveFromIgnoreFile(files, path, Key("HKEY_CURRENT_USER", "A")), IgnoreStatus::kOk);
  EXPECT_EQ(files.files[path], "# added by hand\r\nHKLM\\B\r\n");

  files.write_error = 5;
  EXPECT_EQ(AddToIgnoreFile(files, path, Key("HKCU", "C")), IgnoreStatus::kWriteFailed);
  EXPECT_EQ(files.files[path], "# added by hand\r\nHKLM\\B\r\n");
  files.read_error = 32;
  EXPECT_EQ(LoadIgnoreList(files, path).code(), 32u);
  EXPECT_EQ(RemoveFromIgnoreFile(files, path, Key("HKLM", "B")), IgnoreStatus::kReadFailed);

  IgnoreList list;
  EXPECT_EQ(list.Add(Key("HKEY_NOWHERE", "A")), IgnoreStatus::kUnknownRoot);
  EXPECT_EQ(list.Add(Key("HKCU", "line\nbreak")), IgnoreStatus::kUnwritableName);
  EXPECT_EQ(list.Add(Key("HKCU", "a\\\\b")), IgnoreStatus::kUnwritableName);
  EXPECT_EQ(list.RemoveNumber(1), IgnoreStatus::kNoSuchEntry);
}

}  // namespace
}  // namespace qm
