// quillmar-cli scan and repair: the scan window's search and rules, then
// its repair over every row, on any source.
#include <set>

#include "cli/answer_line.h"
#include "cli/commands.h"
#include "cli/repair_console.h"
#include "cli/repair_report.h"
#include "repair/row_value.h"
#include "scan/reg_search.h"

namespace qm::cli {

void ReportDamagedLines(Console& console, const std::string& path, const IgnoreList& list) {
  for (const DamagedLine& d : list.Damaged()) {
    console.Write(stderr, "quillmar-cli: " + path + " line " + std::to_string(d.line) +
                              " cannot be read and is kept as it is: " + TextCell(d.text) + "\n");
  }
}

namespace {

// True when the run searched nothing (no snapshot, no ignore list, no
// start key): then the reason has been written and the command exits 3.
bool ReportNothingSearched(const ScanRun& run, Console& console) {
  if (!run.nothing_searched) return false;
  console.Write(stderr, run.nothing_searched->detail);
  return true;
}

// Searches as the scan window does, with progress on standard error unless
// args.quiet, leaving out what the ignore lists hold unless --no-ignore.
ScanRun RunScan(const CliArgs& args, RegistrySource& source, Console& console) {
  ScanProgress progress{console.IsTerminal(stderr),
                        [&console](std::string_view text) { console.Write(stderr, text); },
                        [&console] { return console.Interrupted(); },
                        {}};
  ScanRun failed;
  if (std::string snapshot = source.BeforeScan(args, progress); !snapshot.empty()) {
    failed.nothing_searched = Failure{kErrGenFailure, std::move(snapshot)};
    return failed;
  }
  IgnoreList ignore;
  if (!args.no_ignore) {
    for (const std::string& path : IgnoreFilesOf(args, source)) {
      const Result<IgnoreList> load = LoadIgnoreList(source.IgnoreStore(), path);
      if (!load.ok()) {
        failed.nothing_searched =
            Failure{load.code(), "quillmar-cli: the ignore list " + path +
                                     " cannot be read (error " + std::to_string(load.code()) +
                                     "); nothing was searched. --no-ignore lists everything.\n"};
        return failed;
      }
      ReportDamagedLines(console, path, load.value());
      ignore.Merge(load.value());
    }
  }
  // Said before the scan and again in the JSON: the rows may miss or
  // hold what a hive's logs change.
  std::vector<std::string> warnings = source.ReadWarnings();
  for (const std::string& w : warnings)
    console.Write(stderr, "quillmar-cli: warning: " + w + ".\n");
  ScanRun run = SearchRegistry(source.Reader(), source.Files(), source.Env(), args, progress,
                               args.no_ignore ? nullptr : &ignore);
  run.summary.warnings = std::move(warnings);
  if (source.StoppedBeforeWalk()) {
    run.interrupted = true;
    run.nothing_searched.reset();
  }
  // The records describe the last scan, however it ended; a scan that
  // failed or never started leaves the one before.
  const bool ended =
      run.interrupted || (!run.nothing_searched && run.summary.reason == kSearchCompleted);
  if (ended) {
    if (const std::string failure = source.RecordScan(run.rows); !failure.empty()) {
      console.Write(stderr, failure);
    }
  }
  return run;
}

// The registry files the ticked rows live in, each once.
std::set<std::string> FilesOfRows(const RegistrySource& source, const ErrorList& rows) {
  std::set<std::string> files;
  for (const RegErrorRow& row : rows.Rows()) {
    if (!row.checked) continue;  // a system setting left alone changes no file
    for (std::string& file : source.FilesOf(RootKeyFromName(row.root), row.key_path)) {
      files.insert(std::move(file));
    }
  }
  return files;
}

// The deletions made in the source's editor put into its files (live, they
// are in the registry already): a file that cannot be written leaves its
// rows not repaired. A Wine server started while the user confirmed would
// write over them: asked again at the last moment.
void WriteDeletions(RegistrySource& source, const std::set<std::string>& files,
                    const ErrorList& rows, RepairReport& report, Console& console) {
  std::set<std::string> failed;
  if (const std::string refused = source.WriteRefusal(files); !refused.empty()) {
    console.Write(stderr, refused);
    failed = files;
  } else {
    for (const auto& [file, error] : source.WriteChanges()) {
      console.Write(stderr, "quillmar-cli: " + error + "; the file is as it was.\n");
      failed.insert(file);
    }
  }
  if (failed.empty()) return;
  for (std::size_t i = 0; i < report.rows.size(); ++i) {
    if (report.rows[i] != RowOutcome::kRepaired) continue;
    const RegErrorRow& row = rows.Rows()[i];
    for (const std::string& file : source.FilesOf(RootKeyFromName(row.root), row.key_path)) {
      if (failed.count(file) != 0) report.rows[i] = RowOutcome::kFailed;
    }
  }
  CountOutcomes(report);
}

}  // namespace

int ScanCommand(const CliArgs& args, RegistrySource& source, Console& console) {
  const ScanRun run = RunScan(args, source, console);
  if (ReportNothingSearched(run, console)) return 3;
  console.Write(stdout, FormatReport(args.format, run.summary, run.rows));
  if (run.summary.reason > kSearchStopped) return 3;
  // A system setting alone is no finding: a repair leaves it.
  return args.found_exit != 0 && run.rows.CheckedCount() > 0 ? args.found_exit : 0;
}

int RepairCommand(const CliArgs& args, RegistrySource& source, Console& console) {
  // A prefix's running Wine server refuses before the scan: what it would
  // find in the files is not what the prefix's programs see.
  if (const std::string refused = source.WriteRefusal({}); !refused.empty()) {
    console.Write(stderr, refused);
    return 3;
  }
  const ScanRun run = RunScan(args, source, console);
  if (ReportNothingSearched(run, console)) return 3;
  if (run.summary.reason > kSearchStopped || run.interrupted) {
    console.Write(stdout, FormatReport(args.format, run.summary, run.rows));
    console.Write(stderr, run.interrupted
                              ? "quillmar-cli: the scan was stopped; nothing was repaired.\n"
                              : "quillmar-cli: the scan failed; nothing was repaired.\n");
    return run.interrupted ? 1 : 3;
  }
  if (run.rows.CheckedCount() == 0) {  // none, or only system settings
    // Nothing to repair: no backup, no deletion, and the last repair's
    // count stays, as the window's Repair button stays disabled.
    console.Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, RepairReport{}));
    return 0;
  }
  // Refused before the question, the backup included: nobody should
  // confirm a repair that would then be refused.
  const std::set<std::string> files = FilesOfRows(source, run.rows);
  if (const std::string refused = source.WriteRefusal(files); !refused.empty()) {
    console.Write(stderr, refused);
    return 3;
  }
  const std::vector<std::string> ignore_files = IgnoreFilesOf(args, source);
  if (std::string refusal = IgnoreListRefusal(source.IgnoreStore(), ignore_files);
      !refusal.empty()) {
    RepairReport refused;
    refused.stopped = true;
    refused.refusal = std::move(refusal);
    console.Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, refused));
    return RepairExitStatus(refused);
  }
  if (!args.yes) {
    if (!console.IsTerminal(stdin)) {
      console.Write(stderr, NobodyToConfirm(run.rows.CheckedCount()));
      return 2;
    }
    console.Write(stderr, RepairQuestion(run));
    const std::optional<std::string> answer = console.ReadLine();
    if (!answer || !IsYes(*answer)) {
      console.Write(stderr, "Nothing was deleted.\n");
      return 0;
    }
  }

  BackupChoiceProfile profile(source.Profile(), BackupOverride(args.backup));
  ConsoleRepairView view(args.quiet,
                         [&console](std::string_view text) { console.Write(stderr, text); });
  RepairServices services{source.Editor(),       profile,     view, view, source.BackupWriter(),
                          &source.IgnoreStore(), ignore_files};
  // Ctrl+C stops the deletions between two values; what was deleted by
  // then is still written, so the report stays true and the backup covers
  // every row.
  services.stop_requested = [&console] { return console.Interrupted(); };
  RepairReport report = RunRepair(run.rows.Rows(), services);
  if (!report.stopped) WriteDeletions(source, files, run.rows, report, console);
  console.Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, report));
  return RepairExitStatus(report);
}

}  // namespace qm::cli
