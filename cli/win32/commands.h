// The commands of quillmar-cli; each returns the exit status.
#pragma once

#include "cli/cli_args.h"

namespace qm::cli {

[[nodiscard]] int ScanCommand(const CliArgs& args);
[[nodiscard]] int RepairCommand(const CliArgs& args);
[[nodiscard]] int BackupsCommand(const CliArgs& args);
[[nodiscard]] int RecordsCommand();
[[nodiscard]] int IgnoreCommand(const CliArgs& args);

}  // namespace qm::cli
