#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/scan_search.h"
#include "platform/environment.h"
#include "platform/memory_registry.h"
#include "testing/memory_file_system.h"

namespace qm::cli {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

struct BadCase {
  std::string line;
  std::string error;
};

TEST(CliArgs, UsageErrorsNameTheBadArgument) {
  const BadCase cases[] = {
      {"", "no command given"},
      {"clean", "unknown command 'clean'"},
      {"scan --format xml", "unknown format 'xml' (text, json or csv)"},
      {"repair --format csv", "unknown format 'csv' (text or json)"},
      {"scan --format", "option '--format' needs a value"},
      {"scan --root", "option '--root' needs a value"},
      {"repair --key", "option '--key' needs a value"},
      {"scan --root HKEY_NOWHERE", "unknown root 'HKEY_NOWHERE'"},
      {"scan --yes", "unexpected argument '--yes'"},
      {"scan --backup", "unexpected argument '--backup'"},
      {"scan extra", "unexpected argument 'extra'"},
      {"repair --backup --no-backup", "'--backup' and '--no-backup' exclude each other"},
      {"repair --no-backup --backup", "'--backup' and '--no-backup' exclude each other"},
      {"repair -y", "unexpected argument '-y'"},
      {"backups fix", "unknown backups action 'fix' (list, restore, verify or delete)"},
      {"backups verify", "'backups verify' needs an ID or a file name"},
      {"backups restore", "'backups restore' needs an ID or a file name"},
      {"backups delete", "'backups delete' needs an ID or a file name"},
      {"backups delete 1 2", "unexpected argument '2'"},
      {"backups list 1", "unexpected argument '1'"},
      {"records now", "unexpected argument 'now'"},
      {"--version x", "unexpected argument 'x'"},
      {"scan --walk", "option '--walk' needs a value"},
      {"scan --found-exit 3", "'--found-exit' takes 1 or 4 to 125, not '3'"},
      {"scan --found-exit 0", "'--found-exit' takes 1 or 4 to 125, not '0'"},
      {"scan --found-exit 126", "'--found-exit' takes 1 or 4 to 125, not '126'"},
      {"scan --found-exit yes", "'--found-exit' takes 1 or 4 to 125, not 'yes'"},
      {"repair --found-exit 1", "unexpected argument '--found-exit'"},
      {"scan --walk fast", "unknown walk 'fast' (auto, snapshot or live)"},
      {"repair --walk Live", "unknown walk 'Live' (auto, snapshot or live)"},
      {"scan --prefix", "option '--prefix' needs a value"},
      {"repair --offline", "option '--offline' needs a value"},
      {"scan --prefix /p --offline /mnt", "'--prefix' and '--offline' exclude each other"},
      {"scan --user ann", "'--user' needs '--offline DIR'"},
      {"scan --prefix /p --user ann", "'--user' needs '--offline DIR'"},
      {"backups restore 1 --offline", "option '--offline' needs a value"},
      {"backups restore 1 --user ann", "'--user' needs '--offline DIR'"},
      {"ignore clear", "unknown ignore action 'clear' (list, add or remove)"},
      {"ignore add", "'ignore add' needs ROOT\\KEY"},
      {"ignore add HKEY_NOWHERE\\Run", "unknown root 'HKEY_NOWHERE'"},
      {"ignore add HKCU\\Run --value", "option '--value' needs a value"},
      {"ignore add HKCU\\a\\\\b",
       "the key 'HKCU\\a\\\\b' cannot be put on the ignore list (an empty "
       "name or a control character)"},
      {"ignore remove", "'ignore remove' needs an entry number"},
      {"ignore remove 0", "'0' is not an entry number (1, 2, ... as 'ignore list' shows)"},
      {"ignore remove -1", "'-1' is not an entry number (1, 2, ... as 'ignore list' shows)"},
      {"ignore list 1", "unexpected argument '1'"},
      // Control characters typed are echoed as their pictures.
      {"ignore add HKCU\\a\x1b[2Jb",
       "the key 'HKCU\\a\u241b[2Jb' cannot be put on the ignore "
       "list (an empty name or a control character)"},
      // Longer than the registry allows.
      {"ignore add HKCU\\Soft\\" + std::string(30000, 'k'),
       "the key name 'kkkkkkkkkkkkkkkkkkkkkkkk...' is 30000 characters long; the registry allows "
       "at most 255"},
      {"ignore add HKCU\\Run --value " + std::string(16384, 'v'),
       "the value name 'vvvvvvvvvvvvvvvvvvvvvvvv...' is 16384 characters long; the registry "
       "allows at most 16383"},
  };
  for (const auto& c : cases) {
    const auto argv = Split(c.line);
    const ParseResult r = ParseArgs(argv);
    EXPECT_FALSE(r.ok()) << c.line;
    EXPECT_EQ(r.detail(), c.error) << c.line;
  }
}

TEST(CliArgs, ScanAndRepairOptions) {
  struct Case {
    const char* line;
    Command command;
    ReportFormat format;
    std::int32_t root;
    const char* key;
    bool quiet;
    BackupChoice backup;
    bool yes;
  };
  constexpr auto hkcu = static_cast<std::int32_t>(0x80000001u);
  constexpr auto hklm = static_cast<std::int32_t>(0x80000002u);
  const Case cases[] = {
      {"scan", Command::kScan, ReportFormat::kText, 0, "", false, BackupChoice::kProfile, false},
      {"scan --format csv --quiet", Command::kScan, ReportFormat::kCsv, 0, "", true,
       BackupChoice::kProfile, false},
      {"scan --root hkey_current_user --key Software\\App", Command::kScan, ReportFormat::kText,
       hkcu, "Software\\App", false, BackupChoice::kProfile, false},
      {"scan --root HKEY_CURRENT_USER --root HKEY_LOCAL_MACHINE", Command::kScan,
       ReportFormat::kText, hklm, "", false, BackupChoice::kProfile, false},
      {"repair", Command::kRepair, ReportFormat::kText, 0, "", false, BackupChoice::kProfile,
       false},
      {"repair --yes --no-backup --format json", Command::kRepair, ReportFormat::kJson, 0, "",
       false, BackupChoice::kOff, true},
      {"repair --backup --backup --quiet --root HKEY_CURRENT_USER", Command::kRepair,
       ReportFormat::kText, hkcu, "", true, BackupChoice::kOn, false},
  };
  for (const auto& c : cases) {
    const auto argv = Split(c.line);
    const ParseResult r = ParseArgs(argv);
    ASSERT_TRUE(r.ok()) << c.line << ": " << r.detail();
    EXPECT_EQ(r->command, c.command) << c.line;
    EXPECT_EQ(r->format, c.format) << c.line;
    EXPECT_EQ(r->root, c.root) << c.line;
    EXPECT_EQ(r->key, c.key) << c.line;
    EXPECT_EQ(r->quiet, c.quiet) << c.line;
    EXPECT_EQ(r->backup, c.backup) << c.line;
    EXPECT_EQ(r->yes, c.yes) << c.line;
  }
}

// A repair leaves the system's own settings unticked unless the command
// line names them; a scan has no such option.
TEST(CliArgs, OnlyIncludeSystemTicksTheSystemSettingsTheSearchFinds) {
  MemoryRegistry reg;
  reg.SetString(kHkeyCurrentUser, "Software\\Run", "gone", "C:\\Gone\\a.exe");
  reg.SetString(kHkeyLocalMachine, "SYSTEM\\ControlSet001\\Control\\Session Manager", "BootExecute",
                "C:\\Gone\\autochk.exe *");
  MemoryFileSystem fs{"C:\\Windows\\System32"};
  const VariableTable environment;
  const std::pair<const char*, const char*> cases[] = {{"repair --yes", "10"},
                                                       {"repair --include-system", "11"}};
  for (const auto& [line, ticks] : cases) {
    const ParseResult parsed = ParseArgs(Split(line));
    ASSERT_TRUE(parsed.ok()) << line << ": " << parsed.detail();
    const ScanRun run = SearchRegistry(reg, fs, environment, parsed.value(), {});
    std::string marks;
    for (const RegErrorRow& row : run.rows.Rows()) marks += row.checked ? "1" : "0";
    EXPECT_EQ(marks, ticks) << line;
  }
  EXPECT_EQ(ParseArgs(Split("scan --include-system")).detail(),
            "unexpected argument '--include-system'");
}

TEST(CliArgs, CategoriesByEitherName) {
  struct Case {
    const char* line;
    std::vector<Category> listed, left_out;
  };
  const Case cases[] = {
      {"scan", {Category::kStartup, Category::kFonts}, {}},
      {"scan --category startup", {Category::kStartup}, {Category::kFonts, Category::kHistory}},
      {"repair --category 缓存和历史记录文件,Fonts",
       {Category::kHistory, Category::kFonts},
       {Category::kStartup}},
      {"scan --category 字体文件", {Category::kFonts}, {Category::kCom}},
  };
  for (const Case& c : cases) {
    const ParseResult parsed = ParseArgs(Split(c.line));
    ASSERT_TRUE(parsed.ok()) << c.line << ": " << parsed.detail();
    for (const Category in : c.listed) EXPECT_TRUE(parsed->categories.Lists(in)) << c.line;
    for (const Category out : c.left_out) EXPECT_FALSE(parsed->categories.Lists(out)) << c.line;
  }
  for (const char* bad : {"scan --category font", "repair --category startup,"}) {
    const std::string error = ParseArgs(Split(bad)).detail();
    EXPECT_EQ(error.rfind("unknown category '", 0), 0u) << error;
    EXPECT_NE(error.find("startup (系统开机自启动项目), "), std::string::npos) << error;
  }
}

TEST(CliArgs, WalkChoices) {
  const std::pair<const char*, WalkChoice> cases[] = {
      {"scan", WalkChoice::kAuto},
      {"scan --walk live", WalkChoice::kLive},
      {"repair --walk snapshot --yes", WalkChoice::kSnapshot},
      {"scan --walk auto --walk live", WalkChoice::kLive},
  };
  for (const auto& [line, walk] : cases) {
    const ParseResult r = ParseArgs(Split(line));
    ASSERT_TRUE(r.ok()) << line << ": " << r.detail();
    EXPECT_EQ(r->walk, walk) << line;
  }
}

TEST(CliArgs, OtherCommands) {
  struct Case {
    const char* line;
    Command command;
    BackupsAction action;
    const char* target;
  };
  const Case cases[] = {
      {"--help", Command::kHelp, BackupsAction::kList, ""},
      {"-h", Command::kHelp, BackupsAction::kList, ""},
      {"--version", Command::kVersion, BackupsAction::kList, ""},
      {"records", Command::kRecords, BackupsAction::kList, ""},
      {"backups", Command::kBackups, BackupsAction::kList, ""},
      {"backups list", Command::kBackups, BackupsAction::kList, ""},
      {"backups restore 2", Command::kBackups, BackupsAction::kRestore, "2"},
      {"backups verify 3", Command::kBackups, BackupsAction::kVerify, "3"},
      {"backups delete 2026-1.reg", Command::kBackups, BackupsAction::kDelete, "2026-1.reg"},
  };
  for (const auto& c : cases) {
    const auto argv = Split(c.line);
    const ParseResult r = ParseArgs(argv);
    ASSERT_TRUE(r.ok()) << c.line << ": " << r.detail();
    EXPECT_EQ(r->command, c.command) << c.line;
    EXPECT_EQ(r->action, c.action) << c.line;
    EXPECT_EQ(r->target, c.target) << c.line;
  }
}

TEST(CliArgs, BackupTargetsByIdThenByName) {
  const std::vector<BackupRow> rows = {{"1", "b.reg"}, {"2", "A.REG"}, {"3", "2"}};
  EXPECT_EQ(FindBackupRow(rows, "2"), 1u);  // the ID wins over a file named "2"
  EXPECT_EQ(FindBackupRow(rows, "a.reg"), 1u);
  EXPECT_EQ(FindBackupRow(rows, "b.reg"), 0u);
  EXPECT_EQ(FindBackupRow(rows, "4"), std::nullopt);
  EXPECT_EQ(FindBackupRow(rows, "b"), std::nullopt);
  EXPECT_EQ(FindBackupRow({}, "1"), std::nullopt);
}

}  // namespace
}  // namespace qm::cli
