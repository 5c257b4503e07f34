// quillmar-cli: the scan without a window, for administrators and scripts.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/scan_report.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "scan/reg_search.h"
#include "scan/rules.h"

namespace {

using namespace qm;

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleCtrl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    g_interrupted = true;
    return TRUE;
  }
  return FALSE;
}

void Write(FILE* f, const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), f);
  std::fflush(f);
}

constexpr const char* kUsage =
    "Usage: quillmar-cli scan [--format text|json|csv] [--root NAME] [--key PATH] [--quiet]\n"
    "       quillmar-cli --help | --version\n"
    "\n"
    "scan   searches the registry for values that name a program file on the\n"
    "       system drive which does not exist, and lists them.\n"
    "       --root NAME  one root, e.g. HKEY_CURRENT_USER (default: all seven)\n"
    "       --key PATH   the key to start from below the root(s)\n"
    "       --quiet      no progress on standard error\n"
    "Ctrl+C stops a running scan and prints what was found so far.\n"
    "Exit status: 0 success, 2 usage error, 3 the scan failed.\n";

int UsageError(const std::string& message) {
  Write(stderr, "quillmar-cli: " + message + "\nTry 'quillmar-cli --help'.\n");
  return 2;
}

// Judges the finds as the scan window does and reports progress.
class CliScan final : public SearchListener {
 public:
  CliScan(FileSystem& fs, bool quiet)
      : rule_(fs), quiet_(quiet), tty_(_isatty(_fileno(stderr)) != 0) {}

  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    if (auto row = rule_.Judge(root, key, value, found, name)) rows_.Append(std::move(*row));
    return 0;
  }
  int SearchKeyChanged(std::string_view full) override {
    ++keys_;
    const auto now = std::chrono::steady_clock::now();
    // A terminal gets one line rewritten ten times a second; a log file
    // gets a line a second.
    const auto pace = tty_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    if (!quiet_ && now - last_ >= pace) {
      last_ = now;
      std::string line = std::to_string(keys_) + " keys, " + std::to_string(rows_.Count()) +
                         " rows  " + std::string(full);
      if (line.size() > 100) line.resize(100);
      Write(stderr, tty_ ? "\r" + line + "\x1b[K" : line + "\n");
    }
    return 0;
  }
  void SearchFinished(std::int32_t reason) override {
    reason_ = reason;
    if (!quiet_ && tty_) Write(stderr, "\r\x1b[K");
  }

  InvalidReferenceRule rule_;
  ErrorList rows_;
  long long keys_ = 0;
  int reason_ = 0;

 private:
  bool quiet_;
  bool tty_;
  std::chrono::steady_clock::time_point last_{};
};

int Scan(const std::vector<std::string>& args) {
  cli::ReportFormat format = cli::ReportFormat::kText;
  bool quiet = false;
  std::int32_t root = 0;
  std::string key;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_next = i + 1 < args.size();
    if (a == "--quiet") {
      quiet = true;
    } else if (a == "--format" && has_next) {
      const std::string& f = args[++i];
      if (f == "text")
        format = cli::ReportFormat::kText;
      else if (f == "json")
        format = cli::ReportFormat::kJson;
      else if (f == "csv")
        format = cli::ReportFormat::kCsv;
      else
        return UsageError("unknown format '" + f + "' (text, json or csv)");
    } else if (a == "--root" && has_next) {
      const std::string& name = args[++i];
      root = 0;
      for (const auto& r : kRegRoots) {
        if (text::EqualsNoCase(name, r.name)) root = static_cast<std::int32_t>(r.handle);
      }
      if (root == 0) return UsageError("unknown root '" + name + "'");
    } else if (a == "--key" && has_next) {
      key = args[++i];
    } else {
      return UsageError("unexpected argument '" + a + "'");
    }
  }

  win32::Win32Registry registry;
  win32::Win32FileSystem fs;
  CliScan scan(fs, quiet);
  cRegSearch* running = nullptr;
  cRegSearch search(registry, scan, [&running] {
    if (g_interrupted && running) running->StopSearch();
  });
  running = &search;
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
  search.RootKey(root);
  search.SubKey(key);
  search.SearchFlags(kSearchValueNames | kSearchValueData);
  search.SearchString(scan.rule_.Drive());
  search.DoSearch();
  SetConsoleCtrlHandler(OnConsoleCtrl, FALSE);

  scan.rows_.CheckAll();
  const cli::ScanSummary summary{scan.rule_.Drive(), scan.reason_, scan.keys_};
  Write(stdout, cli::FormatReport(format, summary, scan.rows_));
  return scan.reason_ > kSearchStopped ? 3 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Output is UTF-8 bytes: set the console to show them as such, and keep
  // the C runtime from translating line ends in pipes and files.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(win32::Narrow(argv[i]));
  if (args.empty()) return UsageError("no command given");
  if (args[0] == "--help" || args[0] == "-h") {
    Write(stdout, kUsage);
    return 0;
  }
  if (args[0] == "--version") {
    Write(stdout, "quillmar-cli " QM_VERSION "\n");
    return 0;
  }
  if (args[0] == "scan") return Scan(args);
  return UsageError("unknown command '" + args[0] + "'");
}
