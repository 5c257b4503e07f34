// The command line of quillmar-cli, parsed into what each command needs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/scan_report.h"
#include "platform/failure.h"
#include "profile/ignore_list.h"
#include "repair/backup_list.h"
#include "scan/categories.h"

namespace qm::cli {

enum class Command { kHelp, kVersion, kScan, kRepair, kBackups, kRecords, kIgnore };
enum class BackupChoice { kProfile, kOn, kOff };
enum class BackupsAction { kList, kRestore, kVerify, kDelete };
enum class IgnoreAction { kList, kAdd, kRemove };
// How the scan reads the registry: from a snapshot of each root where one
// can be taken and read (auto), only so (snapshot), or call by call (live).
enum class WalkChoice { kAuto, kSnapshot, kLive };
// Whose registry: the running system's, a Wine prefix's text files
// (--prefix DIR) or the hives of a Windows installation not running
// (--offline DIR), the last two read by the Linux build.
enum class Source { kLive, kPrefix, kOffline };

struct CliArgs {
  Command command = Command::kHelp;
  // scan and repair
  ReportFormat format = ReportFormat::kText;
  std::int32_t root = 0;  // a root handle, 0 for all seven
  std::string key;        // the start key below the root(s)
  bool quiet = false;
  // A snapshot walk meets what the live walk meets, at memory speed.
  WalkChoice walk = WalkChoice::kAuto;
  bool walk_given = false;  // --walk was named, not left to its default
  Source source = Source::kLive;
  std::string source_dir;  // the prefix or the installation's root
  std::string user;        // --user: the profile shown as HKEY_CURRENT_USER
  // --category: the categories listed (and "其他" with them); all unless given.
  CategorySet categories = CategorySet::All();
  // scan --found-exit N: the exit status when the scan lists a value a
  // repair would delete, so that a detection script needs no parsing; 0
  // when not given.
  int found_exit = 0;
  // List what the ignore list holds too (a repair still never deletes it).
  bool no_ignore = false;
  // --ignore-file PATH: the one ignore list read and edited, in place of
  // the source's own.
  std::string ignore_file;
  // repair
  BackupChoice backup = BackupChoice::kProfile;
  bool yes = false;
  // --include-system: delete the system's own settings too
  // (scan/system_settings.h), which a repair otherwise leaves alone.
  bool include_system = false;
  // backups
  BackupsAction action = BackupsAction::kList;
  std::string target;  // the ID or file name restore, verify and delete act on
  // ignore
  IgnoreAction ignore_action = IgnoreAction::kList;
  IgnoreEntry ignore_entry;       // what add puts on the list
  std::size_t ignore_number = 0;  // the 1-based entry remove takes off
};

// The arguments understood, or a usage error whose detail names the bad
// argument.
using ParseResult = Result<CliArgs>;

// The arguments after the program's name.
[[nodiscard]] ParseResult ParseArgs(std::span<const std::string> argv);

// The row of the backup list an ID ("2") or a file name (any letter case)
// names; nothing when none does.
[[nodiscard]] std::optional<std::size_t> FindBackupRow(const std::vector<BackupRow>& rows,
                                                       std::string_view target);

}  // namespace qm::cli
