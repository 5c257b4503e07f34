// SHA-256 (FIPS 180-4), written out here because the static Windows build
// has no library for it. Backups carry the digest of their text so that a
// reader notices any change to them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qm {

class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  // Bytes may come in pieces of any size.
  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given; the object is spent afterwards.
  [[nodiscard]] Digest Finish();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pending_size_ = 0;
  std::uint64_t total_ = 0;  // bytes given so far
};

// The digest of `bytes` as 64 lower-case hex digits.
[[nodiscard]] std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace qm
