// The scan window's search and rules, run from the console.
#pragma once

#include "cli/cli_args.h"
#include "cli/scan_report.h"
#include "scan/error_list.h"

namespace qm::cli {

struct ScanRun {
  ErrorList rows;  // every row checked
  ScanSummary summary;
  bool interrupted = false;  // Ctrl+C stopped the walk
};

// Searches as the scan window does, with progress on standard error unless
// args.quiet. A walk stopped by Ctrl+C stores ErrorCount and LastScanTime
// in the profile, as the window's Stop does.
[[nodiscard]] ScanRun RunScan(const CliArgs& args);

}  // namespace qm::cli
