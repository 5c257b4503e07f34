// Prints how fast the registry search with the rules walks a large tree,
// next to a bare loop that makes the same registry calls and nothing else.
//   search_bench [memory-keys]          in-memory tree (default 1,000,000 keys)
//   search_bench.exe --wine [keys]      also a tree in the Wine registry
//   --no-rules                          the walk and its events without the rules
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "platform/memory_registry.h"
#include "scan/reg_search.h"
#include "scan/rules.h"
#include "testing/memory_file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "bench/wine_tree.h"
#include "platform/win32/file_system.h"
#include "platform/win32/registry.h"
#endif

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;
// --no-rules leaves the rules out, to tell the walk's own cost from theirs.
bool g_with_rules = true;

// Counts the keys a walk opens and the most handles open at once.
class CountingReader final : public RegistryReader {
 public:
  explicit CountingReader(RegistryReader& inner) : inner_(inner) {}
  RegStatus OpenKey(RegKey parent, std::string_view path, RegKey* out) override {
    const RegStatus rc = inner_.OpenKey(parent, path, out);
    if (rc == kRegOk) {
      ++opened;
      peak_open = std::max(peak_open, ++open_now);
    }
    return rc;
  }
  RegStatus EnumKey(RegKey key, std::uint32_t index, std::string& name) override {
    return inner_.EnumKey(key, index, name);
  }
  RegStatus EnumValue(RegKey key, std::uint32_t index, RegValue& value) override {
    return inner_.EnumValue(key, index, value);
  }
  void CloseKey(RegKey key) override {
    --open_now;
    inner_.CloseKey(key);
  }
  long long opened = 0;
  long long open_now = 0;
  long long peak_open = 0;

 private:
  RegistryReader& inner_;
};

// The same calls as the search, and nothing else.
long long BareWalk(RegistryReader& reg, RegKey parent, std::string_view path, std::string& name,
                   RegValue& value) {
  RegKey key = kNoKey;
  if (reg.OpenKey(parent, path, &key) != kRegOk) return 0;
  long long keys = 1;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, value) == kRegOk; ++i) {
  }
  for (std::uint32_t i = 0; reg.EnumKey(key, i, name) == kRegOk; ++i) {
    keys += BareWalk(reg, key, std::string(name), name, value);
  }
  reg.CloseKey(key);
  return keys;
}

class RuleCounter final : public SearchListener {
 public:
  explicit RuleCounter(FileSystem& fs) : rule(fs) {}
  int SearchFound(std::string_view r, std::string_view k, std::string_view v, std::int32_t f,
                  std::string_view name) override {
    ++finds;
    if (!with_rules) return 0;
    if (auto row = rule.Judge(r, k, v, f, name)) rows.Append(std::move(*row));
    return 0;
  }
  int SearchKeyChanged(std::string_view) override {
    ++keys;
    return 0;
  }
  void SearchFinished(std::int32_t r) override { reason = r; }
  InvalidReferenceRule rule;
  bool with_rules = true;
  ErrorList rows;
  long long keys = 0, finds = 0;
  int reason = -1;
};

struct Figures {
  double search_s, bare_s;
  long long keys;
};

Figures Measure(RegistryReader& inner, FileSystem& fs, RegKey root, const std::string& sub) {
  CountingReader reg(inner);
  RuleCounter listener(fs);
  listener.with_rules = g_with_rules;
  cRegSearch search(reg, listener, [] {});
  search.RootKey(static_cast<std::int32_t>(root));
  search.SubKey(sub);
  search.SearchFlags(3);
  search.SearchString("C:");

  // Warm both once, then take the better of two runs each.
  double best_search = 1e30, best_bare = 1e30;
  long long bare_keys = 0;
  for (int round = 0; round < 2; ++round) {
    listener.rows.Clear();
    auto t0 = Clock::now();
    search.DoSearch();
    best_search = std::min(best_search, std::chrono::duration<double>(Clock::now() - t0).count());
    std::string name;
    RegValue value;
    t0 = Clock::now();
    bare_keys = BareWalk(reg, root, sub, name, value);
    best_bare = std::min(best_bare, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  std::printf(
      "  search: %lld keys reached, %lld finds, %zu rows, reason %d, peak open handles %lld\n",
      listener.keys / 2, listener.finds / 2, listener.rows.Count(), listener.reason, reg.peak_open);
  return {best_search, best_bare, bare_keys};
}

void Print(const char* what, const Figures& f, double target) {
  const double ratio = f.search_s / f.bare_s;
  std::printf(
      "%s: %lld keys\n  bare loop  %8.3f s  %12.0f keys/s\n  search     %8.3f s  %12.0f keys/s\n"
      "  ratio %.3f (target at most %.2f) %s\n",
      what, f.keys, f.bare_s, f.keys / f.bare_s, f.search_s, f.keys / f.search_s, ratio, target,
      ratio <= target ? "met" : "NOT MET");
}

// A realistic mix: per key a command line (some missing, some present), a
// DWORD, a short string and a small binary value.
void BuildMemoryTree(MemoryRegistry& reg, MemoryFileSystem& fs, long long keys) {
  const int fan = 100;
  long long made = 0;
  for (int a = 0; a < fan && made < keys; ++a) {
    const std::string pa = "Bench\\Vendor" + std::to_string(a);
    for (int b = 0; b < fan && made < keys; ++b) {
      const std::string pb = pa + "\\Product" + std::to_string(b);
      for (int c = 0; c < fan && made < keys; ++c, ++made) {
        const std::string pc = pb + "\\Item" + std::to_string(c);
        // About one value in thirty names a file on the system drive, as in
        // a lived-in registry; a tenth of those files exist.
        if (c % 10 == 0) {
          const std::string exe = "C:\\Program Files\\V" + std::to_string(a) + "\\p" +
                                  std::to_string(b) + "\\tool" + std::to_string(c % 7) + ".exe";
          if (b % 10 == 0) fs.AddFile(exe);
          reg.SetString(kHkeyCurrentUser, pc, "Command", "\"" + exe + "\" /run %1");
        } else {
          reg.SetString(kHkeyCurrentUser, pc, "Version", "10.0." + std::to_string(c));
        }
        reg.SetDword(kHkeyCurrentUser, pc, "Flags", static_cast<std::uint32_t>(c));
        reg.SetString(kHkeyCurrentUser, pc, "Name", "Item number " + std::to_string(c));
        if (c % 4 == 0) reg.SetBinary(kHkeyCurrentUser, pc, "Blob", {1, 2, 3, 4, 5, 6, 7, 8});
      }
    }
  }
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  using namespace qm;
  bool wine = false;
  long long memory_keys = 1000000, wine_keys = 200000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-rules") == 0) {
      g_with_rules = false;
    } else if (std::strcmp(argv[i], "--wine") == 0) {
      wine = true;
      if (i + 1 < argc) wine_keys = std::atoll(argv[++i]);
    } else {
      memory_keys = std::atoll(argv[i]);
    }
  }
  {
    MemoryRegistry reg;
    MemoryFileSystem fs;
    const auto t0 = Clock::now();
    BuildMemoryTree(reg, fs, memory_keys);
    std::printf("in-memory tree built in %.1f s\n",
                std::chrono::duration<double>(Clock::now() - t0).count());
    Print("in-memory registry", Measure(reg, fs, kHkeyCurrentUser, "Bench"), 1.2);
  }
#ifdef _WIN32
  if (wine) {
    const std::string base = bench::EnsureBenchTree(wine_keys);
    win32::Win32Registry reg;
    win32::Win32FileSystem fs;
    Print("Wine registry", Measure(reg, fs, kHkeyLocalMachine, base), 1.15);
  }
#else
  (void)wine;
  (void)wine_keys;
#endif
  return 0;
}
