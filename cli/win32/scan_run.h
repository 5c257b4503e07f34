// The scan window's search and rules, run from the console.
#pragma once

#include "cli/cli_args.h"
#include "cli/scan_report.h"
#include "platform/registry.h"
#include "profile/ignore_list.h"
#include "scan/error_list.h"

namespace qm::cli {

struct ScanRun {
  ErrorList rows;  // every row checked
  ScanSummary summary;
  bool interrupted = false;  // Ctrl+C stopped the walk
  // kRegOk, or why the start key (--root and --key) could not be opened
  // under any root: then nothing was searched.
  RegStatus start_failure = kRegOk;
  // With --walk snapshot: the message for a root whose snapshot could not
  // be taken or read. Then nothing was searched.
  std::string snapshot_failure;
  // The message for an ignore list that could not be read. Then nothing
  // was searched: rows the user excluded would be listed and ticked.
  std::string ignore_failure;
};

// Warns on standard error of each line of the ignore list that cannot be
// read (it stays in the file as it is).
void ReportDamagedLines(const std::string& path, const IgnoreList& list);

// The message for a start key that could not be opened.
[[nodiscard]] std::string StartKeyFailureMessage(const CliArgs& args, RegStatus status);

// True when the run searched nothing (no snapshot, or no start key): then
// the reason has been written to standard error and the command exits 3.
[[nodiscard]] bool ReportNothingSearched(const CliArgs& args, const ScanRun& run);

// Searches as the scan window does, with progress on standard error unless
// args.quiet. A walk stopped by Ctrl+C stores ErrorCount and LastScanTime
// in the profile, as the window's Stop does.
[[nodiscard]] ScanRun RunScan(const CliArgs& args);

}  // namespace qm::cli
