#include "cli/win32/scan_run.h"

#include <windows.h>

#include <string>

#include "app/system_services.h"
#include "cli/win32/console.h"
#include "platform/win32/snapshot_registry.h"
#include "profile/profile_store.h"
#include "scan/reg_search.h"

namespace qm::cli {

namespace {

// What the window's Stop writes: the rows found so far, then the time.
void WriteStopFigures(app::SystemServices& system, std::size_t rows) {
  const std::string file = system.ProfileFile();
  if (!WriteIniValue(system.profile, file, kRecordsSection, kErrorCountKey, std::to_string(rows)) ||
      !WriteIniValue(system.profile, file, kRecordsSection, kLastScanTimeKey, system.NowText())) {
    Write(stderr, "quillmar-cli: the records could not be written to " + file + "\n");
  }
}

}  // namespace

void ReportDamagedLines(const std::string& path, const IgnoreList& list) {
  for (const DamagedLine& d : list.Damaged()) {
    Write(stderr, "quillmar-cli: " + path + " line " + std::to_string(d.line) +
                      " cannot be read and is kept as it is: " + TextCell(d.text) + "\n");
  }
}

bool ReportNothingSearched(const CliArgs& args, const ScanRun& run) {
  if (!run.ignore_failure.empty()) {
    Write(stderr, run.ignore_failure);
    return true;
  }
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
  const bool tty = IsConsole(STD_ERROR_HANDLE);
  RegKey phase_root = kNoKey;
  cRegSearch* running = nullptr;
  bool cancelled = false;
  // Snapshots are read on a worker thread, so that Ctrl+C ends a long one
  // as it ends the walk; the progress line names the phase meanwhile.
  snapshot.SetWait([&](RegKey root) {
    if (!args.quiet && root != phase_root) {
      phase_root = root;
      const std::string line = "reading the snapshot of " + std::string(RootKeyName(root));
      Write(stderr, tty ? "\r" + line + "\x1b[K" : line + "\n");
    }
    if (!Interrupted()) return true;
    if (running != nullptr && !cancelled) running->StopSearch();
    cancelled = true;
    return false;
  });
  if (args.walk == WalkChoice::kSnapshot) {
    ScanRun failed;
    failed.snapshot_failure = SnapshotFailure(args, snapshot);
    if (!failed.snapshot_failure.empty()) return failed;
  }
  IgnoreLoad ignore;
  if (!args.no_ignore) {
    const std::string path = system.IgnoreFile();
    ignore = LoadIgnoreList(system.files, path);
    if (ignore.status != IgnoreStatus::kOk) {
      ScanRun failed;
      failed.ignore_failure = "quillmar-cli: the ignore list " + path + " cannot be read (error " +
                              std::to_string(ignore.error) +
                              "); nothing was searched. --no-ignore lists everything.\n";
      return failed;
    }
    ReportDamagedLines(path, ignore.list);
  }
  const ScanProgress progress{tty, [](std::string_view text) { Write(stderr, text); }, Interrupted,
                              [&running](cRegSearch* search) { running = search; }};
  ScanRun run = SearchRegistry(registry, system.fs, system.environment, args, progress,
                               args.no_ignore ? nullptr : &ignore.list);
  // A walk stopped while a snapshot was read did not get to open its start
  // key: that is a stop, not a key that is not there.
  if (cancelled) {
    run.interrupted = true;
    run.start_failure = kRegOk;
  }
  if (run.interrupted) WriteStopFigures(system, run.rows.Count());
  return run;
}

}  // namespace qm::cli
