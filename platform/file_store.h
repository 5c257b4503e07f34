// Whole-file reads and replacements, for the small text files the program
// keeps beside itself. A failure's code is the system's; its detail names
// the file.
#pragma once

#include <string>
#include <string_view>

#include "platform/failure.h"

namespace qm {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes; kErrFileNotFound (or kErrPathNotFound) when there is
  // no such file, which callers usually take as an empty file.
  [[nodiscard]] virtual Result<std::string> ReadWhole(std::string_view path) = 0;
  // Puts exactly `bytes` at `path`, creating or replacing the file. The new
  // text is written whole and flushed under another name beside it first,
  // then renamed over the old file: a reader, or a crash, meets either the
  // old file or the new one, never a part of it.
  [[nodiscard]] virtual Status ReplaceWhole(std::string_view path, std::string_view bytes) = 0;
};

}  // namespace qm
