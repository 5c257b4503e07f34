// Whole-file reads and replacements, for the small text files the program
// keeps beside itself. Statuses are the platform's error codes, 0 for
// success.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

struct FileContents {
  std::string bytes;
  // kErrFileNotFound (or kErrPathNotFound) when there is no such file,
  // which callers usually take as an empty file.
  std::uint32_t error = 0;
};

class FileStore {
 public:
  virtual ~FileStore() = default;
  [[nodiscard]] virtual FileContents ReadWhole(std::string_view path) = 0;
  // Puts exactly `bytes` at `path`, creating or replacing the file. The new
  // text is written whole and flushed under another name beside it first,
  // then renamed over the old file: a reader, or a crash, meets either the
  // old file or the new one, never a part of it.
  [[nodiscard]] virtual std::uint32_t ReplaceWhole(std::string_view path,
                                                   std::string_view bytes) = 0;
};

}  // namespace qm
