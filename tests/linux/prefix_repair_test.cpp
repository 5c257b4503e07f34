// quillmar-cli repair --prefix, run as a user runs it, on a prefix whose
// registry files the test writes, with a real Wine server for the refusal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "tests/linux/temp_folder.h"

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
  bool Becomes(posix::WineServerState want) {
    for (int i = 0; i < 100; ++i) {
      if (posix::CheckWineServer(dir_).state == want) return true;
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
  ASSERT_TRUE(Becomes(posix::WineServerState::kStopped));
  ASSERT_EQ(RunCommand(WineServer("-p")).exit, 0);
  const bool running = Becomes(posix::WineServerState::kRunning);
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
  ASSERT_TRUE(Becomes(posix::WineServerState::kStopped));
  const CliRun repaired = Cli("repair --yes");
  EXPECT_EQ(repaired.exit, 0) << repaired.output;
  const std::string after = ReadAll(dir_ / "user.reg");
  EXPECT_EQ(after.find("\"Mine\""), std::string::npos) << after;
  EXPECT_NE(after.find("\"Kept\"=dword:00000001\n"), std::string::npos) << after;
}

// Ctrl+C (SIGINT) once the deletions are under way: the run stops after the
// value in hand, still writes what it deleted, names the rest, exits 1.
TEST_F(PrefixRepairTest, SigintDuringTheRepairStopsItAndTheReportIsTrue) {
  constexpr std::size_t kValues = 2000;
  std::string system = Join({kSystem.begin(), kSystem.begin() + 5}) + "[Software\\\\Left] 1\n";
  for (std::size_t i = 0; i < kValues; ++i) {
    system += "\"V" + std::to_string(i) + "\"=\"C:\\\\gone\\\\v" + std::to_string(i) + ".exe\"\n";
  }
  std::ofstream(dir_ / "system.reg", std::ios::binary) << system;
  std::ofstream(dir_ / "user.reg", std::ios::binary) << Join(kUser, {6});  // nothing found

  int err[2];
  ASSERT_EQ(::pipe(err), 0);
  const std::string out = (dir_ / "report.txt").string(), prefix = dir_.string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], 2);
    std::FILE* report = std::fopen(out.c_str(), "w");
    if (report != nullptr) ::dup2(::fileno(report), 1);
    ::close(err[0]);
    ::execl(QM_LINUX_CLI, QM_LINUX_CLI, "repair", "--yes", "--prefix", prefix.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(err[1]);
  // The backup's status line comes after the scan, before any deletion.
  std::string said;
  bool sent = false;
  char buf[4096];
  for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) {
    said.append(buf, static_cast<std::size_t>(n));
    if (!sent && said.find("正在创建备份") != std::string::npos) sent = ::kill(pid, SIGINT) == 0;
  }
  ::close(err[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(sent) << said;
  ASSERT_TRUE(WIFEXITED(status)) << said;
  EXPECT_EQ(WEXITSTATUS(status), 1) << said;

  const auto count = [](const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
      ++n;
    return n;
  };
  const std::size_t left = count(ReadAll(dir_ / "system.reg"), "\n\"V");
  EXPECT_GT(left, 0u);
  const std::string report = ReadAll(out);
  EXPECT_NE(report.find("Stopped by Ctrl+C: " + std::to_string(kValues - left) + " of " +
                        std::to_string(kValues) + " values repaired; these " +
                        std::to_string(left) + " were not reached and are untouched:\n"),
            std::string::npos)
      << report.substr(report.size() > 2000 ? report.size() - 2000 : 0);
  EXPECT_EQ(count(report, "\n未处理  HKEY_LOCAL_MACHINE\\Software\\Left\\V"), left);
  std::vector<fs::path> backups;
  for (const auto& e : fs::directory_iterator(dir_ / "drive_c/RegBackups"))
    backups.push_back(e.path());
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(count(ReadAll(backups[0]), "\"V"), kValues);
}

}  // namespace
}  // namespace qm
