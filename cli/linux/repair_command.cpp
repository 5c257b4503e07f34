// quillmar-cli repair --offline and --prefix: the scan, a backup on the
// source's drive C:, the deletions in the loaded tree, and then each
// changed registry file written whole and put in place of the original.
#include <set>

#include "cli/answer_line.h"
#include "cli/linux/backup_disk.h"
#include "cli/linux/commands.h"
#include "cli/linux/console.h"
#include "cli/linux/source.h"
#include "cli/repair_console.h"
#include "cli/repair_report.h"
#include "cli/scan_search.h"
#include "repair/code_page.h"
#include "repair/row_value.h"
#include "scan/reg_search.h"

namespace qm::cli {

namespace {

// Offline there is no ro.ini: BackupBeforeFix is on unless --no-backup,
// and the repair's count is not recorded.
class NoProfile final : public PrivateProfile {
 public:
  [[nodiscard]] ProfileRead GetString(std::string_view, std::string_view section,
                                      std::string_view key, std::size_t) override {
    if (text::EqualsNoCase(section, kSettingsSection) &&
        text::EqualsNoCase(key, kBackupBeforeFixKey)) {
      return {"1", 1};
    }
    return {};
  }
  [[nodiscard]] bool WriteString(std::string_view, std::string_view, std::string_view,
                                 std::string_view) override {
    return true;
  }
};

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

bool Confirmed(const ScanRun& run) {
  Write(stderr, RepairQuestion(run));
  const std::optional<std::string> answer = ReadAnswerLine(stdin);
  return answer && IsYes(*answer);
}

}  // namespace

int RepairCommand(const CliArgs& args) {
  SourceOpened opened = OpenSource(args);
  if (!opened.source) {
    Write(stderr, opened.error);
    return 3;
  }
  RegistrySource& source = *opened.source;
  // A prefix's running Wine server refuses before the scan: what it would
  // find in the files is not what the prefix's programs see.
  if (const std::string refused = source.WriteRefusal({}); !refused.empty()) {
    Write(stderr, refused);
    return 3;
  }
  const ScanProgress progress{
      IsTerminal(stderr), [](std::string_view text) { Write(stderr, text); }, Interrupted, {}};
  ScanRun run = SearchRegistry(opened.source->Reader(), opened.source->Files(),
                               opened.source->environment, args, progress);
  if (run.start_failure != kRegOk) {
    Write(stderr, StartKeyFailureMessage(args, run.start_failure));
    return 3;
  }
  if (run.summary.reason > kSearchStopped || run.interrupted) {
    Write(stdout, FormatReport(args.format, run.summary, run.rows));
    Write(stderr, run.interrupted ? "quillmar-cli: the scan was stopped; nothing was repaired.\n"
                                  : "quillmar-cli: the scan failed; nothing was repaired.\n");
    return run.interrupted ? 1 : 3;
  }
  if (run.rows.CheckedCount() == 0) {  // none, or only system settings
    Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, RepairReport{}));
    return 0;
  }
  // Before anything is written, the backup included.
  const std::set<std::string> files = FilesOfRows(source, run.rows);
  if (const std::string refused = source.WriteRefusal(files); !refused.empty()) {
    Write(stderr, refused);
    return 3;
  }
  if (!args.yes) {
    if (!IsTerminal(stdin)) {
      Write(stderr, NobodyToConfirm(run.rows.CheckedCount()));
      return 2;
    }
    if (!Confirmed(run)) {
      Write(stderr, "Nothing was deleted.\n");
      return 0;
    }
  }

  NoProfile none;
  BackupChoiceProfile profile(none, BackupOverride(args.backup));
  ConsoleRepairView view(args.quiet, [](std::string_view text) { Write(stderr, text); });
  LinuxBackupDisk disk(opened.source->Files());
  Windows1252CodePage code_page;
  LinuxBackupClock clock;
  // The backup lies in C:\RegBackups of the installation or the prefix,
  // where the system's registry editor can import it.
  RepairServices services{source.Editor(), profile, view, view,
                          BackupPlace{"C:", disk, code_page, clock}};
  // Deletions are made in the loaded tree; Ctrl+C stops them between two
  // values, and what was deleted by then is still written to the files
  // below, so the report stays true and the backup covers every row.
  services.stop_requested = Interrupted;
  RepairReport report = RunRepair(run.rows.Rows(), services);
  if (!report.stopped) {
    // The tree has the deletions; each changed file now gets them. A file
    // that cannot be written leaves its rows not repaired. A Wine server
    // started while the user confirmed would write over them: checked
    // again at the last moment.
    std::set<std::string> failed;
    const std::string refused = source.WriteRefusal(files);
    if (!refused.empty()) {
      Write(stderr, refused);
      failed = files;
    } else {
      for (const auto& [file, error] : source.WriteChanges()) {
        Write(stderr, "quillmar-cli: " + error + "; the file is as it was.\n");
        failed.insert(file);
      }
    }
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
      if (report.rows[i] != RowOutcome::kRepaired) continue;
      const RegErrorRow& row = run.rows.Rows()[i];
      for (const std::string& file : source.FilesOf(RootKeyFromName(row.root), row.key_path)) {
        if (failed.count(file) != 0) report.rows[i] = RowOutcome::kFailed;
      }
    }
    report.repaired = report.failed = report.skipped = 0;
    for (RowOutcome o : report.rows) {
      report.repaired += o == RowOutcome::kRepaired;
      report.failed += o == RowOutcome::kFailed;
      report.skipped += o == RowOutcome::kSkipped;
    }
  }
  Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, report));
  return RepairExitStatus(report);
}

}  // namespace qm::cli
