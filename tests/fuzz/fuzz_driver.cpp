// Runs the fuzz target without libFuzzer: a fixed corpus of awkward inputs,
// then seeded random mutations of it, under the sanitizers of the build.
// Usage: fuzz_scan_text [iterations] [seed]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
// A literal with its embedded NULs.
template <std::size_t N>
std::string S(const char (&s)[N]) {
  return std::string(s, N - 1);
}
}  // namespace

int main(int argc, char** argv) {
  const long iterations = argc > 1 ? std::atol(argv[1]) : 200000;
  const unsigned seed =
      argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 20261209u;
  std::vector<std::string> corpus = {
      S("\x01\"C:\\Program Files\\App\\app.exe\" /x %1"),
      S("\x01"
        "C:\\X.COMPANY\\a.exe,1;C:\\b.dll"),
      S("\x01"
        "C:C:C:\\\\\\::.EXE.exe.AX"),
      S("\x03\xff\x00\x10"),
      S("\x04\x01"),
      S("\x07"
        "a\0b\0\0\0c\0"),
      S("\x01\xd8\x00\xdc\x00\x00\xd8"),
      S("\x01\xe7\xa8\x8b\xe5\xba\x8f C:\\\xe7\xa8\x8b.exe"),
      S("\x01\xf4\x90\x80\x80\xc0\xaf\xed\xa0\x80"),
      // WTF-8 names: lone surrogates, and a pair split into two forms.
      S("\x01x\xed\xa0\x80\xed\xb0\x80 \xed\xbf\xbf\xef\xbf\xbd"),
  };
  for (const auto& c : corpus) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(c.data()), c.size());
  }
  std::mt19937 rng(seed);
  const std::string alphabet = S("C:\\.\"/*?<>|,(;% 1EXEDLLAXcom\x00\xe7\xa8\x8b\xff\xd8\xdc");
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
  std::printf("fuzz_scan_text: %ld inputs, no fault\n",
              iterations + static_cast<long>(corpus.size()));
  return 0;
}
