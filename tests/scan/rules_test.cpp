#include "scan/rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "testing/memory_file_system.h"

namespace qm {
namespace {

TEST(ExtractFilePath, CutsTheTextToTheFirstProgramPath) {
  struct Case {
    const char* text;
    const char* path;
  };
  const Case cases[] = {
      {"C:\\Program Files\\App\\app.exe", "C:\\PROGRAM FILES\\APP\\APP.EXE"},
      {"\"C:\\Program Files\\App\\app.exe\" --minimized", "C:\\PROGRAM FILES\\APP\\APP.EXE"},
      {"\"C:\\Program Files\\App\\app.exe\" \"%1\"", "C:\\PROGRAM FILES\\APP\\APP.EXE"},
      {"C:\\Tools\\run.exe C:\\data\\other.dll", "C:\\TOOLS\\RUN.EXE"},
      {"rundll32.exe C:\\Win\\shell.dll,Control_RunDLL", "C:\\WIN\\SHELL.DLL"},
      {"C:\\Win\\shell32.dll,-154", "C:\\WIN\\SHELL32.DLL"},
      {"C:\\x\\filter.ax", "C:\\X\\FILTER.AX"},
      {"C:\\x\\readme.txt", "C:\\X\\README.TXT"},
      {"C:\\x\\a.exe %1", "C:\\X\\A.EXE"},
      {"C:\\x\\open %1 now", "C:\\X\\OPEN NOW"},
      {"D:\\elsewhere\\a.exe", "C:"},
      {"*", "C:"},
      {"", "C:"},
      {"D:\\a.exe;C:\\b\\c.dll", "C:\\B\\C.DLL"},
      {"C:\\x\\y.exe:stream", "C:\\X\\Y.EXE"},
      {"C:\\x\\y:stream.txt", "C:\\X\\Y"},
      // Brackets, commas and semicolons stand in folder names.
      {"C:\\a(1)\\b.exe", "C:\\A(1)\\B.EXE"},
      {"C:\\Program Files (x86)\\App\\app.exe,0", "C:\\PROGRAM FILES (X86)\\APP\\APP.EXE"},
      {"C:\\a;b,c\\d.dll", "C:\\A;B,C\\D.DLL"},
      // Removing " %1" may join the text around it into another " %1".
      {"C:\\x  %1%1\\a.exe", "C:\\X\\A.EXE"},
      {"C:\\a\\b.exe/s", "C:\\A\\B.EXE"},
      {"C:/a/b.exe", "C:"},
      {"c:\\lower\\case.EXE", "C:\\LOWER\\CASE.EXE"},
      {"C:\\程序\\工具.exe -x", "C:\\程序\\工具.EXE"},
      {"C:\\x\\b.bat|more", "C:\\X\\B.BAT"},
      {"C:\\x\\a.scr<b", "C:\\X\\A.SCR"},
      // The earliest-ending extension wins whatever the list order.
      {"C:\\x\\a.com\\b.exe", "C:\\X\\A.COM"},
      {"C:\\x\\a.sys.exe", "C:\\X\\A.SYS"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractFilePath(c.text, "C:"), c.path) << c.text;
}

TEST(ExtractFilePath, AnExtensionEndsThePathOnlyAtTheEndOfAName) {
  struct Case {
    const char* text;
    const char* path;
  };
  const Case cases[] = {
      // A folder named X.COMPANY is no file X.COM.
      {"C:\\Program Files\\X.COMPANY\\tool.exe", "C:\\PROGRAM FILES\\X.COMPANY\\TOOL.EXE"},
      {"C:\\Program Files\\X.COMPANY\\readme.txt", "C:\\PROGRAM FILES\\X.COMPANY\\README.TXT"},
      {"C:\\a.exe1\\b.exe2\\c.exe", "C:\\A.EXE1\\B.EXE2\\C.EXE"},
      {"C:\\my.dllfiles\\x.dll", "C:\\MY.DLLFILES\\X.DLL"},
      {"C:\\x.com\\y.txt", "C:\\X.COM"},
      {"C:\\app.exe.bak", "C:\\APP.EXE"},
      {"C:\\x\\a.EXE_old", "C:\\X\\A.EXE"},
      {"C:\\x.com文件\\a.txt", "C:\\X.COM文件\\A.TXT"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractFilePath(c.text, "C:"), c.path) << c.text;
}

TEST(ExtractFilePath, WorksForOtherSystemDrives) {
  EXPECT_EQ(ExtractFilePath("C:\\a.exe D:\\b.exe", "D:"), "D:\\B.EXE");
  EXPECT_EQ(ExtractFilePath("C:\\a.exe", "d:"), "D:");
}

TEST(ExtractFilePath, AsWrittenIsTheSamePathInTheTextsOwnLetters) {
  struct Case {
    const char* text;
    const char* written;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\Photon\\phview.exe\" /tray", "C:\\Program Files\\Photon\\phview.exe"},
      {"rundll32 c:\\Win\\Shell32.dll,Control_RunDLL", "c:\\Win\\Shell32.dll"},
      {"C:\\Apps\\x.com\\y.txt", "C:\\Apps\\x.com"},
      {"C:\\Apps\\Tool %1.exe", "C:\\Apps\\Tool.exe"},
      {"C:\\Apps\\app.Exe.bak", "C:\\Apps\\app.Exe"},
      {"C:\\Data\\文件\\工具.exe -x", "C:\\Data\\文件\\工具.exe"},
      {"no drive here", "C:"},
      // A byte that is no character upper-cases to U+FFFD, three bytes: no
      // spelling of the text's own can stand for the upper-cased path.
      {"C:\\Bad\xff\\tool.exe", "C:\\BAD\xEF\xBF\xBD\\TOOL.EXE"},
      {"C:\\Été\\Outil.exe", "C:\\Été\\Outil.exe"},
  };
  for (const auto& c : cases) {
    const std::string written = ExtractFilePathAsWritten(c.text, "C:");
    EXPECT_EQ(written, c.written) << c.text;
    EXPECT_EQ(text::UpperCase(written), ExtractFilePath(c.text, "C:")) << c.text;
  }
}

TEST(FurtherReadingsAsWritten, AreTheLongerCutsAndTheTrimmedRunButNeverTheFirstAgain) {
  struct Case {
    const char* text;
    std::vector<std::string> readings;
  };
  const Case cases[] = {
      {"\"C:\\Apps\\run.exe\" /x", {}},
      {"C:\\Apps\\Example.com Kit\\run.exe /x", {"C:\\Apps\\Example.com Kit\\run.exe"}},
      {"C:\\Logs\\report.exe.log", {"C:\\Logs\\report.exe.log"}},
      // Trailing blanks and dots leave the run, also where removing " %1"
      // has laid them bare.
      {"C:\\Apps\\My Tool ", {"C:\\Apps\\My Tool"}},
      {"C:\\Apps\\run. %1", {"C:\\Apps\\run"}},
      {"C:\\Apps\\run.exe %1", {}},
      {"no drive here", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FurtherReadingsAsWritten(c.text, "C:"), c.readings) << c.text;
  }
}

TEST(HasProgramExtension, AcceptsExactlyTheThirteen) {
  for (const char* p : {"C:\\A.EXE", "C:\\A.SYS", "C:\\A.DLL", "C:\\A.OCX", "C:\\A.OCA",
                        "C:\\A.VXD", "C:\\A.AX", "C:\\A.COM", "C:\\A.CPL", "C:\\A.TLB", "C:\\A.SCR",
                        "C:\\A.BAT", "C:\\A.DRV", "c:\\a.ax", "C:\\a.Exe"}) {
    EXPECT_TRUE(HasProgramExtension(p)) << p;
  }
  for (const char* p : {"C:\\A.TXT", "C:\\A.HLP", "C:\\A.EXEC", "C:\\A.CMD", "C:\\A.MSI",
                        "C:", "AX", ".AX1", "C:\\A.EX"}) {
    EXPECT_FALSE(HasProgramExtension(p)) << p;
  }
}

TEST(KindText, NamesTheThreeKinds) {
  EXPECT_EQ(KindText(0), "KEY_NAME");
  EXPECT_EQ(KindText(1), "VALUE NAME");
  EXPECT_EQ(KindText(2), "VALUE VALUE");
  EXPECT_EQ(KindText(3), "");
  EXPECT_EQ(KindText(-1), "");
}

TEST(SystemDrive, TakesTheSystemDirectorysDrive) {
  MemoryFileSystem d("d:\\windows\\system32");
  EXPECT_EQ(SystemDrive(d), "D:");
  MemoryFileSystem odd("\\\\server\\share");
  EXPECT_EQ(SystemDrive(odd), "C:");
  MemoryFileSystem empty("");
  EXPECT_EQ(SystemDrive(empty), "C:");
}

TEST(PathExists, OnlyNotFoundAnswersMeanMissing) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\Present\\a.exe");
  fs.FailQuery("C:\\Locked\\b.exe", kErrAccessDenied);
  fs.FailQuery("C:\\Net\\c.exe", kErrNotReady);
  fs.FailQuery("C:\\Bad\\d.exe", kErrInvalidName);
  EXPECT_TRUE(PathExists(fs, "C:\\PRESENT\\A.EXE"));
  EXPECT_TRUE(PathExists(fs, "C:\\PRESENT")) << "folders exist too";
  EXPECT_TRUE(PathExists(fs, "C:"));
  EXPECT_FALSE(PathExists(fs, "C:\\PRESENT\\GONE.EXE"));
  EXPECT_FALSE(PathExists(fs, "C:\\NOWHERE\\GONE.EXE"));
  EXPECT_TRUE(PathExists(fs, "C:\\LOCKED\\B.EXE")) << "what cannot be checked is not missing";
  EXPECT_TRUE(PathExists(fs, "C:\\NET\\C.EXE"));
  EXPECT_FALSE(PathExists(fs, "C:\\BAD\\D.EXE"));
}

TEST(PathExists, SystemDirectoryPathsAlsoLookInTheAlternateFolder) {
  MemoryFileSystem fs("C:\\Windows\\System32", "C:\\Windows\\SysWOW64");
  fs.AddFile("C:\\Windows\\SysWOW64\\only32.dll");
  fs.AddFile("C:\\Windows\\System32\\both.dll");
  fs.AddFile("C:\\Other\\only32.dll");
  EXPECT_TRUE(PathExists(fs, "C:\\WINDOWS\\SYSTEM32\\ONLY32.DLL"));
  EXPECT_TRUE(PathExists(fs, "c:\\windows\\system32\\both.dll"));
  EXPECT_FALSE(PathExists(fs, "C:\\WINDOWS\\SYSTEM32\\NONE.DLL"));
  EXPECT_FALSE(PathExists(fs, "C:\\WINDOWS\\SYSTEM32X\\ONLY32.DLL"))
      << "a sibling folder is not it";
  EXPECT_FALSE(PathExists(fs, "C:\\OTHER\\MISSING.DLL"));

  MemoryFileSystem no_alternate("C:\\Windows\\System32", "");
  no_alternate.AddFile("C:\\Windows\\SysWOW64\\only32.dll");
  EXPECT_FALSE(PathExists(no_alternate, "C:\\WINDOWS\\SYSTEM32\\ONLY32.DLL"));
}

class RuleTest : public ::testing::Test {
 protected:
  RuleTest() {
    fs.AddFile("C:\\Program Files\\X.COMPANY\\tool.exe");
    fs.AddFile("C:\\Present\\here.exe");
  }
  MemoryFileSystem fs;
  InvalidReferenceRule rule{fs};
};

TEST_F(RuleTest, ListsMissingProgramFilesOnly) {
  auto row = rule.Judge("HKEY_CURRENT_USER", "Run\\Old", "\"C:\\Gone\\old.exe\" /bg", 2);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->kind, "VALUE VALUE");
  EXPECT_EQ(row->root, "HKEY_CURRENT_USER");
  EXPECT_EQ(row->key, "Run\\Old");
  EXPECT_EQ(row->value, "\"C:\\Gone\\old.exe\" /bg") << "the row keeps the whole text";
  EXPECT_FALSE(row->checked);

  EXPECT_FALSE(rule.Judge("R", "K", "C:\\Present\\here.exe", 2)) << "exists";
  EXPECT_FALSE(rule.Judge("R", "K", "C:\\Gone\\notes.txt", 2)) << "not a program file";
  EXPECT_FALSE(rule.Judge("R", "K", "*", 0)) << "key-name finds never become rows";
  EXPECT_FALSE(rule.Judge("R", "K", "D:\\Gone\\x.exe", 2)) << "other drives are not examined";
  EXPECT_FALSE(rule.Judge("R", "K", "C:\\Program Files\\X.COMPANY\\tool.exe", 2))
      << "a folder name with an extension inside must not hide an existing file";
  EXPECT_FALSE(rule.Judge("R", "K", "C:\\dir\\y:z", 2)) << "cut before the second colon";
}

// Records the paths the rule asks about.
class RecordingFileSystem final : public FileSystem {
 public:
  Status QueryPath(std::string_view path) override {
    asked.emplace_back(path);
    return inner.QueryPath(path);
  }
  std::string SystemDirectory() override { return inner.SystemDirectory(); }
  std::string AlternateSystemDirectory() override { return inner.AlternateSystemDirectory(); }
  MemoryFileSystem inner;
  std::vector<std::string> asked;
};

TEST(RuleFileQueries, AskWithThePathAsTheRegistryWritesItAndListItUpperCased) {
  RecordingFileSystem fs;
  fs.inner.AddFile("C:\\Program Files\\Inkwell\\inkwell.exe");
  fs.inner.AddFile("C:\\Tools\\Example.com Kit\\Run.exe");
  InvalidReferenceRule rule(fs);
  EXPECT_FALSE(rule.Judge("HKEY_CURRENT_USER", "Run\\Ink",
                          "\"C:\\Program Files\\Inkwell\\inkwell.exe\" --tray", 2, "Ink"));
  // An existing first reading ends the questions.
  EXPECT_FALSE(rule.Judge("HKEY_CURRENT_USER", "Run\\Ink2",
                          "C:\\Program Files\\Inkwell\\inkwell.exe --tray", 2, "Ink2"));
  EXPECT_FALSE(
      rule.Judge("HKEY_CURRENT_USER", "Run\\Kit", "C:\\Tools\\Example.com Kit\\Run.exe", 2, "Kit"));
  EXPECT_FALSE(rule.Judge("HKEY_CURRENT_USER", "Run\\Txt", "C:\\Old\\notes.txt -x", 2, "Txt"));
  const auto row = rule.Judge("HKEY_CURRENT_USER", "Run\\Old", "C:\\Old\\Tool.exe -x", 2, "Old");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->value, "C:\\Old\\Tool.exe -x");
  EXPECT_EQ(fs.asked, (std::vector<std::string>{
                          "C:\\Program Files\\Inkwell\\inkwell.exe",
                          "C:\\Program Files\\Inkwell\\inkwell.exe",
                          "C:\\Tools\\Example.com",
                          "C:\\Tools\\Example.com Kit\\Run.exe",
                          "C:\\Old\\Tool.exe",
                          "C:\\Old\\Tool.exe -x",
                      }));
}

// A value is listed only when its first reading names a program file and no
// reading of its text exists.
TEST(RuleReadings, ListOnlyWhenEveryReadingIsMissing) {
  struct Case {
    const char* value;
    std::vector<const char*> files;
    bool listed;
  };
  const char* kit = "C:\\Tools\\Example.com Kit\\run.exe";
  const char* dll_tools = "C:\\Tools\\My.Dll-Tools\\x.exe";
  const char* log = "C:\\Tools\\report.exe.log";
  const char* x86 = "C:\\Program Files (x86)\\App\\app.exe";
  const Case cases[] = {
      // A folder or file name holding a listed extension.
      {"C:\\Tools\\Example.com Kit\\run.exe", {kit}, false},
      {"\"C:\\Tools\\Example.com Kit\\run.exe\" --tray", {kit}, false},
      {"C:\\Tools\\Example.com Kit\\run.exe /S", {kit}, false},
      {"C:\\Tools\\Example.com Kit\\run.exe %1", {kit}, false},
      {"C:\\Tools\\Example.com Kit\\missing.exe", {kit}, true},
      {"C:\\Tools\\My.Dll-Tools\\x.exe", {dll_tools}, false},
      {"C:\\Tools\\My.Dll-Tools\\gone.exe", {dll_tools}, true},
      {"C:\\Tools\\report.exe.log", {log}, false},
      {"C:\\Tools\\report.exe.log %1", {log}, false},
      {"\"C:\\Tools\\report.exe.log\" \"%1\"", {log}, false},
      {"C:\\Tools\\report.exe.log. /view", {log}, false},
      {"C:\\Tools\\gone.exe.log", {log}, true},
      // Folders with brackets, commas and semicolons.
      {"C:\\Program Files (x86)\\Gone\\gone.exe", {x86}, true},
      {"\"C:\\Program Files (x86)\\Gone\\gone.exe\" \"%1\"", {x86}, true},
      {"C:\\Program Files (x86)\\Gone\\gone.exe,0", {x86}, true},
      {"C:\\Program Files (x86)\\App\\app.exe,0", {x86}, false},
      {"C:\\Apps\\a;b\\gone.dll", {"C:\\Apps\\a;b\\tool.dll"}, true},
      // A second file after the program does not stand for it.
      {"C:\\Tools\\run.exe C:\\Data\\other.dll", {"C:\\Data\\other.dll"}, true},
      {"C:\\Tools\\run.exe C:\\Data\\other.dll", {"C:\\Tools\\run.exe"}, false},
      // Every reading looks in the 32-bit system folder too.
      {"C:\\Windows\\System32\\Example.com Kit\\run.exe",
       {"C:\\Windows\\SysWOW64\\Example.com Kit\\run.exe"},
       false},
  };
  for (const auto& c : cases) {
    MemoryFileSystem fs("C:\\Windows\\System32", "C:\\Windows\\SysWOW64");
    for (const char* f : c.files) fs.AddFile(f);
    InvalidReferenceRule rule(fs);
    EXPECT_EQ(rule.Judge("HKEY_CURRENT_USER", "Run\\V", c.value, 2, "V").has_value(), c.listed)
        << c.value;
  }
}

// Texts are read as their owner reads them: %NAME% expanded with the
// owner's environment, and a multi-string by every one of its strings.
TEST(RuleReadings, ExpandVariablesAndReadEveryStringOfAMultiString) {
  struct Case {
    const char* value;
    std::vector<std::string> later;  // a multi-string's other strings
    const char* file;
    const char* listed;  // the missing file of the row, or null
  };
  const char* ann_tool = "C:\\Users\\Ann\\AppData\\Local\\Tool\\t.exe";
  const Case cases[] = {
      {"C:\\Users\\%USERNAME%\\AppData\\Local\\Tool\\t.exe", {}, ann_tool, nullptr},
      {"\"C:\\Users\\%username%\\AppData\\Local\\Tool\\t.exe\" /x", {}, ann_tool, nullptr},
      {"C:\\Users\\%USERNAME%\\AppData\\Local\\Tool\\gone.exe",
       {},
       ann_tool,
       "C:\\USERS\\ANN\\APPDATA\\LOCAL\\TOOL\\GONE.EXE"},
      {"C:\\Users\\%NOSUCH%\\gone.exe", {}, ann_tool, nullptr},
      {"%ProgramFiles(x86)%\\App\\app.exe /log C:\\Logs\\gone.exe",
       {},
       "C:\\Program Files (x86)\\App\\app.exe",
       nullptr},
      // Argument placeholders are no variables.
      {"\"C:\\Gone\\open.exe\" \"%1\" %*", {}, ann_tool, "C:\\GONE\\OPEN.EXE"},
      {"C:\\Gone\\open.exe %L,%V %~1", {}, ann_tool, "C:\\GONE\\OPEN.EXE"},
      {"C:\\Gone\\old.exe", {"C:\\Gone\\older.dll", ann_tool}, ann_tool, nullptr},
      {"C:\\Gone\\old.exe",
       {"", "C:\\Users\\%USERNAME%\\AppData\\Local\\Tool\\t.exe /s"},
       ann_tool,
       nullptr},
      {"C:\\Gone\\old.exe", {"C:\\Users\\%NOSUCH%\\x.exe"}, ann_tool, nullptr},
      {"C:\\Gone\\old.exe",
       {"C:\\Gone\\older.dll", "C:\\Users\\Ann"},
       ann_tool,
       "C:\\GONE\\OLD.EXE"},
  };
  VariableTable env;
  env.Set("USERNAME", "Ann");
  env.Set("ProgramFiles(x86)", "C:\\Program Files (x86)");
  for (const auto& c : cases) {
    MemoryFileSystem fs;
    fs.AddFile(c.file);
    InvalidReferenceRule rule(fs, {}, &env);
    std::u16string units = text::Utf8ToUtf16(c.value);
    for (const std::string& s : c.later) units += u'\0' + text::Utf8ToUtf16(s);
    units += std::u16string(2, u'\0');
    const StoredData stored{
        c.later.empty() ? kRegSz : kRegMultiSz,
        {reinterpret_cast<const std::uint8_t*>(units.data()), units.size() * 2}};
    const auto row = rule.Judge("HKEY_CURRENT_USER", "Run\\V", c.value, 2, "V", stored);
    EXPECT_EQ(row.has_value(), c.listed != nullptr) << c.value;
    if (row && c.listed) {
      EXPECT_EQ(row->missing_file, c.listed) << c.value;
    }
  }
}

TEST_F(RuleTest, NameAndDataFindsOfOneValueGiveTwoRows) {
  const char* key = "SharedDLLs\\C:\\Gone\\lib.dll";
  const char* value = "C:\\Gone\\lib.dll";
  auto by_name = rule.Judge("HKEY_LOCAL_MACHINE", key, value, 1);
  auto by_data = rule.Judge("HKEY_LOCAL_MACHINE", key, value, 2);
  ASSERT_TRUE(by_name && by_data);
  EXPECT_EQ(by_name->kind, "VALUE NAME");
  EXPECT_EQ(by_data->kind, "VALUE VALUE");
  // A counter stored under a file-path name: only the data text is judged.
  EXPECT_FALSE(rule.Judge("HKEY_LOCAL_MACHINE", key, "0x00000001(1)", 1));
}

TEST(ErrorList, HoldsMoreRowsThanA16BitCount) {
  ErrorList list;
  for (int i = 0; i < 40000; ++i)
    list.Append({"VALUE VALUE", "R", std::to_string(i), "", false, {}, {}});
  EXPECT_EQ(list.Count(), 40000u);
  list.CheckAll();
  EXPECT_TRUE(list.Rows()[32768].checked);
  EXPECT_EQ(list.Rows()[39999].key, "39999");
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST(RuleRows, KeepTheKeyPathAndTheValueNameApart) {
  MemoryFileSystem fs;
  InvalidReferenceRule rule(fs);
  struct Case {
    const char* key;
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"Software\\App\\Run\\Tool", "Tool", "Software\\App\\Run"},
      {"Software\\App\\Run\\", "", "Software\\App\\Run"},  // default value
      {"\\AtRoot", "AtRoot", ""},                          // value directly under a root
      {"SharedDLLs\\C:\\Gone\\x.dll", "C:\\Gone\\x.dll", "SharedDLLs"},  // name with backslashes
  };
  for (const auto& c : cases) {
    auto row = rule.Judge("HKEY_LOCAL_MACHINE", c.key, "C:\\Gone\\x.dll", 2, c.name);
    ASSERT_TRUE(row) << c.key;
    EXPECT_EQ(row->key, c.key);
    EXPECT_EQ(row->key_path, c.path) << c.key;
    EXPECT_EQ(row->value_name, c.name) << c.key;
  }
}

// The filter sees where the value lives, its name apart from the path even
// when the name holds a backslash; an ignored value is no row and costs no
// file query, and a listed row names the file it misses.
TEST(RuleIgnored, AnIgnoredValueIsNoRowAndNoFileQuery) {
  struct Case {
    const char* key;
    const char* name;
    const char* asked_path;
    const char* asked_name;
    bool ignored;
  };
  const Case cases[] = {
      {"Run\\Keep", "Keep", "Run", "Keep", true},
      {"Run\\C:\\Old\\x.exe", "C:\\Old\\x.exe", "Run", "C:\\Old\\x.exe", true},
      {"Run\\Other", "Other", "Run", "Other", false},
      {"\\", "", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    RecordingFileSystem fs;
    std::vector<std::string> seen;
    InvalidReferenceRule rule(
        fs, [&](std::string_view root, std::string_view path, std::string_view name) {
          seen.push_back(std::string(root) + "|" + std::string(path) + "|" + std::string(name));
          return c.ignored;
        });
    fs.asked.clear();
    const auto row = rule.Judge("HKEY_CURRENT_USER", c.key, "C:\\Old\\Tool.exe -x", 2, c.name);
    EXPECT_EQ(seen, std::vector<std::string>{std::string("HKEY_CURRENT_USER|") + c.asked_path +
                                             "|" + c.asked_name});
    if (c.ignored) {
      EXPECT_FALSE(row);
      EXPECT_TRUE(fs.asked.empty());
    } else {
      ASSERT_TRUE(row);
      EXPECT_EQ(MissingFileText(*row), "找不到文件：C:\\OLD\\TOOL.EXE");
    }
  }
}

}  // namespace
}  // namespace qm
