// quillmar-cli repair and backups restore --offline, run as a user runs
// them, on an installation whose hives the test writes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/linux/handles.h"
#include "platform/text.h"
#include "repair/code_page.h"
#include "repair/reg_file_reader.h"
#include "testing/linux/hive_fixture.h"
#include "tests/linux/run_command.h"
#include "tests/support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::DwordValue;
using testing::HiveValue;
using testing::MakeHive;
using testing::StringValue;

using testing::CliRun;
using testing::RunCommand;

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every value of a hive as hivex reads it: "key\path" "name" -> type, bytes.
using HiveDump = std::map<std::pair<std::string, std::string>, std::pair<std::uint32_t, Bytes>>;
void DumpNode(hive_h* h, hive_node_h node, const std::string& path, HiveDump& out) {
  hive_value_h* values = hivex_node_values(h, node);
  for (hive_value_h* v = values; v != nullptr && *v != 0; ++v) {
    char* name = hivex_value_key(h, *v);
    hive_type t{};
    std::size_t len = 0;
    char* data = hivex_value_value(h, *v, &t, &len);
    out[{path, name}] = {
        static_cast<std::uint32_t>(t),
        Bytes(reinterpret_cast<std::uint8_t*>(data), reinterpret_cast<std::uint8_t*>(data) + len)};
    std::free(name);
    std::free(data);
  }
  std::free(values);
  hive_node_h* children = hivex_node_children(h, node);
  for (hive_node_h* c = children; c != nullptr && *c != 0; ++c) {
    char* name = hivex_node_name(h, *c);
    DumpNode(h, *c, path.empty() ? name : path + "\\" + name, out);
    std::free(name);
  }
  std::free(children);
}
HiveDump Dump(const std::string& file) {
  HiveDump out;
  const posix::UniqueHive h(hivex_open(file.c_str(), 0));
  if (!h) return out;
  DumpNode(h.Get(), hivex_root(h.Get()), "", out);
  return out;
}

// hivexregedit's export (UTF-8, LF) read as the .reg text the importer
// reads: UTF-16LE behind its BOM, CR LF.
std::vector<BackupEntry> Export(const std::string& prefix, const std::string& hive) {
  const CliRun r =
      RunCommand("hivexregedit --export --prefix " + Quote(prefix) + " " + Quote(hive) + " '\\'");
  std::string crlf;
  for (char c : r.output) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Bytes utf16{0xFF, 0xFE};
  for (char16_t u : text::Utf8ToUtf16(crlf)) {
    utf16.push_back(static_cast<std::uint8_t>(u));
    utf16.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  Windows1252CodePage cp;
  const RegFileReadResult read = ReadRegFile(utf16, cp);
  EXPECT_TRUE(read.content) << prefix << ": line " << read.line << ": " << read.error;
  return read.content ? read.content->entries : std::vector<BackupEntry>{};
}

HiveValue Raw(std::string name, std::uint32_t type, Bytes data) {
  return {std::move(name), type, std::move(data)};
}
Bytes Utf16(const std::string& ascii, bool nul) {
  Bytes b;
  for (char c : ascii) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
  }
  if (nul) b.insert(b.end(), {0, 0});
  return b;
}

class OfflineRepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = qm::testing::MakeTempFolder("qm-offrep");
    ASSERT_FALSE(root_.empty());
    fs::create_directories(config_ = root_ / "Windows/System32/config");
    const fs::path ann = root_ / "Users/Ann";
    fs::create_directories(ann / "AppData/Local/Microsoft/Windows");
    fs::create_directories(root_ / "Tools");
    std::ofstream(root_ / "Tools/here.exe").put('x');
    const fs::path office = root_ / "Program Files/Common Files/Microsoft Shared/OFFICE14";
    fs::create_directories(office);
    std::ofstream(office / "ACEODBC.DLL").put('x');
    Bytes odd = Utf16("C:\\gone\\odd.exe", false);
    odd.push_back(0x41);  // an odd length, no terminator
    Bytes multi = Utf16("C:\\gone\\m1.dll", true);
    const Bytes m2 = Utf16("C:\\Tools\\here.exe", true);
    multi.insert(multi.end(), m2.begin(), m2.end());
    multi.insert(multi.end(), {0, 0});
    ASSERT_TRUE(MakeHive(
        config_ / "SOFTWARE",
        {{"Microsoft\\Windows\\CurrentVersion\\Run",
          {StringValue("Gone", "\"C:\\Program Files\\Gone\\gone.exe\" /x"), Raw("Odd", 1, odd),
           StringValue("Exp", "C:\\gone\\e.exe", 2), Raw("Multi", 7, multi),
           StringValue("Here", "c:\\TOOLS\\Here.exe"), DwordValue("Count", 3)}},
         {"ODBC\\ODBCINST.INI\\Microsoft Access Driver",
          {StringValue("Driver", "C:\\PROGRA~1\\COMMON~1\\MICROS~1\\OFFICE14\\ACEODBC.DLL"),
           StringValue("Setup", "C:\\PROGRA~1\\COMMON~1\\MICROS~1\\OFFICE14\\ACECORE.DLL")}},
         {"Classes\\.gone", {StringValue("", "C:\\gone\\classes.exe")}},
         {"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid_,
          {StringValue("ProfileImagePath", "%SystemDrive%\\Users\\Ann", 2)}}}));
    ASSERT_TRUE(MakeHive(config_ / "SYSTEM", {{"Select", {DwordValue("Current", 1)}},
                                              {"ControlSet001\\Services\\s",
                                               {StringValue("ImagePath", "C:\\gone\\s.sys"),
                                                DwordValue("Start", 2)}}}));
    ASSERT_TRUE(MakeHive(config_ / "DEFAULT", {{"Control Panel", {}}}));
    ASSERT_TRUE(
        MakeHive(ann / "NTUSER.DAT", {{"Software\\Run", {StringValue("U", "C:\\gone\\u.exe")}}}));
    ASSERT_TRUE(MakeHive(ann / "AppData/Local/Microsoft/Windows/UsrClass.dat",
                         {{".uc", {StringValue("", "C:\\gone\\uc.exe")}}}));
    hives_ = {
        {config_ / "SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE"},
        {config_ / "SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM"},
        {ann / "NTUSER.DAT", "HKEY_CURRENT_USER"},
        {ann / "NTUSER.DAT", "HKEY_USERS\\" + sid_},
        {ann / "AppData/Local/Microsoft/Windows/UsrClass.dat", "HKEY_CLASSES_ROOT"},
        {ann / "AppData/Local/Microsoft/Windows/UsrClass.dat",
         "HKEY_CURRENT_USER\\Software\\Classes"},
        {ann / "AppData/Local/Microsoft/Windows/UsrClass.dat",
         "HKEY_USERS\\" + sid_ + "\\Software\\Classes"},
        {ann / "AppData/Local/Microsoft/Windows/UsrClass.dat", "HKEY_USERS\\" + sid_ + "_Classes"}};
  }
  void TearDown() override { fs::remove_all(root_); }

  CliRun Cli(const std::string& args) {
    return RunCommand(std::string(QM_LINUX_CLI) + " " + args + " --offline " +
                      Quote(root_.string()));
  }
  std::map<std::string, Bytes> AllFiles() {
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::recursive_directory_iterator(root_)) {
      if (e.is_regular_file()) files[e.path()] = ReadAll(e.path());
    }
    return files;
  }

  fs::path root_, config_;
  const std::string sid_ = "S-1-5-21-4-5-6-1001";
  std::vector<std::pair<std::string, std::string>> hives_;  // file, its key as Windows shows it
};

TEST_F(OfflineRepairTest, RepairAndRestoreRoundTripThroughTheHives) {
  std::map<std::string, HiveDump> before;
  std::vector<BackupEntry> exported;
  for (const auto& [file, prefix] : hives_) {
    before[file] = Dump(file);
    for (BackupEntry& e : Export(prefix, file)) exported.push_back(std::move(e));
  }
  // hivexregedit knows no links or merged views: the same keys under the
  // names the running system also shows them by.
  const std::pair<std::string, std::string> aliases[] = {
      {"HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\",
       "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", "HKEY_CLASSES_ROOT\\"},
  };
  for (std::size_t i = 0, n = exported.size(); i < n; ++i) {
    for (const auto& [from, to] : aliases) {
      if (exported[i].key.rfind(from, 0) != 0) continue;
      BackupEntry c = exported[i];
      c.key.replace(0, from.size(), to);
      exported.push_back(std::move(c));
    }
  }
  const std::map<std::string, Bytes> originals = AllFiles();

  const CliRun scan = Cli("scan --quiet --format csv");
  ASSERT_EQ(scan.exit, 0) << scan.output;
  const CliRun repair = Cli("repair --backup --yes --quiet");
  ASSERT_EQ(repair.exit, 0) << repair.output;
  const CliRun after = Cli("scan --quiet");
  EXPECT_NE(after.output.find("0 invalid reference(s)"), std::string::npos) << after.output;
  for (const auto& [file, prefix] : hives_) {
    EXPECT_EQ(ReadAll(file + ".quillmar-orig"), originals.at(file)) << file;
  }
  // Untouched values stay as they were.
  EXPECT_EQ(Dump(config_ / "SOFTWARE").count({"Microsoft\\Windows\\CurrentVersion\\Run", "Here"}),
            1u);

  // The backup holds each deleted value as hivex exports it from the
  // original hive: the same key line, name, type and bytes.
  std::vector<fs::path> backups;
  for (const auto& e : fs::directory_iterator(root_ / "RegBackups")) backups.push_back(e.path());
  ASSERT_EQ(backups.size(), 1u);
  Windows1252CodePage cp;
  const RegFileReadResult backup = ReadRegFile(ReadAll(backups[0]), cp);
  ASSERT_TRUE(backup.content) << backup.error;
  const std::size_t rows =
      static_cast<std::size_t>(std::count(scan.output.begin(), scan.output.end(), '\n') - 1);
  EXPECT_EQ(backup.content->entries.size(), rows);
  for (const BackupEntry& e : backup.content->entries) {
    const auto peer = std::find_if(exported.begin(), exported.end(), [&](const BackupEntry& x) {
      return text::EqualsNoCase(x.key, e.key) && x.value.name == e.value.name;
    });
    ASSERT_NE(peer, exported.end()) << e.key << " " << e.value.name;
    EXPECT_EQ(peer->value.type, e.value.type) << e.key << " " << e.value.name;
    EXPECT_EQ(peer->value.data, e.value.data) << e.key << " " << e.value.name;
  }

  // Numbered by the time in their names, oldest first, as on Windows,
  // whatever order the folder lists them in: the repair's backup, renamed
  // to the oldest, is 1. A damaged copy is refused and changes nothing.
  const fs::path dir = root_ / "RegBackups";
  const std::string oldest = "Backup (2026-12-10 9;00;00).reg";
  fs::rename(backups[0], dir / oldest);
  Bytes damaged = ReadAll(dir / oldest);
  for (const char* later : {"Backup (2026-12-11).reg", "Backup (2026-12-10 10;00;00).reg",
                            "Backup (2026-12-10 9;00;00) (2).reg"}) {
    fs::copy_file(dir / oldest, dir / later);
  }
  damaged[damaged.size() / 2] ^= 1;
  ASSERT_TRUE(testing::WriteFile(dir / "Backup (2026-12-12 8;00;00).reg", damaged));
  EXPECT_EQ(Cli("backups list").output,
            "ID  文件\n1   " + oldest +
                "\n2   Backup (2026-12-10 9;00;00) (2).reg\n3   Backup (2026-12-10 10;00;00).reg\n"
                "4   Backup (2026-12-11).reg\n5   Backup (2026-12-12 8;00;00).reg\n");
  const std::map<std::string, Bytes> repaired = AllFiles();
  const CliRun refused = Cli("backups restore 5");
  EXPECT_EQ(refused.exit, 3) << refused.output;
  EXPECT_NE(
      refused.output.find("备份文件已损坏：" + (dir / "Backup (2026-12-12 8;00;00).reg").string()),
      std::string::npos)
      << refused.output;
  EXPECT_TRUE(AllFiles() == repaired) << "nothing written";

  const CliRun restore = Cli("backups restore 1");
  ASSERT_EQ(restore.exit, 0) << restore.output;
  EXPECT_NE(restore.output.find(" values from " + (dir / oldest).string() + "\n"),
            std::string::npos)
      << restore.output;
  for (const auto& [file, prefix] : hives_) EXPECT_EQ(Dump(file), before[file]) << file;
  const CliRun verify = Cli("backups verify 1");
  EXPECT_EQ(verify.exit, 0) << verify.output;
  EXPECT_NE(verify.output.find(" is intact: "), std::string::npos) << verify.output;
}

// Real hives name files by Windows' short names, which a Linux folder does
// not know: they are read as the volume resolves them.
TEST_F(OfflineRepairTest, ShortNamesOfExistingFilesAreNotListed) {
  const CliRun scan = Cli("scan --quiet --format csv");
  ASSERT_EQ(scan.exit, 0) << scan.output;
  struct Case {
    const char* file;
    bool listed;
  };
  const Case cases[] = {{"\\ACEODBC.DLL", false}, {"\\ACECORE.DLL", true}};
  for (const Case& c : cases) {
    EXPECT_EQ(scan.output.find(c.file) != std::string::npos, c.listed) << c.file << "\n"
                                                                       << scan.output;
  }
}

TEST_F(OfflineRepairTest, AHiveNotClosedCleanlyIsNeverWritten) {
  // Sequence numbers that differ, the header's checksum made right.
  Bytes software = ReadAll(config_ / "SOFTWARE");
  testing::PutU32(software, 4, 9);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 508; i += 4) {
    sum ^= software[i] | software[i + 1] << 8 | software[i + 2] << 16 |
           static_cast<std::uint32_t>(software[i + 3]) << 24;
  }
  testing::PutU32(software, 508, sum);
  ASSERT_TRUE(testing::WriteFile(config_ / "SOFTWARE", software));
  const std::map<std::string, Bytes> files = AllFiles();
  struct Case {
    const char* command;
  };
  const Case cases[] = {{"repair --backup --yes --quiet"}, {"repair --no-backup --yes --quiet"}};
  for (const Case& c : cases) {
    const CliRun r = Cli(c.command);
    EXPECT_EQ(r.exit, 3) << r.output;
    EXPECT_NE(r.output.find((config_ / "SOFTWARE").string()), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("shut it down fully"), std::string::npos) << r.output;
    EXPECT_EQ(AllFiles(), files) << c.command;
    EXPECT_FALSE(fs::exists(root_ / "RegBackups"));
  }

  // A scan says once (SOFTWARE is read for two roots) that its logs are unseen.
  const CliRun scan = Cli("scan --format json --quiet");
  const std::string said = "the hive " + (config_ / "SOFTWARE").string() +
                           " was not closed cleanly (its two sequence numbers differ): the "
                           "changes held in its log files (.LOG1, .LOG2) are not seen";
  EXPECT_EQ(scan.exit, 0) << scan.output;
  EXPECT_EQ(scan.output.find("quillmar-cli: warning: " + said + ".\n"),
            scan.output.rfind("quillmar-cli: warning: "));
  EXPECT_NE(scan.output.find("\"warnings\": [\"" + said + "\"], \"rows\": ["), std::string::npos)
      << scan.output;

  // Nor is a backup restored into it.
  fs::create_directories(root_ / "RegBackups");
  std::ofstream(root_ / "RegBackups/Backup (2026-12-10 9;00;00).reg", std::ios::binary)
      << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n\"Back\"=\"C:\\\\x.exe\"\r\n";
  const std::map<std::string, Bytes> with_backup = AllFiles();
  const CliRun restore = Cli("backups restore 1");
  EXPECT_EQ(restore.exit, 3) << restore.output;
  EXPECT_NE(restore.output.find("shut it down fully"), std::string::npos) << restore.output;
  EXPECT_EQ(AllFiles(), with_backup);
}

}  // namespace
}  // namespace qm
