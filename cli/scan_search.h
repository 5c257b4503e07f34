// The scan window's search and rules over any registry and file system,
// shared by the Windows program and the Linux one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_args.h"
#include "cli/scan_report.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "profile/ignore_list.h"
#include "scan/error_list.h"

namespace qm {
class cRegSearch;
}

namespace qm::cli {

struct ScanRun {
  // Every row checked but the system's own settings, unless
  // args.include_system.
  ErrorList rows;
  ScanSummary summary;
  bool interrupted = false;  // Ctrl+C stopped the walk
  // Why nothing was searched, its detail the message for standard error:
  // an ignore list that could not be read (rows the user excluded would be
  // listed and ticked), with --walk snapshot a root whose snapshot could
  // not be taken or read, or the start key (--root and --key) that could
  // not be opened under any root (its code the registry's status).
  std::optional<Failure> nothing_searched;
};

// The message for a start key that could not be opened.
[[nodiscard]] std::string StartKeyFailureMessage(const CliArgs& args, RegStatus status);

// Where the walk's progress goes. `tty` picks the pace and the rewritten
// line of a terminal over a line a second for a log; `write` gets each
// piece of text for standard error. No progress at all with args.quiet.
struct ScanProgress {
  bool tty = false;
  std::function<void(std::string_view)> write;
  // Asked at every key: true stops the walk, as Ctrl+C does.
  std::function<bool()> interrupted;
  // Told of the walk before it starts and with null once it has ended, for
  // a stop that comes from elsewhere (a snapshot's reading cancelled).
  std::function<void(cRegSearch*)> walking;
};

// Searches `registry` for values naming a missing program file on `fs`'s
// system drive, from the roots and key that args give, as the scan window
// does, expanding the texts' variables with `environment`, leaving out what
// `ignored` covers (none when null). The rows come back checked (the
// system's own settings only with args.include_system), in the order found.
[[nodiscard]] ScanRun SearchRegistry(RegistryReader& registry, FileSystem& fs,
                                     const Environment& environment, const CliArgs& args,
                                     const ScanProgress& progress,
                                     const IgnoreList* ignored = nullptr);

}  // namespace qm::cli
