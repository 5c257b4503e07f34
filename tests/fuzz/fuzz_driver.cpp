// Runs a fuzz target without libFuzzer: the target's corpus of awkward
// inputs, then seeded random mutations of it, under the sanitizers of the
// build. Usage: fuzz_<target> [iterations] [seed]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "fuzz_target.h"

int main(int argc, char** argv) {
  const long iterations = argc > 1 ? std::atol(argv[1]) : 200000;
  const unsigned seed =
      argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 20261209u;
  const std::vector<std::string> corpus = qm_fuzz::Corpus();
  for (const auto& c : corpus) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(c.data()), c.size());
  }
  std::mt19937 rng(seed);
  const std::string alphabet = qm_fuzz::Alphabet();
  for (long i = 0; i < iterations; ++i) {
    std::string s = corpus[rng() % corpus.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0:
          s.insert(pos, 1, alphabet[rng() % alphabet.size()]);
          break;
        case 1:
          if (pos < s.size()) s.erase(pos, 1 + rng() % 3);
          break;
        case 2:
          if (pos < s.size()) s[pos] = static_cast<char>(rng());
          break;
        default:
          s.insert(pos, corpus[rng() % corpus.size()].substr(1));
          break;
      }
    }
    if (s.size() > 4096) s.resize(4096);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  }
  std::printf("%s: %ld inputs, no fault\n", qm_fuzz::Name(),
              iterations + static_cast<long>(corpus.size()));
  return 0;
}
