// The scan window's search and rules, run from the console.
#pragma once

#include "cli/cli_args.h"
#include "cli/scan_search.h"
#include "profile/ignore_list.h"

namespace qm::cli {

// Warns on standard error of each line of the ignore list that cannot be
// read (it stays in the file as it is).
void ReportDamagedLines(const std::string& path, const IgnoreList& list);

// True when the run searched nothing (no snapshot, or no start key): then
// the reason has been written to standard error and the command exits 3.
[[nodiscard]] bool ReportNothingSearched(const CliArgs& args, const ScanRun& run);

// Searches as the scan window does, with progress on standard error unless
// args.quiet. A walk stopped by Ctrl+C stores ErrorCount and LastScanTime
// in the profile, as the window's Stop does.
[[nodiscard]] ScanRun RunScan(const CliArgs& args);

}  // namespace qm::cli
