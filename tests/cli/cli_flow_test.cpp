// The commands of quillmar-cli, written once for every source, run against
// a source in memory: a table of command lines, in order, over one
// registry, with what each must print and its exit status.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/commands.h"
#include "platform/memory_registry.h"
#include "platform/text.h"
#include "profile/profile_store.h"
#include "testing/ascii_code_page.h"
#include "testing/memory_file_store.h"
#include "testing/memory_file_system.h"
#include "tests/repair/fakes.h"

namespace qm::cli {
namespace {

// The backup folder's files, for the writer and for the list.
class MemoryBackups final : public BackupDisk, public BackupFolder {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;  // by path
  Result<PathKind> Inspect(std::string_view path) override {
    if (text::EqualsNoCase(path, "C:\\Q") || text::EqualsNoCase(path, "C:\\Q\\RegBackups")) {
      return PathKind::kFolder;
    }
    if (files.count(std::string(path)) == 0) return Failure{kErrFileNotFound, std::string(path)};
    return PathKind::kFile;
  }
  std::uint32_t CreateFolder(std::string_view) override { return 0; }
  std::uint32_t PublishNewFile(std::string_view path, std::span<const std::uint8_t> b) override {
    files[std::string(path)] = {b.begin(), b.end()};
    return 0;
  }
  std::vector<FolderEntry> List(std::string_view) override {
    std::vector<FolderEntry> listed;
    for (const auto& [path, bytes] : files) listed.push_back({path.substr(path.rfind('\\') + 1)});
    return listed;
  }
  bool FileMissing(std::string_view path) override { return files.count(std::string(path)) == 0; }
  std::uint32_t Remove(std::string_view path) override {
    return files.erase(std::string(path)) != 0 ? 0 : kErrFileNotFound;
  }
  std::uint32_t ReadWhole(std::string_view path, std::vector<std::uint8_t>& bytes) override {
    bytes = files[std::string(path)];
    return 0;
  }
};

// No ro.ini, as in a prefix: a backup before every repair.
class BackupOnProfile final : public PrivateProfile {
 public:
  ProfileRead GetString(std::string_view, std::string_view, std::string_view key,
                        std::size_t) override {
    return key == kBackupBeforeFixKey ? ProfileRead{"1", 1} : ProfileRead{};
  }
  bool WriteString(std::string_view, std::string_view, std::string_view,
                   std::string_view) override {
    return true;
  }
};

struct World {
  MemoryRegistry registry;
  MemoryRegistry discarded;  // where an editor that writes nothing puts it
  MemoryFileSystem fs;
  VariableTable environment;
  MemoryFileStore ignore;
  MemoryBackups backups;
  testing::AsciiCodePage code_page;
  testing::FixedClock clock{FixedDateTimeText({2026, 12, 10, 9, 0, 0})};
  BackupOnProfile profile;
  std::string refusal;           // the source's WriteRefusal
  bool editor_discards = false;  // a restore's writes never reach the files
};

// Each opening is a view of the one world, as reading a prefix's files
// again sees what was written to them.
class WorldSource final : public RegistrySource {
 public:
  explicit WorldSource(World& w, bool read_again = false) : w_(w), read_again_(read_again) {}
  RegistryReader& Reader() override { return w_.registry; }
  FileSystem& Files() override { return w_.fs; }
  const Environment& Env() override { return w_.environment; }
  RegistryEditor& Editor() override {
    return w_.editor_discards && !read_again_ ? w_.discarded : w_.registry;
  }
  std::vector<std::string> FilesOf(RegKey, std::string_view) const override { return {"user"}; }
  std::string WriteRefusal(const std::set<std::string>&) override { return w_.refusal; }
  std::vector<std::pair<std::string, std::string>> WriteChanges() override { return {}; }
  SourceOpened ReadAgain() override { return std::make_unique<WorldSource>(w_, true); }
  BackupPlace BackupWriter() override { return {"C:\\Q", w_.backups, w_.code_page, w_.clock}; }
  BackupFolder& Backups() override { return w_.backups; }
  std::string BackupFolderName() override { return "C:\\Q\\RegBackups"; }
  std::string BackupFile(std::string_view name) override { return BackupFilePath("C:\\Q", name); }
  std::vector<std::string> IgnoreFiles() override { return {"C:\\Q\\ignore.txt", "C:\\m.txt"}; }
  FileStore& IgnoreStore() override { return w_.ignore; }
  PrivateProfile& Profile() override { return w_.profile; }

 private:
  World& w_;
  bool read_again_;
};

class CapturingConsole final : public Console {
 public:
  std::string out, err;
  void Write(FILE* f, std::string_view utf8) override { (f == stdout ? out : err) += utf8; }
  bool IsTerminal(FILE*) override { return false; }
  std::optional<std::string> ReadLine() override { return std::nullopt; }
  void CatchInterrupts() override {}
  bool Interrupted() override { return false; }
};

struct Step {
  const char* line;
  int exit;
  const char* shown;                   // in standard output and error together
  const char* absent = "";             // not in them
  const char* machine_list = nullptr;  // C:\m.txt before the step, when given
  const char* refusal = "";
  bool editor_discards = false;
};

const Step kSteps[] = {
    {"scan --quiet", 0, "C:\\gone\\gone.exe", "here.exe"},
    // The machine's list counts as much as the source's own.
    {"scan --quiet", 0, "tool.exe", "gone.exe", "HKEY_CURRENT_USER\\Software\\Run\\\\\"Gone\"\n"},
    {"repair --quiet", 3, "忽略列表第 1 行无法读取", "Backup", "[damaged\n"},
    {"ignore add HKCU\\Software\\Run --value Tool", 0, "Added to the ignore list", "", ""},
    {"ignore list", 0, "1  HKEY_CURRENT_USER\\Software\\Run\\\\\"Tool\""},
    {"scan --quiet", 0, "C:\\gone\\gone.exe", "tool.exe"},
    {"scan --quiet --no-ignore", 0, "tool.exe"},
    {"ignore list --ignore-file C:\\other.txt", 0, "The ignore list is empty (C:\\other.txt)"},
    {"scan --quiet --ignore-file C:\\other.txt", 0, "tool.exe"},
    {"ignore remove 2", 2, "there is no entry 2; the ignore list has 1"},
    // A detection script's status: found, then (after the repair) none.
    {"scan --quiet --found-exit 7", 7, "C:\\gone\\gone.exe"},
    {"repair --yes --quiet", 3, "the server runs", "Backup", nullptr, "the server runs\n"},
    {"repair --quiet", 2, "nobody can confirm deleting 1 registry values"},
    {"backups list", 0, "ID  文件\n", "Backup"},
    {"repair --yes --quiet", 0, "C:\\Q\\RegBackups\\Backup (2026-12-10 9;00;00).reg"},
    {"scan --quiet --found-exit 7", 0, "", "C:\\gone\\gone.exe"},
    {"backups list", 0, "ID  文件\n1   Backup (2026-12-10 9;00;00).reg\n"},
    {"backups verify 1", 1, "missing     HKEY_CURRENT_USER\\Software\\Run  \"Gone\""},
    {"backups restore 2", 2, "no backup has the ID or file name '2'"},
    {"backups restore 1", 3, "the server runs", "restored", nullptr, "the server runs\n"},
    // Read back from the files, not from the editor that took the writes.
    {"backups restore 1", 1, "NOT RESTORED  HKEY_CURRENT_USER\\Software\\Run  \"Gone\": not there",
     "Restored 1", nullptr, "", true},
    {"backups restore 1", 0, "restored      HKEY_CURRENT_USER\\Software\\Run  \"Gone\"  REG_SZ"},
    {"backups verify 1", 0, "same        HKEY_CURRENT_USER\\Software\\Run  \"Gone\""},
    {"scan --quiet", 0, "C:\\gone\\gone.exe"},
    {"backups delete 1", 0, "Deleted C:\\Q\\RegBackups\\Backup (2026-12-10 9;00;00).reg"},
    {"backups list", 0, "ID  文件\n", "Backup"},
    {"records", 2, "'records' reads ro.ini beside quillmar-cli.exe"},
    {"records --prefix /p", 2, "a prefix or an installation has none"},
    {"scan --prefix /p --walk live", 2, "'--walk' reads the running system's registry only"},
};

TEST(CliFlow, CommandLinesInTurnOverOneSource) {
  World w;
  w.registry.SetString(kHkeyCurrentUser, "Software\\Run", "Gone", "C:\\gone\\gone.exe");
  w.registry.SetString(kHkeyCurrentUser, "Software\\Run", "Tool", "C:\\tool\\tool.exe");
  w.registry.SetString(kHkeyCurrentUser, "Software\\Run", "Here", "C:\\here.exe");
  w.fs.AddFile("C:\\here.exe");
  for (const Step& s : kSteps) {
    if (s.machine_list != nullptr) w.ignore.files["C:\\m.txt"] = s.machine_list;
    w.refusal = s.refusal;
    w.editor_discards = s.editor_discards;
    std::vector<std::string> words;
    std::istringstream line(s.line);
    for (std::string word; line >> word;) words.push_back(word);
    CapturingConsole console;
    const int exit = RunCli(words, console, [&w](const CliArgs&) {
      return SourceOpened{std::make_unique<WorldSource>(w)};
    });
    const std::string shown = console.out + console.err;
    EXPECT_EQ(exit, s.exit) << s.line << "\n" << shown;
    EXPECT_NE(shown.find(s.shown), std::string::npos) << s.line << "\n" << shown;
    if (*s.absent != '\0') {
      EXPECT_EQ(shown.find(s.absent), std::string::npos) << s.line << "\n" << shown;
    }
  }
}

}  // namespace
}  // namespace qm::cli
