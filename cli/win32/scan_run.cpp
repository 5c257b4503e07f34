#include "cli/win32/scan_run.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "app/system_services.h"
#include "cli/win32/console.h"
#include "platform/win32/snapshot_registry.h"
#include "profile/profile_store.h"
#include "scan/reg_search.h"
#include "scan/rules.h"

namespace qm::cli {

namespace {

// Judges the finds as the scan window does and reports progress.
class CliScan final : public SearchListener {
 public:
  CliScan(FileSystem& fs, bool quiet)
      : rule_(fs), quiet_(quiet), tty_(IsConsole(STD_ERROR_HANDLE)) {}

  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    if (auto row = rule_.Judge(root, key, value, found, name)) {
      row->type = search_ != nullptr ? search_->FoundType() : kRegNone;
      rows_.Append(std::move(*row));
    }
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
      // Cut at a character's start, and shown as a text cell is, so the
      // line stays one line of valid UTF-8.
      std::size_t cut = std::min<std::size_t>(line.size(), 100);
      while (cut > 0 && cut < line.size() && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
      line = TextCell(std::string_view(line).substr(0, cut));
      Write(stderr, tty_ ? "\r" + line + "\x1b[K" : line + "\n");
    }
    return 0;
  }
  // The progress line while a root's snapshot is read, before its walk.
  void ShowSnapshotPhase(RegKey root) {
    if (quiet_ || root == phase_root_) return;
    phase_root_ = root;
    const std::string line = "reading the snapshot of " + std::string(RootKeyName(root));
    Write(stderr, tty_ ? "\r" + line + "\x1b[K" : line + "\n");
  }
  void SearchFinished(std::int32_t reason) override {
    reason_ = reason;
    if (!quiet_ && tty_) Write(stderr, "\r\x1b[K");
  }

  InvalidReferenceRule rule_;
  const cRegSearch* search_ = nullptr;  // the walk reporting to this
  ErrorList rows_;
  long long keys_ = 0;
  int reason_ = 0;

 private:
  bool quiet_;
  bool tty_;
  RegKey phase_root_ = kNoKey;
  std::chrono::steady_clock::time_point last_{};
};

// What the window's Stop writes: the rows found so far, then the time.
void WriteStopFigures(app::SystemServices& system, std::size_t rows) {
  const std::string file = system.ProfileFile();
  if (!WriteIniValue(system.profile, file, kRecordsSection, kErrorCountKey, std::to_string(rows)) ||
      !WriteIniValue(system.profile, file, kRecordsSection, kLastScanTimeKey, system.NowText())) {
    Write(stderr, "quillmar-cli: the records could not be written to " + file + "\n");
  }
}

}  // namespace

std::string StartKeyFailureMessage(const CliArgs& args, RegStatus status) {
  std::string where;
  if (args.root != 0) {
    where = std::string(RootKeyName(static_cast<RegKey>(static_cast<std::uint32_t>(args.root))));
    if (!args.key.empty()) where += "\\" + args.key;
  } else {
    where = args.key.empty() ? std::string("any root") : args.key + " (below any root)";
  }
  const std::string why = status == kRegFileNotFound
                              ? "does not exist"
                              : "cannot be opened (error " + std::to_string(status) + ")";
  return "quillmar-cli: the key " + where + " " + why + "; nothing was searched.\n";
}

bool ReportNothingSearched(const CliArgs& args, const ScanRun& run) {
  if (!run.snapshot_failure.empty()) {
    Write(stderr, run.snapshot_failure);
    return true;
  }
  if (run.start_failure != kRegOk) {
    Write(stderr, StartKeyFailureMessage(args, run.start_failure));
    return true;
  }
  return false;
}

namespace {

// With --walk snapshot every root to be walked is saved and read first, so
// that a root without a snapshot fails the scan before anything is found.
std::string SnapshotFailure(const CliArgs& args, win32::SnapshotRegistry& registry) {
  for (const RegRoot& r : kRegRoots) {
    if (args.root != 0 && CanonicalRoot(static_cast<std::uint32_t>(args.root)) != r.handle) {
      continue;
    }
    if (registry.Prepare(r.handle) != win32::SnapshotRegistry::Source::kNone) continue;
    return "quillmar-cli: no snapshot of " + std::string(r.name) + " could be taken (" +
           registry.SnapshotDetail(r.handle) + "); nothing was searched.\n";
  }
  return {};
}

}  // namespace

ScanRun RunScan(const CliArgs& args) {
  app::SystemServices system;
  win32::SnapshotRegistry snapshot(args.walk == WalkChoice::kSnapshot
                                       ? win32::SnapshotPolicy::kSnapshotOnly
                                       : win32::SnapshotPolicy::kFallBackToLive);
  RegistryReader& registry =
      args.walk == WalkChoice::kLive ? static_cast<RegistryReader&>(system.registry) : snapshot;
  CliScan scan(system.fs, args.quiet);
  cRegSearch* running = nullptr;
  bool stopped_here = false;
  // Snapshots are read on a worker thread, so that Ctrl+C ends a long one
  // as it ends the walk.
  snapshot.SetWait([&](RegKey root) {
    scan.ShowSnapshotPhase(root);
    if (!Interrupted()) return true;
    if (running != nullptr && !stopped_here) {
      stopped_here = true;
      running->StopSearch();
    }
    return false;
  });
  if (args.walk == WalkChoice::kSnapshot) {
    ScanRun failed;
    failed.snapshot_failure = SnapshotFailure(args, snapshot);
    if (!failed.snapshot_failure.empty()) return failed;
  }
  cRegSearch search(registry, scan, [&running, &stopped_here] {
    if (Interrupted() && running != nullptr && !stopped_here) {
      stopped_here = true;
      running->StopSearch();
    }
  });
  running = &search;
  scan.search_ = &search;
  search.RootKey(args.root);
  search.SubKey(args.key);
  search.SearchFlags(kSearchValueNames | kSearchValueData);
  search.SearchString(scan.rule_.Drive());
  search.DoSearch();

  ScanRun run;
  run.interrupted = stopped_here;
  // No start key opened, though one was tried: what --root and --key name
  // is not there to search (a walk stopped before it began tried none, and
  // one stopped while its first snapshot was read did not get to open it).
  run.start_failure =
      !stopped_here && search.StartKeysOpened() == 0 ? search.StartKeyFailure() : kRegOk;
  if (run.interrupted) WriteStopFigures(system, scan.rows_.Count());
  scan.rows_.CheckAll();
  run.rows = std::move(scan.rows_);
  // The walk reports each key it reaches below a start key; the start
  // keys are searched too.
  run.summary = {scan.rule_.Drive(), scan.reason_, scan.keys_ + search.StartKeysOpened()};
  return run;
}

}  // namespace qm::cli
