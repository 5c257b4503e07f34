// The commands of quillmar-cli on Linux.
#pragma once

#include "cli/cli_args.h"

namespace qm::cli {

[[nodiscard]] int ScanCommand(const CliArgs& args);
// repair --offline: the scan, then the repair of every row through the
// installation's hives.
[[nodiscard]] int RepairOfflineCommand(const CliArgs& args);
// backups list|restore --offline: the backups in the installation's
// C:\RegBackups, and a restore of one into its hives.
[[nodiscard]] int BackupsOfflineCommand(const CliArgs& args);

}  // namespace qm::cli
