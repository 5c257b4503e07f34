// quillmar-cli scan on Linux: the rows of the scan window's search over a
// prefix's or an installation's registry.
#include "cli/linux/commands.h"
#include "cli/linux/console.h"
#include "cli/linux/source.h"
#include "cli/scan_search.h"
#include "scan/reg_search.h"

namespace qm::cli {

int ScanCommand(const CliArgs& args) {
  SourceOpened opened = OpenSource(args);
  if (!opened.source) {
    Write(stderr, opened.error);
    return 3;
  }
  // Said before the scan and again in the JSON: the rows may miss or
  // hold what the hive's logs change.
  std::vector<std::string> warnings;
  if (const posix::OfflineWindows* offline = opened.source->Offline()) {
    for (const std::string& hive : offline->DirtyHives()) {
      warnings.push_back("the hive " + hive +
                         " was not closed cleanly (its two sequence numbers differ): the changes "
                         "held in its log files (.LOG1, .LOG2) are not seen");
      Write(stderr, "quillmar-cli: warning: " + warnings.back() + ".\n");
    }
  }
  const ScanProgress progress{
      IsTerminal(stderr), [](std::string_view text) { Write(stderr, text); }, Interrupted, {}};
  ScanRun run = SearchRegistry(opened.source->Reader(), opened.source->Files(),
                               opened.source->environment, args, progress);
  run.summary.warnings = std::move(warnings);
  if (run.start_failure != qm::kRegOk) {
    Write(stderr, StartKeyFailureMessage(args, run.start_failure));
    return 3;
  }
  Write(stdout, FormatReport(args.format, run.summary, run.rows));
  return run.summary.reason > qm::kSearchStopped ? 3 : 0;
}

}  // namespace qm::cli
