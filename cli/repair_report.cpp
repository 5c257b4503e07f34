#include "cli/repair_report.h"

namespace qm::cli {

std::string_view StatusName(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::kRepaired:
      return "repaired";
    case RowOutcome::kFailed:
      return "failed";
    case RowOutcome::kNotReached:
      return "untouched";
    case RowOutcome::kSkipped:
    case RowOutcome::kUnchecked:
      break;
  }
  return "skipped";
}

namespace {

// The text the window's first column shows for the outcome.
std::string_view MarkText(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::kRepaired:
      return kRepairedText;
    case RowOutcome::kFailed:
      return kRepairFailedText;
    case RowOutcome::kNotReached:
      return kNotReachedText;
    case RowOutcome::kSkipped:
    case RowOutcome::kUnchecked:
      break;
  }
  return kSkippedText;
}

RowOutcome OutcomeAt(const RepairReport& report, std::size_t i) {
  return i < report.rows.size() ? report.rows[i] : RowOutcome::kUnchecked;
}

// A system setting the run left alone, as it does unless --include-system.
bool SystemLeftAlone(const RegErrorRow& row, RowOutcome outcome) {
  return row.system_setting && outcome == RowOutcome::kUnchecked;
}

std::size_t SystemLeftAlone(const ErrorList& list, const RepairReport& report) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < list.Count(); ++i)
    n += SystemLeftAlone(list.Rows()[i], OutcomeAt(report, i));
  return n;
}

std::string FormatJson(const ScanSummary& summary, const ErrorList& list,
                       const RepairReport& report) {
  std::string out = "{\"drive\": \"" + JsonEscape(summary.drive) +
                    "\", \"reason\": " + std::to_string(summary.reason) +
                    ", \"keys\": " + std::to_string(summary.keys) + ", \"backup\": ";
  if (!report.backup_asked) {
    out += "null";
  } else {
    out += "{\"ok\": " + std::string(report.backup.ok() ? "true" : "false") + ", \"path\": \"" +
           JsonEscape(report.backup.path) + "\"";
    if (!report.backup.ok()) {
      out += ", \"error\": " + std::to_string(report.backup.error) + ", \"message\": \"" +
             JsonEscape(BackupFailureMessage(report.backup)) + "\"";
    }
    out += "}";
  }
  out += ", \"repaired\": " + std::to_string(report.repaired) +
         ", \"failed\": " + std::to_string(report.failed) +
         ", \"skipped\": " + std::to_string(report.skipped) +
         ", \"system_skipped\": " + std::to_string(SystemLeftAlone(list, report)) +
         ", \"access_denied\": " + std::to_string(report.denied) + ", ";
  // Present only when they apply: a run stopped by Ctrl+C, or refused
  // because of the ignore list.
  if (report.interrupted) {
    out += "\"stopped\": true, \"untouched\": " + std::to_string(report.not_reached) + ", ";
  }
  if (!report.refusal.empty()) out += "\"refusal\": \"" + JsonEscape(report.refusal) + "\", ";
  out += "\"rows\": [";
  const auto& rows = list.Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out += i ? ", {" : "{";
    out += JsonRowFields(rows[i], summary.drive) + ", \"status\": \"" +
           std::string(StatusName(OutcomeAt(report, i))) + "\"}";
  }
  out += "]}\n";
  return out;
}

std::string FormatText(const ErrorList& list, const RepairReport& report) {
  if (!report.refusal.empty()) return report.refusal + "\n";
  std::string out;
  if (report.backup_asked) {
    if (!report.backup.ok())
      return BackupFailureMessage(report.backup) + "\n" + std::string(kBackupFailedStatus) + "\n";
    out += "Backup file:" + report.backup.path + "\n";
  } else {
    out += "No backup was made.\n";
  }
  const auto& rows = list.Rows();
  std::string skipped;
  std::size_t skipped_count = 0;
  std::string untouched;
  std::string system;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    const RowOutcome outcome = OutcomeAt(report, i);
    const std::string where = TextCell(r.root + "\\" + r.key);
    out += std::string(MarkText(outcome)) + "  " + where + "  " + TextCell(r.value) + "\n";
    if (outcome == RowOutcome::kNotReached) {
      untouched += "  " + where + "\n";
    } else if (SystemLeftAlone(r, outcome)) {
      system += "  " + where + "\n";
    } else if (outcome == RowOutcome::kSkipped || outcome == RowOutcome::kUnchecked) {
      ++skipped_count;
      skipped += "  " + where + "\n";
    }
  }
  out += RepairCountMessage(report.repaired, report.failed) + "\n";
  // The count names failures only; a skipped value was not deleted either.
  if (skipped_count > 0) {
    out += std::to_string(skipped_count) +
           " value(s) skipped and not deleted (changed since the scan, or not savable in the "
           "backup):\n" +
           skipped;
  }
  if (!system.empty()) {
    out += std::to_string(SystemLeftAlone(list, report)) +
           " system setting(s) left alone: Windows may need them to start or log on "
           "(--include-system deletes them too):\n" +
           system;
  }
  if (report.denied > 0) {
    out += std::to_string(report.denied) +
           " value(s) could not be deleted for want of rights (access denied): run "
           "quillmar-cli as administrator.\n";
  }
  if (report.interrupted) {
    out += "Stopped by Ctrl+C: " + std::to_string(report.repaired) + " of " +
           std::to_string(report.repaired + report.failed + report.not_reached) +
           " values repaired; these " + std::to_string(report.not_reached) +
           " were not reached and are untouched:\n" + untouched;
  }
  return out;
}

}  // namespace

std::string FormatRepairReport(ReportFormat format, const ScanSummary& summary,
                               const ErrorList& rows, const RepairReport& report) {
  return format == ReportFormat::kJson ? FormatJson(summary, rows, report)
                                       : FormatText(rows, report);
}

int RepairExitStatus(const RepairReport& report) {
  if (report.stopped || (report.backup_asked && !report.backup.ok())) return 3;
  // A row left unticked (a system setting without --include-system) was
  // not asked for.
  for (const RowOutcome outcome : report.rows) {
    if (outcome == RowOutcome::kFailed || outcome == RowOutcome::kSkipped ||
        outcome == RowOutcome::kNotReached) {
      return 1;
    }
  }
  return 0;
}

}  // namespace qm::cli
