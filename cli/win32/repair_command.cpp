// quillmar-cli repair: the scan, then the scan window's repair over every
// row.
#include <optional>

#include "app/system_services.h"
#include "cli/answer_line.h"
#include "cli/repair_report.h"
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "cli/win32/scan_run.h"
#include "platform/text.h"
#include "profile/profile_store.h"
#include "repair/repair_run.h"
#include "scan/reg_search.h"

namespace qm::cli {

namespace {

// The profile as the run sees it: BackupBeforeFix answers what the command
// line chose; every other read and every write reaches ro.ini.
class BackupChoiceProfile final : public PrivateProfile {
 public:
  BackupChoiceProfile(PrivateProfile& file, std::optional<bool> backup)
      : file_(file), backup_(backup) {}
  [[nodiscard]] ProfileRead GetString(std::string_view file, std::string_view section,
                                      std::string_view key, std::size_t buffer_chars) override {
    if (backup_ && text::EqualsNoCase(section, kSettingsSection) &&
        text::EqualsNoCase(key, kBackupBeforeFixKey)) {
      return {*backup_ ? "1" : "0", 1};
    }
    return file_.GetString(file, section, key, buffer_chars);
  }
  [[nodiscard]] bool WriteString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view value) override {
    return file_.WriteString(file, section, key, value);
  }

 private:
  PrivateProfile& file_;
  std::optional<bool> backup_;
};

// The status line goes to standard error; the marks and messages are in
// the report printed at the end.
class ConsoleRepairView final : public RepairView, public MessageService {
 public:
  explicit ConsoleRepairView(bool quiet) : quiet_(quiet) {}
  void SetStatusText(std::string_view text) override {
    if (!quiet_) Write(stderr, std::string(text) + "\n");
  }
  void SetRepairCount(std::string_view) override {}
  void MarkRow(std::size_t, std::string_view, RowColour) override {}
  void ColourRow(std::size_t, RowColour) override {}
  void Show(std::string_view, int) override {}

 private:
  bool quiet_;
};

std::optional<bool> BackupOverride(BackupChoice choice) {
  if (choice == BackupChoice::kOn) return true;
  if (choice == BackupChoice::kOff) return false;
  return std::nullopt;
}

// Lists the rows and asks on the terminal; true on "y" or "yes".
bool Confirmed(const ScanRun& run) {
  Write(stderr, FormatReport(ReportFormat::kText, run.summary, run.rows) + "Delete these " +
                    std::to_string(run.rows.Count()) + " registry values? [y/N] ");
  const std::optional<std::string> answer = ReadLine();
  return answer && IsYes(*answer);
}

}  // namespace

int RepairCommand(const CliArgs& args) {
  ScanRun run = RunScan(args);
  if (ReportNothingSearched(args, run)) return 3;
  if (run.summary.reason > kSearchStopped) {
    Write(stdout, FormatReport(args.format, run.summary, run.rows));
    Write(stderr, "quillmar-cli: the scan failed; nothing was repaired.\n");
    return 3;
  }
  if (run.interrupted) {
    Write(stdout, FormatReport(args.format, run.summary, run.rows));
    Write(stderr, "quillmar-cli: the scan was stopped; nothing was repaired.\n");
    return 1;
  }
  if (run.rows.Count() == 0) {
    // Nothing to repair: no backup, no deletion, and the last repair's
    // count stays, as the window's Repair button stays disabled.
    Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, RepairReport{}));
    return 0;
  }
  if (!args.yes) {
    if (!StdinIsTerminal()) {
      Write(stderr,
            "quillmar-cli: standard input is not a terminal, so nobody can confirm "
            "deleting " +
                std::to_string(run.rows.Count()) +
                " registry values; nothing was deleted. Give --yes to repair "
                "without asking.\n");
      return 2;
    }
    if (!Confirmed(run)) {
      Write(stderr, "Nothing was deleted.\n");
      return 0;
    }
  }

  app::SystemServices system;
  BackupChoiceProfile profile(system.profile, BackupOverride(args.backup));
  ConsoleRepairView view(args.quiet);
  RepairServices services = system.Repair(profile, view, view);
  const RepairReport report = RunRepair(run.rows.Rows(), services);
  Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, report));
  return RepairExitStatus(report);
}

}  // namespace qm::cli
