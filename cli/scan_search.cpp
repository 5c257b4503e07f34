#include "cli/scan_search.h"

#include <algorithm>
#include <chrono>

#include "scan/reg_search.h"
#include "scan/rules.h"
#include "scan/system_settings.h"

namespace qm::cli {

namespace {

// Judges the finds as the scan window does and reports progress.
class CliScan final : public SearchListener {
 public:
  CliScan(RegistryReader& registry, FileSystem& fs, const Environment& environment,
          const IgnoreList* ignored, CategorySet categories, bool quiet,
          const ScanProgress& progress)
      : registry_(registry),
        rule_(
            fs,
            [ignored](std::string_view root, std::string_view key, std::string_view name) {
              return ignored != nullptr && ignored->Covers(root, key, name);
            },
            &environment),
        quiet_(quiet || !progress.write),
        progress_(progress) {
    rule_.SetCategories(categories);
  }

  int SearchFound(std::string_view root, std::string_view key, std::string_view value,
                  std::int32_t found, std::string_view name) override {
    if (auto row = rule_.Judge(root, key, value, found, name,
                               search_ != nullptr ? search_->FoundData() : StoredData{})) {
      row->type = search_ != nullptr ? search_->FoundType() : kRegNone;
      row->system_setting = IsSystemSettingRow(registry_, *row);
      rows_.Append(std::move(*row));
    }
    return 0;
  }
  int SearchKeyChanged(std::string_view full) override {
    ++keys_;
    const auto now = std::chrono::steady_clock::now();
    // A terminal gets one line rewritten ten times a second; a log file
    // gets a line a second.
    const auto pace =
        progress_.tty ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
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
      progress_.write(progress_.tty ? "\r" + line + "\x1b[K" : line + "\n");
    }
    return 0;
  }
  void SearchFinished(std::int32_t reason) override {
    reason_ = reason;
    if (!quiet_ && progress_.tty) progress_.write("\r\x1b[K");
  }

  RegistryReader& registry_;
  InvalidReferenceRule rule_;
  const cRegSearch* search_ = nullptr;  // the walk reporting to this
  ErrorList rows_;
  long long keys_ = 0;
  int reason_ = 0;

 private:
  bool quiet_;
  const ScanProgress& progress_;
  std::chrono::steady_clock::time_point last_{};
};

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

ScanRun SearchRegistry(RegistryReader& registry, FileSystem& fs, const Environment& environment,
                       const CliArgs& args, const ScanProgress& progress,
                       const IgnoreList* ignored) {
  CliScan scan(registry, fs, environment, ignored, args.categories, args.quiet, progress);
  cRegSearch* running = nullptr;
  bool stopped_here = false;
  cRegSearch search(registry, scan, [&running, &stopped_here, &progress] {
    if (progress.interrupted && progress.interrupted() && running != nullptr && !stopped_here) {
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
  if (progress.walking) progress.walking(&search);
  search.DoSearch();
  if (progress.walking) progress.walking(nullptr);

  ScanRun run;
  run.interrupted = stopped_here;
  // No start key opened, though one was tried: what --root and --key name
  // is not there to search (a walk stopped before it began tried none).
  if (search.StartKeysOpened() == 0 && search.StartKeyFailure() != kRegOk) {
    run.nothing_searched = Failure{static_cast<std::uint32_t>(search.StartKeyFailure()),
                                   StartKeyFailureMessage(args, search.StartKeyFailure())};
  }
  // The system's own settings are deleted only when asked for by name.
  scan.rows_.CheckAll();
  if (args.include_system) {
    for (RegErrorRow& row : scan.rows_.Rows()) row.checked = true;
  }
  run.rows = std::move(scan.rows_);
  // The walk reports each key it reaches below a start key; the start
  // keys are searched too.
  run.summary = {scan.rule_.Drive(), scan.reason_, scan.keys_ + search.StartKeysOpened()};
  return run;
}

}  // namespace qm::cli
