// quillmar-cli on Linux: the scan and repair of a Wine prefix's registry or
// of a Windows installation that is not running, with the same search and
// rules as the Windows program.
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/linux/console.h"
#include "cli/linux/source.h"
#include "cli/scan_search.h"
#include "scan/reg_search.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmar-cli scan (--prefix DIR | --offline DIR [--user NAME])\n"
    "                         [--format text|json|csv] [--root NAME] [--key PATH]\n"
    "                         [--quiet]\n"
    "       quillmar-cli --help | --version\n"
    "\n"
    "scan     searches the registry for values that name a program file on the\n"
    "         system drive which does not exist, and lists them.\n"
    "         --prefix DIR  a Wine prefix: its system.reg, userdef.reg and user.reg,\n"
    "                       with C: as DIR/drive_c and the other drives as\n"
    "                       DIR/dosdevices gives them. Names on the drives match\n"
    "                       without regard to case, as under Windows.\n"
    "         --offline DIR the root of a Windows installation that is not\n"
    "                       running (a mounted disk): the hives in\n"
    "                       Windows/System32/config and each profile's\n"
    "                       NTUSER.DAT and UsrClass.dat, with C: as DIR.\n"
    "         --user NAME   the profile shown as HKEY_CURRENT_USER (default: the\n"
    "                       one there is)\n"
    "         --root NAME   one root, e.g. HKEY_CURRENT_USER (default: all seven)\n"
    "         --key PATH    the key to start from below the root(s)\n"
    "         --quiet       no progress on standard error\n"
    "JSON and CSV rows also carry key_path, value_name and type.\n"
    "Exit status: 0 success; 2 usage error; 3 the registry could not be read, the\n"
    "scan failed, or the start key does not exist or cannot be opened.\n";

int ScanCommand(const qm::cli::CliArgs& args) {
  using namespace qm::cli;
  SourceOpened opened = OpenSource(args);
  if (!opened.source) {
    Write(stderr, opened.error);
    return 3;
  }
  const ScanProgress progress{IsTerminal(stderr),
                              [](std::string_view text) { Write(stderr, text); }, Interrupted};
  const ScanRun run =
      SearchRegistry(opened.source->Reader(), opened.source->Files(), args, progress);
  if (run.start_failure != qm::kRegOk) {
    Write(stderr, StartKeyFailureMessage(args, run.start_failure));
    return 3;
  }
  Write(stdout, FormatReport(args.format, run.summary, run.rows));
  return run.summary.reason > qm::kSearchStopped ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qm::cli;
  const std::vector<std::string> words(argv + 1, argv + argc);
  const ParseResult parsed = ParseArgs(words);
  if (!parsed.args) return UsageError(parsed.error);
  const CliArgs& args = *parsed.args;
  switch (args.command) {
    case Command::kHelp:
      Write(stdout, kUsage);
      return 0;
    case Command::kVersion:
      Write(stdout, "quillmar-cli " QM_VERSION "\n");
      return 0;
    case Command::kScan:
      if (args.source == Source::kLive)
        return UsageError("'scan' needs '--prefix DIR' or '--offline DIR'");
      if (args.walk != WalkChoice::kLive) {
        return UsageError("'--walk' reads the running system's registry, which Linux has not");
      }
      CatchInterrupts();
      return ScanCommand(args);
    default:
      return UsageError("only 'scan' runs on Linux yet");
  }
}
