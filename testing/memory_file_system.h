// A file system made of a list of paths, for the tests and benchmarks of
// the scan rules.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/file_system.h"

namespace qm {

// Names compare without case; a registered folder exists with its ancestors.
class MemoryFileSystem final : public FileSystem {
 public:
  explicit MemoryFileSystem(std::string system_dir = "C:\\WINDOWS\\SYSTEM32",
                            std::string alternate = "")
      : system_dir_(std::move(system_dir)), alternate_(std::move(alternate)) {}

  void AddFile(std::string_view path);
  // Queries of this path fail with `error` (access denied, device not ready).
  void FailQuery(std::string_view path, std::uint32_t error);
  [[nodiscard]] int QueryCount() const { return queries_; }
  // The 8.3 name the volume stores for a path added before.
  void SetShortName(std::string_view path, std::string_view short_name);
  // The folder cannot be listed, though names in it can still be asked for.
  void DenyListing(std::string_view folder);

  [[nodiscard]] Status QueryPath(std::string_view path) override;
  [[nodiscard]] std::string SystemDirectory() override { return system_dir_; }
  [[nodiscard]] std::string AlternateSystemDirectory() override { return alternate_; }
  // The names come upper-cased, as they are kept.
  [[nodiscard]] FolderList ListFolder(std::string_view folder) override;

 private:
  // Looked up by the normalised text in a buffer of the query, so that a
  // query allocates nothing: the rules ask once per listed value.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> paths_;
  std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> failures_;
  std::unordered_map<std::string, std::string> short_names_;
  std::unordered_set<std::string> unlistable_;
  std::string query_;  // the normalised text of the query being answered
  std::string system_dir_;
  std::string alternate_;
  int queries_ = 0;
};

}  // namespace qm
