// quillmar-cli: the scan, repair, backups, ignore list and records without
// a window, for administrators and scripts, over whichever registry the
// command line names.
#include "cli/commands.h"
#include "platform/text.h"
#include "profile/profile_store.h"
#include "profile/records_figures.h"
#include "scan/categories.h"

namespace qm::cli {

namespace {

constexpr const char* kUsage =
    "Usage: quillmar-cli scan [SOURCE] [--format text|json|csv] [--root NAME] [--key PATH]\n"
    "                         [--quiet] [--walk auto|snapshot|live]\n"
    "                         [--no-ignore] [--ignore-file PATH]\n"
    "                         [--category NAME[,NAME]] [--found-exit N]\n"
    "       quillmar-cli repair [--backup|--no-backup] [--yes] [--format text|json]\n"
    "                           [SOURCE] [--root NAME] [--key PATH] [--quiet]\n"
    "                           [--walk auto|snapshot|live] [--no-ignore]\n"
    "                           [--ignore-file PATH] [--include-system]\n"
    "                           [--category NAME[,NAME]]\n"
    "       quillmar-cli backups [list | restore ID|NAME | verify ID|NAME |\n"
    "                             delete ID|NAME] [SOURCE]\n"
    "       quillmar-cli ignore [list | add ROOT\\KEY [--value NAME] | remove N]\n"
    "                           [SOURCE] [--ignore-file PATH]\n"
    "       quillmar-cli records\n"
    "       quillmar-cli --help | --version\n"
    "\n"
    "SOURCE   whose registry: none, the running Windows system's (quillmar-cli.exe);\n"
    "         --prefix DIR  a Wine prefix: its system.reg, userdef.reg and user.reg,\n"
    "                       with C: as DIR/drive_c and the other drives as\n"
    "                       DIR/dosdevices gives them (Linux build);\n"
    "         --offline DIR the root of a Windows installation that is not\n"
    "                       running (a mounted disk): the hives in\n"
    "                       Windows/System32/config and each profile's\n"
    "                       NTUSER.DAT and UsrClass.dat, with C: as DIR (Linux build);\n"
    "         --user NAME   with --offline, the profile shown as HKEY_CURRENT_USER\n"
    "                       (default: the one there is).\n"
    "         Names on a prefix's or an installation's drives match without\n"
    "         regard to case, as under Windows.\n"
    "scan     searches the registry for values that name a program file on the\n"
    "         system drive which does not exist, and lists them.\n"
    "         --root NAME  one root, e.g. HKEY_CURRENT_USER (default: all seven)\n"
    "         --key PATH   the key to start from below the root(s)\n"
    "         --quiet      no progress on standard error\n"
    "         --category   only these categories (the main window's boxes, by\n"
    "                      caption or English name: com, shared, startup,\n"
    "                      devices, app-paths, file-types, sounds, history,\n"
    "                      empty-keys, services, extensions, fonts, shortcuts,\n"
    "                      uninstall); values of no category are listed too\n"
    "         --found-exit N  exit N (1, or 4 to 125) when a value a repair would\n"
    "                      delete is listed, 0 when none is\n"
    "         --walk       (running system only) auto (default) reads each root\n"
    "                      from a snapshot saved in one call where that works,\n"
    "                      else live; snapshot only so (exit 3 when one cannot\n"
    "                      be taken); live reads the registry call by call.\n"
    "repair   scans, then deletes every value found, after a backup in RegBackups\n"
    "         (beside the program; C:\\RegBackups of a prefix or an installation).\n"
    "         --backup or --no-backup overrides the BackupBeforeFix setting of\n"
    "         ro.ini (a prefix or an installation has none: a backup unless\n"
    "         --no-backup). Without --yes it lists the values and asks first;\n"
    "         when standard input is not a terminal (a pipe, a file, NUL) it\n"
    "         deletes nothing and exits 2.\n"
    "         System settings (the paging files, the logon shell, boot-time\n"
    "         programs, LSA packages, AppInit_DLLs, boot and system services)\n"
    "         are listed but left alone: Windows may need them to start or log\n"
    "         on. --include-system deletes them too. Deleting the machine's\n"
    "         values needs an elevated console (Run as administrator).\n"
    "         A prefix or an installation: each changed registry file or hive is\n"
    "         written whole beside the original and renamed over it, the\n"
    "         original kept as NAME.quillmar-orig the first time. A prefix whose\n"
    "         Wine server runs, or a hive not closed cleanly (Windows hibernated\n"
    "         or shut down with fast start-up), is never written: exit 3,\n"
    "         nothing changed.\n"
    "backups  lists the backup files in RegBackups, numbered by the time in their\n"
    "         names, oldest first, or deletes one. restore writes each value of a\n"
    "         backup back with its exact type and bytes, creating keys that are\n"
    "         gone, then reads each back and prints it (a prefix's or an\n"
    "         installation's files are read again); verify checks the file's\n"
    "         check line (its last line: the count of values and a SHA-256) and\n"
    "         compares each value with the registry (same, differs, missing).\n"
    "         A file that does not read whole, or whose check line does not\n"
    "         match, is refused: nothing is written. A file without one cannot\n"
    "         be verified, and is restored with a warning.\n"
    "ignore   the values and keys never listed nor deleted: ignore.txt beside\n"
    "         ro.ini (the Windows program also honours C:\\RegBackups\\ignore.txt\n"
    "         of its system drive); ignore.txt in C:\\RegBackups of a prefix or an\n"
    "         installation; --ignore-file PATH names another. list numbers the\n"
    "         entries; add puts on a key (with all below it), or with --value one\n"
    "         value of it (\"\" is the default value); remove takes entry N off.\n"
    "         scan and repair leave them out; --no-ignore lists them too, but a\n"
    "         repair still never deletes them.\n"
    "records  the last scan's time, error count and rows per category, and the\n"
    "         last repair's count, from ro.ini (running system only); every scan\n"
    "         of the running system that ends, or is stopped, writes them.\n"
    "Ctrl+C stops a running scan, records it as the Stop button does, and prints\n"
    "what was found so far; a repair then deletes nothing. During a repair's\n"
    "deletions it stops after the value in hand: the report names the values\n"
    "not reached (the backup holds them all), exit 1.\n"
    "JSON and CSV rows also carry key_path, value_name, type, system_setting and\n"
    "category.\n"
    "Exit status: 0 success (scan --found-exit N: N when a value was found), 1\n"
    "some value was not repaired (failed, skipped or\n"
    "not reached; system settings left alone do not count),\n"
    "or a backup's value is not back exactly (differs or missing), or a backup\n"
    "could not be deleted; 2 usage error, a command or option the source does\n"
    "not serve, or no terminal to confirm a repair; 3 the registry could not be\n"
    "read, the scan failed, the ignore list could not be read or written (or,\n"
    "for a repair, holds a line that cannot be read: nothing is deleted), the\n"
    "start key does not exist or cannot be opened, no snapshot could be taken\n"
    "(--walk snapshot), a registry file or hive may not be written now, the\n"
    "backup could not be written, or the backup file to restore or verify\n"
    "could not be read whole or is damaged.\n";

class ConsoleRecords final : public RecordsView {
 public:
  void ShowFigure(RecordFigure figure, const std::string& text) override {
    switch (figure) {
      case RecordFigure::kLastScanTime:
        out_ += "上次扫描时间：" + text + "\n";
        break;
      case RecordFigure::kErrorCount:
        out_ += "错误个数：" + text + "\n";
        break;
      case RecordFigure::kFixedCount:
        out_ += "已修复错误：" + text + "\n";
        break;
    }
  }
  [[nodiscard]] bool YieldToEvents() override { return true; }
  [[nodiscard]] const std::string& Text() const { return out_; }

 private:
  std::string out_;
};

int RecordsCommand(RegistrySource& source, Console& console) {
  const std::string file = source.RecordsFile();
  if (file.empty()) {
    return UsageError(console,
                      "'records' reads ro.ini beside quillmar-cli.exe; this source has "
                      "none");
  }
  ConsoleRecords view;
  RefreshRecords(source.Profile(), file, view);
  console.Write(stdout,
                view.Text() + "各类错误：" + CategoryCountsText([&](const std::string& key) {
                  return ReadIniValue(source.Profile(), file, kRecordsSection, key);
                }) + "\n");
  return 0;
}

// What the source given cannot serve, as a usage error's message; empty
// when it can. Asked before the source is opened: nothing half-done.
std::string Unserved(const CliArgs& args) {
  if (args.source == Source::kLive) return {};
  if (args.command == Command::kRecords) {
    return "'records' reads ro.ini beside quillmar-cli.exe; a prefix or an installation has none";
  }
  if (args.walk_given) return "'--walk' reads the running system's registry only";
  return {};
}

}  // namespace

void WriteShown(FILE* f, std::string_view utf8) {
  const std::string shown = text::DisplayUtf8(utf8);
  std::fwrite(shown.data(), 1, shown.size(), f);
  std::fflush(f);
}

int UsageError(Console& console, std::string_view message) {
  console.Write(stderr, "quillmar-cli: " + std::string(message) + "\nTry 'quillmar-cli --help'.\n");
  return 2;
}

std::unique_ptr<RegistrySource> OpenOrSay(const CliArgs& args, Console& console,
                                          const SourceOpener& open, int& exit) {
  SourceOpened opened = open(args);
  if (opened.ok()) return std::move(opened.value());
  if (opened.code() == kErrNotSupported) {
    exit = UsageError(console, opened.detail());
  } else {
    exit = 3;
    console.Write(stderr, opened.detail());
  }
  return nullptr;
}

std::vector<std::string> IgnoreFilesOf(const CliArgs& args, RegistrySource& source) {
  if (!args.ignore_file.empty()) return {args.ignore_file};
  return source.IgnoreFiles();
}

int RunCli(std::span<const std::string> words, Console& console, const SourceOpener& open) {
  const ParseResult parsed = ParseArgs(words);
  if (!parsed.ok()) return UsageError(console, parsed.detail());
  const CliArgs& args = parsed.value();
  if (args.command == Command::kHelp) {
    console.Write(stdout, kUsage);
    return 0;
  }
  if (args.command == Command::kVersion) {
    console.Write(stdout, "quillmar-cli " QM_VERSION "\n");
    return 0;
  }
  if (const std::string why = Unserved(args); !why.empty()) return UsageError(console, why);
  console.CatchInterrupts();
  int exit = 3;
  const std::unique_ptr<RegistrySource> source = OpenOrSay(args, console, open, exit);
  if (!source) return exit;
  switch (args.command) {
    case Command::kScan:
      return ScanCommand(args, *source, console);
    case Command::kRepair:
      return RepairCommand(args, *source, console);
    case Command::kBackups:
      return BackupsCommand(args, *source, console);
    case Command::kIgnore:
      return IgnoreCommand(args, *source, console);
    default:
      return RecordsCommand(*source, console);
  }
}

}  // namespace qm::cli
