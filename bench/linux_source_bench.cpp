// Prints how fast the Linux quillmar-cli reads and scans a large registry
// from disk, next to the same search over the same tree held in memory:
// a Wine prefix's text files (--prefix) and an installation's hives
// (--offline), each of at least 200,000 keys.
//   linux_source_bench [keys] [work-folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/linux/linux_file_system.h"
#include "platform/linux/offline_windows.h"
#include "platform/linux/wine_prefix.h"
#include "platform/memory_registry.h"
#include "scan/reg_search.h"
#include "scan/rules.h"
#include "testing/linux/hive_fixture.h"
#include "testing/memory_file_system.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class Rows final : public SearchListener {
 public:
  explicit Rows(FileSystem& files) : rule_(files) {}
  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    if (rule_.Judge(root, key, value, found, name)) ++rows;
    return 0;
  }
  int SearchKeyChanged(std::string_view) override {
    ++keys;
    return 0;
  }
  void SearchFinished(std::int32_t) override {}
  InvalidReferenceRule rule_;
  long long rows = 0, keys = 0;
};

struct Figures {
  double seconds = 0;
  long long keys = 0, rows = 0;
};

Figures Search(RegistryReader& reg, FileSystem& files, RegKey root, const Clock::time_point start) {
  Rows rows(files);
  cRegSearch search(reg, rows);
  search.RootKey(static_cast<std::int32_t>(root));
  search.SearchFlags(kSearchValueNames | kSearchValueData);
  search.SearchString(rows.rule_.Drive());
  search.DoSearch();
  return {std::chrono::duration<double>(Clock::now() - start).count(), rows.keys, rows.rows};
}

// Key i of the fixture: groups of 100 keys (hivex rewrites a key's whole
// subkey list for each key added to it), each naming a program of its own,
// one in four of them installed.
std::string KeyPath(long long i) {
  return "Bench\\Group" + std::to_string(i / 100) + "\\App" + std::to_string(i);
}
std::string ProgramPath(long long i) {
  return "C:\\Program Files\\Group" + std::to_string(i / 100) + "\\App" + std::to_string(i) +
         "\\app.exe";
}

void Report(const char* what, const Figures& disk, const Figures& memory) {
  std::printf(
      "%s: %lld keys, %lld rows\n  from disk  %8.3f s  %12.0f keys/s\n"
      "  in memory  %8.3f s  %12.0f keys/s\n  ratio      %8.2f (target: within 2)\n",
      what, disk.keys, disk.rows, disk.seconds, disk.keys / disk.seconds, memory.seconds,
      memory.keys / memory.seconds, disk.seconds / memory.seconds);
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

// SOFTWARE with the fixture's keys, and the SYSTEM and DEFAULT hives an
// installation must have.
bool WriteHives(const fs::path& config, long long keys) {
  using testing::MakeHive;
  if (!MakeHive(config / "SYSTEM",
                {{"Select", {testing::DwordValue("Current", 1)}}, {"ControlSet001", {}}}) ||
      !MakeHive(config / "DEFAULT", {})) {
    return false;
  }
  std::vector<testing::HiveKey> fixture;
  fixture.reserve(static_cast<std::size_t>(keys));
  for (long long i = 0; i < keys; ++i) {
    fixture.push_back({KeyPath(i), {testing::StringValue("Path", ProgramPath(i))}});
  }
  return MakeHive(config / "SOFTWARE", fixture);
}

int Main(long long keys, const fs::path& work) {
  fs::remove_all(work);
  const fs::path prefix = work / "prefix";
  fs::create_directories(prefix / "drive_c");
  MemoryRegistry memory;
  MemoryFileSystem memory_files("C:\\windows\\system32");
  {
    std::ofstream sys(prefix / "system.reg", std::ios::binary);
    sys << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
    for (long long i = 0; i < keys; ++i) {
      sys << "[Software\\\\" << Escaped(KeyPath(i)) << "] 0\n\"Path\"=\"" << Escaped(ProgramPath(i))
          << "\"\n\n";
      memory.SetString(kHkeyLocalMachine, "Software\\" + KeyPath(i), "Path", ProgramPath(i));
      if (i % 4 != 0) continue;
      const fs::path file = prefix / "drive_c/Program Files" / ("Group" + std::to_string(i / 100)) /
                            ("App" + std::to_string(i));
      fs::create_directories(file);
      std::ofstream(file / "app.exe").put('x');
      memory_files.AddFile(ProgramPath(i));
    }
  }
  std::ofstream(prefix / "user.reg") << "WINE REGISTRY Version 2\n;; All keys relative to "
                                        "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n";
  std::ofstream(prefix / "userdef.reg")
      << "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n";

  const Figures in_memory = Search(memory, memory_files, kHkeyLocalMachine, Clock::now());
  {
    const auto start = Clock::now();
    posix::WinePrefixRegistry registry;
    if (const Status loaded = registry.Load(prefix); !loaded.ok()) {
      std::fprintf(stderr, "%s\n", loaded.detail().c_str());
      return 1;
    }
    std::printf("prefix read in %.3f s\n",
                std::chrono::duration<double>(Clock::now() - start).count());
    posix::LinuxFileSystem files(posix::WinePrefixDrives(prefix), "C:\\windows\\system32");
    Report("--prefix (text files read, then searched)",
           Search(registry.Reader(), files, kHkeyLocalMachine, start), in_memory);
  }

  // The same tree as an installation's SOFTWARE hive, written with hivex.
  const fs::path root = work / "offline";
  fs::create_directories(root / "Windows/System32/config");
  fs::rename(prefix / "drive_c/Program Files", root / "Program Files");
  std::printf("writing the hives...\n");
  if (!WriteHives(root / "Windows/System32/config", keys)) {
    std::fprintf(stderr, "the hives could not be written\n");
    return 1;
  }
  {
    const auto start = Clock::now();
    posix::LinuxFileSystem files({{'C', root}}, "C:\\Windows\\System32");
    posix::OfflineWindows offline;
    if (const Status loaded = offline.Load(files, ""); !loaded.ok()) {
      std::fprintf(stderr, "%s\n", loaded.detail().c_str());
      return 1;
    }
    std::printf("hives read in %.3f s\n",
                std::chrono::duration<double>(Clock::now() - start).count());
    Report("--offline (hives read, then searched)",
           Search(offline.Reader(), files, kHkeyLocalMachine, start), in_memory);
  }
  fs::remove_all(work);
  return 0;
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const long long keys = argc > 1 ? std::atoll(argv[1]) : 200000;
  const std::string work = argc > 2 ? argv[2] : "build/bench-linux-fixture";
  return qm::Main(keys, work);
}
