// The registry and the drives a Linux run of quillmar-cli reads: a Wine
// prefix's, or a Windows installation's that is not running.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/offline_windows.h"
#include "platform/registry.h"

namespace qm::cli {

class RegistrySource {
 public:
  virtual ~RegistrySource() = default;
  [[nodiscard]] virtual RegistryReader& Reader() = 0;
  [[nodiscard]] virtual posix::LinuxFileSystem& Files() = 0;
  // The installation's hives, for a repair or a restore; null for a prefix.
  [[nodiscard]] virtual posix::OfflineWindows* Offline() { return nullptr; }
};

struct SourceOpened {
  std::unique_ptr<RegistrySource> source;
  std::string error;  // the message for standard error when source is empty
};

// Reads what args.source and args.source_dir name.
[[nodiscard]] SourceOpened OpenSource(const CliArgs& args);

}  // namespace qm::cli
