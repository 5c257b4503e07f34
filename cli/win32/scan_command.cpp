// quillmar-cli scan: the rows of the scan window's search.
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "cli/win32/scan_run.h"
#include "scan/reg_search.h"

namespace qm::cli {

int ScanCommand(const CliArgs& args) {
  const ScanRun run = RunScan(args);
  if (ReportNothingSearched(args, run)) return 3;
  Write(stdout, FormatReport(args.format, run.summary, run.rows));
  return run.summary.reason > kSearchStopped ? 3 : 0;
}

}  // namespace qm::cli
