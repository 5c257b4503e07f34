// quillmar-cli on Linux: the scan and repair of a Wine prefix's registry or
// of a Windows installation that is not running, with the same search and
// rules as the Windows program.
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/linux/commands.h"
#include "cli/linux/console.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmar-cli scan (--prefix DIR | --offline DIR [--user NAME])\n"
    "                         [--format text|json|csv] [--root NAME] [--key PATH]\n"
    "                         [--quiet]\n"
    "       quillmar-cli repair (--prefix DIR | --offline DIR [--user NAME])\n"
    "                           [--backup|--no-backup]\n"
    "                           [--yes] [--format text|json] [--root NAME]\n"
    "                           [--key PATH] [--quiet] [--include-system]\n"
    "       quillmar-cli backups [list | restore ID|NAME | verify ID|NAME] --offline DIR\n"
    "                            [--user NAME]\n"
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
    "repair   scans, then deletes every value found: first a backup in\n"
    "         C:\\RegBackups (DIR/RegBackups of an installation, DIR/drive_c/\n"
    "         RegBackups of a prefix; --no-backup for none), then each changed\n"
    "         hive or registry file is written whole beside the original\n"
    "         and renamed over it, the original kept as NAME.quillmar-orig the\n"
    "         first time. A hive not closed cleanly (Windows hibernated or shut\n"
    "         down with fast start-up) is never written: exit 3, nothing changed.\n"
    "         A prefix is repaired only while its Wine server is not running\n"
    "         (else exit 3, nothing changed); only the deleted values' lines leave\n"
    "         its registry files, the rest stays as it was.\n"
    "         Without --yes it asks first on a terminal, else exits 2.\n"
    "         Ctrl+C during the deletions stops after the value in hand: what\n"
    "         was deleted is still written, the rest is named untouched (exit 1).\n"
    "         System settings (the paging files, the logon shell, boot-time\n"
    "         programs, LSA packages, AppInit_DLLs, boot and system services)\n"
    "         are listed but left alone: Windows may need them to start or log\n"
    "         on. --include-system deletes them too.\n"
    "backups  lists the backups in DIR/RegBackups, numbered by the time in their\n"
    "         names, oldest first; restores one into the hives: each value with\n"
    "         its exact type and bytes, keys that are gone made again, each\n"
    "         changed hive replaced as a repair replaces it; or verifies one\n"
    "         against the hives. A backup whose check line (its last line: the\n"
    "         count of values and a SHA-256) does not match is refused (exit 3,\n"
    "         nothing written); one without is restored with a warning.\n"
    "JSON and CSV rows also carry key_path, value_name, type and system_setting.\n"
    "Exit status: 0 success; 1 some value was not repaired (system settings left\n"
    "alone do not count); 2 usage error or no\n"
    "terminal to confirm a repair; 3 the registry could not be read, the scan\n"
    "failed, the start key does not exist or cannot be opened, a hive may not be\n"
    "written, the prefix's Wine server runs, or the backup could not be written.\n";

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
      if (args.walk_given) {
        return UsageError("'--walk' reads the running system's registry, which Linux has not");
      }
      CatchInterrupts();
      return ScanCommand(args);
    case Command::kRepair:
      if (args.source == Source::kLive) {
        return UsageError("'repair' needs '--prefix DIR' or '--offline DIR'");
      }
      CatchInterrupts();
      return RepairCommand(args);
    case Command::kBackups:
      if (args.source != Source::kOffline) {
        return UsageError("'backups' needs '--offline DIR'");
      }
      return BackupsOfflineCommand(args);
    default:
      return UsageError("only 'scan', 'repair' and 'backups' run on Linux");
  }
}
