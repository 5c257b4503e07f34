// File-system and system-folder queries the core needs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// The outcome of asking whether a path exists. `error` is the platform's
// error code when the query failed (0 when it answered "exists").
struct PathQuery {
  bool exists = false;
  std::uint32_t error = 0;
};

// Error codes of a failed path query that mean "nothing of that name".
inline constexpr std::uint32_t kErrFileNotFound = 2;
inline constexpr std::uint32_t kErrPathNotFound = 3;
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrNotReady = 21;
inline constexpr std::uint32_t kErrInvalidName = 123;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  [[nodiscard]] virtual PathQuery QueryPath(std::string_view path) = 0;
  // The system directory, for example C:\Windows\System32.
  [[nodiscard]] virtual std::string SystemDirectory() = 0;
  // Where registrations naming the system directory may really point: the
  // 32-bit system folder (SysWOW64) for a 64-bit program, the native one
  // (Sysnative) for a 32-bit program on 64-bit Windows; empty when the
  // system has no second folder.
  [[nodiscard]] virtual std::string AlternateSystemDirectory() = 0;
};

}  // namespace qm
