// quillmar-cli repair --prefix, run as a user runs it, on a prefix whose
// registry files the test writes, with a real Wine server for the refusal.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "platform/linux/wine_server.h"
#include "tests/linux/run_command.h"
#include "tests/support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::RunCommand;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Each registry file line by line, so that the test names the lines a
// repair must take out.
const std::vector<std::string> kSystem = {
    "WINE REGISTRY Version 2\n",
    ";; All keys relative to REGISTRY\\\\Machine\n",
    "\n",
    "#arch=win64\n",
    "\n",
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1796850185\n",
    "#time=1d9c3a1b2c3d4e5\n",
    "\"Gone\"=\"C:\\\\Program Files\\\\Gone\\\\gone.exe\"\n",  // 7: found
    "\"Data\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n",
    "  16,17\n",
    "\"Here\"=\"C:\\\\windows\\\\system32\\\\here.exe\"\n",
    "\"Also\"=\"C:\\\\gone\\\\also.exe\"\r\n",  // 11: found
    "\n",
};
const std::vector<std::string> kUser = {
    "WINE REGISTRY Version 2\n",
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n",
    "\n",
    "#arch=win64\n",
    "\n",
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1796850185\n",
    "\"Mine\"=\"C:\\\\users\\\\me\\\\gone.exe\"\n",  // 6: found
    "\"Kept\"=dword:00000001\n",
    "\n",
};
const std::vector<std::string> kUserDefault = {
    "WINE REGISTRY Version 2\n",
    ";; All keys relative to REGISTRY\\\\User\\\\.Default\n",
    "\n",
    "[Control Panel\\\\Desktop] 1\n",
    "\"Wallpaper\"=\"C:\\\\gone.bmp\"\n",
    "\n"};

std::string Join(const std::vector<std::string>& lines, const std::set<std::size_t>& without = {}) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (without.count(i) == 0) out += lines[i];
  }
  return out;
}

class PrefixRepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = qm::testing::MakeTempFolder("qm-prefix-repair");
    ASSERT_FALSE(dir_.empty());
    fs::create_directories(dir_ / "drive_c/windows/system32");
    std::ofstream(dir_ / "drive_c/windows/system32/here.exe") << "MZ";
    std::ofstream(dir_ / "system.reg", std::ios::binary) << Join(kSystem);
    std::ofstream(dir_ / "user.reg", std::ios::binary) << Join(kUser);
    std::ofstream(dir_ / "userdef.reg", std::ios::binary) << Join(kUserDefault);
  }
  void TearDown() override { fs::remove_all(dir_); }

  CliRun Cli(const std::string& args) {
    return RunCommand(std::string(QM_LINUX_CLI) + " " + args + " --quiet --prefix '" +
                      dir_.string() + "'");
  }
  std::string WineServer(const std::string& args) {
    // The server stays in the background: it must not hold the pipe open.
    return "WINEPREFIX='" + dir_.string() + "' wineserver " + args + " </dev/null >/dev/null";
  }
  // Whether the check sees the server as `want` within a few seconds: it
  // starts, and stops, in the background.
  bool Becomes(bool running) {
    for (int i = 0; i < 100; ++i) {
      const Result<bool> now = posix::WineServerRunning(dir_);
      if (now.ok() && now.value() == running) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  fs::path dir_;
};

TEST_F(PrefixRepairTest, RepairTakesOutExactlyTheFoundValuesAndKeepsEveryOtherByte) {
  const CliRun repaired = Cli("repair --yes");
  ASSERT_EQ(repaired.exit, 0) << repaired.output;
  EXPECT_EQ(ReadAll(dir_ / "system.reg"), Join(kSystem, {7, 11}));
  EXPECT_EQ(ReadAll(dir_ / "user.reg"), Join(kUser, {6}));
  // A wallpaper is no program file: the file is not touched.
  EXPECT_EQ(ReadAll(dir_ / "userdef.reg"), Join(kUserDefault));
  EXPECT_FALSE(fs::exists(dir_ / "userdef.reg.quillmar-orig"));
  EXPECT_EQ(ReadAll(dir_ / "system.reg.quillmar-orig"), Join(kSystem));

  // The backup lies on the prefix's drive C: and names every deleted value.
  std::vector<fs::path> backups;
  for (const auto& e : fs::directory_iterator(dir_ / "drive_c/RegBackups")) {
    backups.push_back(e.path());
  }
  ASSERT_EQ(backups.size(), 1u);
  const std::string backup = ReadAll(backups[0]);
  for (const char* name : {"\"Gone\"", "\"Also\"", "\"Mine\""}) {
    EXPECT_NE(backup.find(name), std::string::npos) << name;
  }

  // The files read back, and nothing is found again.
  const CliRun scan = Cli("scan --format csv");
  ASSERT_EQ(scan.exit, 0) << scan.output;
  EXPECT_EQ(scan.output.find("gone"), std::string::npos) << scan.output;
}

TEST_F(PrefixRepairTest, ARunningWineServerRefusesTheRepairAndNothingChanges) {
  ASSERT_TRUE(Becomes(false));
  ASSERT_EQ(RunCommand(WineServer("-p")).exit, 0);
  const bool running = Becomes(true);
  const CliRun refused = Cli("repair --yes");
  const std::string system = ReadAll(dir_ / "system.reg"), user = ReadAll(dir_ / "user.reg");
  const bool backed_up = fs::exists(dir_ / "drive_c/RegBackups");
  ASSERT_EQ(RunCommand(WineServer("-k")).exit, 0);
  ASSERT_TRUE(running);
  EXPECT_EQ(refused.exit, 3) << refused.output;
  EXPECT_NE(refused.output.find("wineserver -k"), std::string::npos) << refused.output;
  EXPECT_EQ(system, Join(kSystem));
  EXPECT_EQ(user, Join(kUser));
  EXPECT_FALSE(backed_up);

  // Once it has stopped, the repair goes ahead, in the files as the server
  // itself wrote them on its way out.
  ASSERT_TRUE(Becomes(false));
  const CliRun repaired = Cli("repair --yes");
  EXPECT_EQ(repaired.exit, 0) << repaired.output;
  const std::string after = ReadAll(dir_ / "user.reg");
  EXPECT_EQ(after.find("\"Mine\""), std::string::npos) << after;
  EXPECT_NE(after.find("\"Kept\"=dword:00000001\n"), std::string::npos) << after;
}

// The ignore list and the backups live on the prefix's drive C:, where
// Quillmar inside the prefix finds them; a restore writes the values back
// into the registry files, read again to check them.
TEST_F(PrefixRepairTest, IgnoreListAndBackupsLiveOnTheDriveOfThePrefix) {
  const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const fs::path list = dir_ / "drive_c/RegBackups/ignore.txt";
  const struct {
    std::string args;
    int exit;
    std::string shown;
  } steps[] = {
      {"ignore add '" + run + "' --value Mine", 0, "Added to the ignore list"},
      {"repair --yes --quiet", 0, "2 个错误已修复"},
      {"backups list", 0, "ID  文件\n1   Backup ("},
      {"backups verify 1", 1, "missing     HKEY_LOCAL_MACHINE"},
      {"backups restore 1", 0, "Restored 2 of 2 values"},
      {"backups verify 1", 0, "2 of 2 values are in the registry"},
      {"records", 2, "'records' reads ro.ini"},
      {"backups delete 1", 0, "Deleted " + (dir_ / "drive_c/RegBackups/Backup (").string()},
      {"ignore list", 0, "1  HKEY_CURRENT_USER\\Software"},
  };
  for (const auto& step : steps) {
    const CliRun r = RunCommand(std::string(QM_LINUX_CLI) + " " + step.args + " --prefix '" +
                                dir_.string() + "'");
    EXPECT_EQ(r.exit, step.exit) << step.args << "\n" << r.output;
    EXPECT_NE(r.output.find(step.shown), std::string::npos) << step.args << "\n" << r.output;
  }
  EXPECT_EQ(ReadAll(dir_ / "user.reg"), Join(kUser));
  const std::string system = ReadAll(dir_ / "system.reg");
  for (const std::size_t line : {7, 11}) {
    EXPECT_NE(system.find(kSystem[line].substr(0, kSystem[line].find('\r'))), std::string::npos)
        << system;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(list.parent_path()), fs::directory_iterator()), 1);

  // A line of the list that cannot be read refuses the repair before the
  // question; without a terminal to ask on, that would be exit 2.
  std::ofstream(list, std::ios::app) << "HKEY_NOWHERE\\x\n";
  std::ofstream(dir_ / "system.reg", std::ios::binary) << Join(kSystem);
  const CliRun refused = Cli("repair </dev/null");
  EXPECT_EQ(refused.exit, 3) << refused.output;
  EXPECT_NE(refused.output.find("忽略列表第 2 行无法读取"), std::string::npos) << refused.output;
  EXPECT_EQ(ReadAll(dir_ / "system.reg"), Join(kSystem));
}

// SIGINT (Ctrl+C) once the deletions are near: the run stops after the value
// in hand, still writes what it deleted, names the rest and exits 1.
TEST_F(PrefixRepairTest, SigintDuringTheRepairStopsItAndTheReportIsTrue) {
  std::string system = Join({kSystem.begin(), kSystem.begin() + 5}) + "[Software\\\\Left] 1\n";
  for (int i = 0; i < 2000; ++i) system += "\"V" + std::to_string(i) + "\"=\"C:\\\\gone.exe\"\n";
  std::ofstream(dir_ / "system.reg", std::ios::binary) << system;
  std::ofstream(dir_ / "user.reg", std::ios::binary) << Join(kUser, {6});  // nothing found
  // The backup's status line comes after the scan, before any deletion.
  const CliRun run = RunCommand("cd '" + dir_.string() + "' && { " + QM_LINUX_CLI +
                                " repair --yes --prefix . >report 2>err & pid=$!; while kill -0 "
                                "$pid && ! grep -q 正在创建备份 err; do :; done; kill -INT $pid; "
                                "wait $pid; }");
  EXPECT_EQ(run.exit, 1) << run.output << ReadAll(dir_ / "err");
  const std::string report = ReadAll(dir_ / "report");
  const auto left = std::ranges::count(ReadAll(dir_ / "system.reg"), '\n') - 6;  // values left
  EXPECT_NE(report.find("Stopped by Ctrl+C: " + std::to_string(2000 - left) +
                        " of 2000 values repaired; these " + std::to_string(left) +
                        " were not reached and are untouched:\n"),
            std::string::npos)
      << report.substr(report.size() - std::min<std::size_t>(report.size(), 500));
  EXPECT_TRUE(report.ends_with("\n  HKEY_LOCAL_MACHINE\\Software\\Left\\V1999\n"));
}

}  // namespace
}  // namespace qm
