// quillmar-cli: the scan, repair, backups and records without a window,
// for administrators and scripts.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/win32/commands.h"
#include "cli/win32/console.h"
#include "platform/win32/wide.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmar-cli scan [--format text|json|csv] [--root NAME] [--key PATH] [--quiet]\n"
    "                         [--walk auto|snapshot|live] [--no-ignore]\n"
    "       quillmar-cli repair [--backup|--no-backup] [--yes] [--format text|json]\n"
    "                           [--root NAME] [--key PATH] [--quiet]\n"
    "                           [--walk auto|snapshot|live] [--no-ignore]\n"
    "                           [--include-system]\n"
    "       quillmar-cli backups [list | restore ID|NAME | verify ID|NAME |\n"
    "                             delete ID|NAME]\n"
    "       quillmar-cli records\n"
    "       quillmar-cli ignore [list | add ROOT\\KEY [--value NAME] | remove N]\n"
    "       quillmar-cli --help | --version\n"
    "\n"
    "scan     searches the registry for values that name a program file on the\n"
    "         system drive which does not exist, and lists them.\n"
    "         --root NAME  one root, e.g. HKEY_CURRENT_USER (default: all seven)\n"
    "         --key PATH   the key to start from below the root(s)\n"
    "         --quiet      no progress on standard error\n"
    "         --walk       auto (default) reads each root from a snapshot saved\n"
    "                      in one call where that works, else live; snapshot\n"
    "                      only so (exit 3 when one cannot be taken); live\n"
    "                      reads the registry call by call.\n"
    "repair   scans, then deletes every value found. --backup or --no-backup\n"
    "         overrides the BackupBeforeFix setting of ro.ini. Without --yes it\n"
    "         lists the values and asks first; when standard input is not a\n"
    "         console (a pipe, a file, NUL) it deletes nothing and exits 2.\n"
    "         System settings (the paging files, the logon shell, boot-time\n"
    "         programs, LSA packages, AppInit_DLLs, boot and system services)\n"
    "         are listed but left alone: Windows may need them to start or log\n"
    "         on. --include-system deletes them too. Deleting the machine's\n"
    "         values needs an elevated console (Run as administrator).\n"
    "backups  lists the backup files in RegBackups beside the program, numbered\n"
    "         by the time in their names, oldest first, or deletes one. restore\n"
    "         writes each value of a backup back with its exact type and bytes,\n"
    "         creating keys that are gone, reads each back and prints it; verify\n"
    "         checks the file's check line (its last line: the count of values\n"
    "         and a SHA-256) and compares each value with the registry (same,\n"
    "         differs, missing). A file that does not read whole, or whose check\n"
    "         line does not match, is refused: nothing is written. A file\n"
    "         without one cannot be verified, and is restored with a warning.\n"
    "records  the last stopped scan's time and error count, and the last\n"
    "         repair's count.\n"
    "ignore   the values and keys never listed nor deleted, in ignore.txt beside\n"
    "         ro.ini: list numbers them; add puts on a key (with all below it),\n"
    "         or with --value one value of it (\"\" is the default value);\n"
    "         remove takes entry N off. scan and repair leave them out;\n"
    "         --no-ignore lists them too, but a repair still never deletes them.\n"
    "Ctrl+C stops a running scan, records it as the Stop button does, and prints\n"
    "what was found so far; a repair then deletes nothing. During a repair's\n"
    "deletions it stops after the value in hand: the report names the values\n"
    "not reached (the backup holds them all), exit 1.\n"
    "JSON and CSV rows also carry key_path, value_name, type and system_setting.\n"
    "Exit status: 0 success, 1 some value was not repaired (failed, skipped or\n"
    "not reached; system settings left alone do not count),\n"
    "or a backup's value is not back exactly (differs or missing), or a backup\n"
    "could not be deleted; 2 usage error or no console to confirm a repair;\n"
    "3 the scan failed, the ignore list could not be read or written (or, for a\n"
    "repair, holds a line that cannot be read: nothing is deleted), the start\n"
    "key does not exist or cannot be opened, no snapshot could be taken (--walk\n"
    "snapshot), the backup could not be written, or the backup file to restore\n"
    "or verify could not be read whole or is damaged.\n";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace qm::cli;
  // Output is UTF-8 bytes: set the console to show them as such, and keep
  // the C runtime from translating line ends in pipes and files.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);

  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.push_back(qm::win32::Narrow(argv[i]));
  const ParseResult parsed = ParseArgs(words);
  if (!parsed.args) return UsageError(parsed.error);
  const CliArgs& args = *parsed.args;
  if (args.source != Source::kLive) {
    return UsageError("'--prefix' and '--offline' are read by quillmar-cli on Linux");
  }
  CatchInterrupts();
  switch (args.command) {
    case Command::kHelp:
      Write(stdout, kUsage);
      return 0;
    case Command::kVersion:
      Write(stdout, "quillmar-cli " QM_VERSION "\n");
      return 0;
    case Command::kScan:
      return ScanCommand(args);
    case Command::kRepair:
      return RepairCommand(args);
    case Command::kBackups:
      return BackupsCommand(args);
    case Command::kRecords:
      return RecordsCommand();
    case Command::kIgnore:
      return IgnoreCommand(args);
  }
  return 2;
}
