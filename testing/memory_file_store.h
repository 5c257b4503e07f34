// Files held in memory, for the tests of what the program keeps beside
// itself. Names compare exactly; a path may be made to fail its writes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/file_store.h"
#include "platform/file_system.h"

namespace qm {

class MemoryFileStore final : public FileStore {
 public:
  std::map<std::string, std::string, std::less<>> files;
  std::uint32_t write_error = 0;  // every ReplaceWhole fails with this when set
  std::uint32_t read_error = 0;   // every ReadWhole of an existing file fails likewise

  [[nodiscard]] Result<std::string> ReadWhole(std::string_view path) override {
    const auto it = files.find(path);
    if (it == files.end()) return Failure{kErrFileNotFound, std::string(path)};
    if (read_error != 0) return Failure{read_error, std::string(path)};
    return it->second;
  }
  [[nodiscard]] Status ReplaceWhole(std::string_view path, std::string_view bytes) override {
    if (write_error != 0) return Failure{write_error, std::string(path)};
    files[std::string(path)] = std::string(bytes);
    return {};
  }
};

}  // namespace qm
