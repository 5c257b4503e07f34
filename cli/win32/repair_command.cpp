// quillmar-cli repair: the scan, then the scan window's repair over every
// row.
#include <optional>
#include <string>
#include <utility>

#include "app/system_services.h"
#include "cli/answer_line.h"
#include "cli/repair_console.h"
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

// Lists the rows and asks on the terminal; true on "y" or "yes".
bool Confirmed(const ScanRun& run) {
  Write(stderr, RepairQuestion(run));
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
  if (run.rows.CheckedCount() == 0) {  // none, or only system settings
    // Nothing to repair: no backup, no deletion, and the last repair's
    // count stays, as the window's Repair button stays disabled.
    Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, RepairReport{}));
    return 0;
  }
  app::SystemServices system;
  // Refused before the question: nobody should confirm a repair that the
  // run would then refuse.
  if (std::string refusal = IgnoreListRefusal(system.files, system.program_folder);
      !refusal.empty()) {
    RepairReport refused;
    refused.stopped = true;
    refused.refusal = std::move(refusal);
    Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, refused));
    return RepairExitStatus(refused);
  }
  if (!args.yes) {
    if (!StdinIsTerminal()) {
      Write(stderr, NobodyToConfirm(run.rows.CheckedCount()));
      return 2;
    }
    if (!Confirmed(run)) {
      Write(stderr, "Nothing was deleted.\n");
      return 0;
    }
  }

  BackupChoiceProfile profile(system.profile, BackupOverride(args.backup));
  ConsoleRepairView view(args.quiet, [](std::string_view text) { Write(stderr, text); });
  RepairServices services = system.Repair(profile, view, view);
  services.stop_requested = Interrupted;
  const RepairReport report = RunRepair(run.rows.Rows(), services);
  Write(stdout, FormatRepairReport(args.format, run.summary, run.rows, report));
  return RepairExitStatus(report);
}

}  // namespace qm::cli
