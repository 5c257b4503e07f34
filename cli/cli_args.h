// The command line of quillmar-cli, parsed into what each command needs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/scan_report.h"
#include "repair/backup_list.h"

namespace qm::cli {

enum class Command { kHelp, kVersion, kScan, kRepair, kBackups, kRecords };
enum class BackupChoice { kProfile, kOn, kOff };
enum class BackupsAction { kList, kRestore, kVerify, kDelete };
// How the scan reads the registry: from a snapshot of each root where one
// can be taken and read (auto), only so (snapshot), or call by call (live).
enum class WalkChoice { kAuto, kSnapshot, kLive };

struct CliArgs {
  Command command = Command::kHelp;
  // scan and repair
  ReportFormat format = ReportFormat::kText;
  std::int32_t root = 0;  // a root handle, 0 for all seven
  std::string key;        // the start key below the root(s)
  bool quiet = false;
  // A snapshot walk meets what the live walk meets, at memory speed.
  WalkChoice walk = WalkChoice::kAuto;
  // repair
  BackupChoice backup = BackupChoice::kProfile;
  bool yes = false;
  // backups
  BackupsAction action = BackupsAction::kList;
  std::string target;  // the ID or file name restore, verify and delete act on
};

struct ParseResult {
  std::optional<CliArgs> args;
  std::string error;  // names the bad argument when args is empty
};

// The arguments after the program's name.
[[nodiscard]] ParseResult ParseArgs(std::span<const std::string> argv);

// The row of the backup list an ID ("2") or a file name (any letter case)
// names; nothing when none does.
[[nodiscard]] std::optional<std::size_t> FindBackupRow(const std::vector<BackupRow>& rows,
                                                       std::string_view target);

}  // namespace qm::cli
