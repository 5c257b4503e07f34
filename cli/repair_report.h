// How the command-line front end prints what a repair did to each row.
#pragma once

#include <string>
#include <string_view>

#include "cli/scan_report.h"
#include "repair/repair_run.h"

namespace qm::cli {

// "repaired", "failed" or "skipped"; a row the run left alone counts as
// skipped.
[[nodiscard]] std::string_view StatusName(RowOutcome outcome);

// The backup line, each row's outcome, the count the window shows, the
// rows that were skipped, the system settings left alone and, once, the
// want of rights when deletions were refused for it. A run stopped by a
// failed backup prints the window's failure message.
[[nodiscard]] std::string FormatRepairReport(ReportFormat format, const ScanSummary& summary,
                                             const ErrorList& rows, const RepairReport& report);

// The exit status of a run: 3 when the backup could not be written, 1 when
// some row was not repaired (failed or skipped), else 0. A row the run did
// not tick (a system setting left alone) is no failure.
[[nodiscard]] int RepairExitStatus(const RepairReport& report);

}  // namespace qm::cli
