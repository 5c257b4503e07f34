// The file operations of the backup writer. Statuses are the platform's
// error codes, 0 for success.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/failure.h"

namespace qm {

enum class PathKind { kFile, kFolder };

class BackupDisk {
 public:
  virtual ~BackupDisk() = default;
  // What is at `path`; nothing there fails with kErrFileNotFound or
  // kErrPathNotFound.
  [[nodiscard]] virtual Result<PathKind> Inspect(std::string_view path) = 0;
  // Creates one folder; its parent must exist.
  [[nodiscard]] virtual std::uint32_t CreateFolder(std::string_view path) = 0;
  // Puts a file holding exactly `bytes` at `path` and returns only once it
  // is written whole, flushed and closed. Never replaces anything: when the
  // name is taken it answers kErrAlreadyExists or kErrFileExists. On any
  // failure nothing is left at `path`, so no half-written backup is ever
  // listed or restored.
  [[nodiscard]] virtual std::uint32_t PublishNewFile(std::string_view path,
                                                     std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace qm
