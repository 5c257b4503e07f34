// Whole-file reads and atomic replacements on Win32.
#pragma once

#include <cstdint>

#include "platform/file_store.h"

namespace qm::win32 {

// The whole file at `path`, read while others may read or delete it. A
// file larger than `max_bytes` is not read: ERROR_FILE_TOO_LARGE.
[[nodiscard]] Result<std::string> ReadWholeFile(std::string_view path,
                                                std::uint64_t max_bytes = UINT64_MAX);

class Win32FileStore final : public FileStore {
 public:
  [[nodiscard]] Result<std::string> ReadWhole(std::string_view path) override;
  [[nodiscard]] Status ReplaceWhole(std::string_view path, std::string_view bytes) override;
};

}  // namespace qm::win32
