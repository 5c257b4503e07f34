// What a fuzz target gives the seeded driver besides its entry point: the
// inputs mutations start from and the bytes they insert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace qm_fuzz {

// A literal with its embedded NULs.
template <std::size_t N>
std::string S(const char (&s)[N]) {
  return std::string(s, N - 1);
}

[[nodiscard]] const char* Name();
[[nodiscard]] std::vector<std::string> Corpus();
[[nodiscard]] std::string Alphabet();

}  // namespace qm_fuzz
