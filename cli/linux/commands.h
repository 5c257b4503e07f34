// The commands of quillmar-cli on Linux.
#pragma once

#include "cli/cli_args.h"

namespace qm::cli {

[[nodiscard]] int ScanCommand(const CliArgs& args);
// repair --offline|--prefix: the scan, then the repair of every row
// through the installation's hives or the prefix's registry files.
[[nodiscard]] int RepairCommand(const CliArgs& args);
// backups list|restore|verify --offline: the backups in the
// installation's C:\RegBackups, a restore of one into its hives and a
// comparison of one with them.
[[nodiscard]] int BackupsOfflineCommand(const CliArgs& args);

}  // namespace qm::cli
