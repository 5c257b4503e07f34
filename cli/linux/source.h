// The registry and the drives a Linux run of quillmar-cli reads: a Wine
// prefix's, or a Windows installation's that is not running.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_args.h"
#include "platform/environment.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/offline_windows.h"
#include "platform/registry.h"

namespace qm::cli {

class RegistrySource {
 public:
  virtual ~RegistrySource() = default;
  [[nodiscard]] virtual RegistryReader& Reader() = 0;
  [[nodiscard]] virtual posix::LinuxFileSystem& Files() = 0;
  // What the scanned user's programs expand their texts' variables with,
  // as the registry read holds them; OpenSource sets it.
  VariableTable environment;
  // The installation's hives, for a restore; null for a prefix.
  [[nodiscard]] virtual posix::OfflineWindows* Offline() { return nullptr; }

  // A repair: the registry the deletions go through, kept in memory until
  // WriteChanges puts them in the files.
  [[nodiscard]] virtual RegistryEditor& Editor() = 0;
  // The files that may hold a key of `root`\`path`.
  [[nodiscard]] virtual std::vector<std::string> FilesOf(RegKey root,
                                                         std::string_view path) const = 0;
  // Why these files must not be written now, as the message for standard
  // error; empty when they may be.
  [[nodiscard]] virtual std::string WriteRefusal(const std::set<std::string>& files) = 0;
  // Each changed file written whole and put in place of the original; the
  // files that stay as they were, each with the message why.
  [[nodiscard]] virtual std::vector<std::pair<std::string, std::string>> WriteChanges() = 0;
};

struct SourceOpened {
  std::unique_ptr<RegistrySource> source;
  std::string error;  // the message for standard error when source is empty
};

// Reads what args.source and args.source_dir name.
[[nodiscard]] SourceOpened OpenSource(const CliArgs& args);

}  // namespace qm::cli
