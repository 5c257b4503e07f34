// The commands of quillmar-cli, written once over any registry source;
// each returns the exit status.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "cli/cli_args.h"
#include "cli/console.h"
#include "cli/scan_report.h"
#include "cli/source.h"

namespace qm::cli {

using SourceOpener = std::function<SourceOpened(const CliArgs&)>;

// The whole program after its words were read: parses them, opens the
// source through `open` and runs the command.
[[nodiscard]] int RunCli(std::span<const std::string> words, Console& console,
                         const SourceOpener& open);

// The source args name, or nothing after writing why (`exit` set).
[[nodiscard]] std::unique_ptr<RegistrySource> OpenOrSay(const CliArgs& args, Console& console,
                                                        const SourceOpener& open, int& exit);

// The ignore lists args name: --ignore-file's, else the source's.
[[nodiscard]] std::vector<std::string> IgnoreFilesOf(const CliArgs& args, RegistrySource& source);

// Warns on standard error of each line of the ignore list that cannot be
// read (it stays in the file as it is).
void ReportDamagedLines(Console& console, const std::string& path, const IgnoreList& list);

[[nodiscard]] int ScanCommand(const CliArgs& args, RegistrySource& source, Console& console);
[[nodiscard]] int RepairCommand(const CliArgs& args, RegistrySource& source, Console& console);
[[nodiscard]] int BackupsCommand(const CliArgs& args, RegistrySource& source, Console& console);
[[nodiscard]] int IgnoreCommand(const CliArgs& args, RegistrySource& source, Console& console);

}  // namespace qm::cli
