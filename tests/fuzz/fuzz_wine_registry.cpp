// Fuzz target for the reader of Wine's registry text, which reads a file
// saved from the registry and so anything the registry holds. Whatever it
// accepts must leave no key open and walk (links included) like a registry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "fuzz_target.h"
#include "platform/memory_registry.h"
#include "platform/wine_registry_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Depth-bounded, since links may lead back up the tree.
void WalkBelow(qm::MemoryRegistry& reg, qm::RegKey key, int depth) {
  qm::RegValue value;
  for (std::uint32_t i = 0; reg.EnumValue(key, i, value) == qm::kRegOk; ++i) {
  }
  if (depth == 0) return;
  std::string name;
  for (std::uint32_t i = 0; reg.EnumKey(key, i, name) == qm::kRegOk; ++i) {
    qm::RegKey sub = qm::kNoKey;
    if (reg.OpenKey(key, name, &sub) != qm::kRegOk) continue;
    WalkBelow(reg, sub, depth - 1);
    reg.CloseKey(sub);
  }
}

}  // namespace

namespace qm_fuzz {

const char* Name() {
  return "fuzz_wine_registry";
}

std::vector<std::string> Corpus() {
  return {
      S("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
        "[] 1796843103\n#time=1dd88103279c666\n@=\"root\"\n\n"
        "[Software\\\\A\\]b\\[c] 1796843103\n#time=1dd88103279c666\n#class=\"c\\\"l\"\n"
        "@=str(2):\"%PATH%\\\\x\"\n\"s\\\"q\"=\"x\\\\y\\ttab \\xe9\\x4e2d\\0\\001\"\n"
        "\"m\"=str(7):\"one\\0two\\0\"\n\"d\"=dword:12345678\n\"n\"=hex(0):\n"
        "\"q\"=hex(b):88,77,66,55,44,33,22,11\n"
        "\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
        "  17,18,19\n\n"
        "[Software\\\\Link] 1796843097\n#time=1dd88102e7bd5cc\n#link\n"
        "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00,49,00,53,00,54,00,52,00,59,\\\n"
        "  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\\\n"
        "  74,00,77,00,61,00,72,00,65,00\n"),
      S("WINE REGISTRY Version 2\r\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21\r\n"
        "\r\n[Loop] 1\r\n#link\r\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00,45,00,47,00,49,00,"
        "53,00,54,00,52,00,59,00,5c,00,55,00,73,00,65,00,72,00,5c,00,53,00,2d,00,31,00,2d,00,"
        "35,00,2d,00,32,00,31,00,5c,00,4c,00,6f,00,6f,00,70,00\r\n"),
  };
}

std::string Alphabet() {
  return S("[]\"\\=@,:;# \r\n\tstr(hex(dword:0123456789abcdefx\x00\x7f\x80\xff");
}

}  // namespace qm_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::MemoryRegistry reg;
  const qm::WineRegistryRead read =
      qm::ReadWineRegistry(std::span(data, size), reg, qm::kHkeyLocalMachine, "Saved");
  // A saved file is read piece by piece: every way of cutting the text
  // reads as the whole text does.
  {
    qm::MemoryRegistry pieces;
    std::size_t at = 0;
    std::size_t call = size;
    const qm::WineRegistrySource source = [&](std::span<std::uint8_t> into, std::size_t& got) {
      got = std::min({into.size(), size - at, std::size_t{1} + call++ % 61});
      if (got != 0) std::memcpy(into.data(), data + at, got);
      at += got;
      return true;
    };
    const qm::WineRegistryRead piecewise =
        qm::ReadWineRegistry(source, pieces, qm::kHkeyLocalMachine, "Saved");
    Check(piecewise.ok() == read.ok() && piecewise.detail() == read.detail() &&
          (!read.ok() || piecewise->keys == read->keys));
    Check(pieces.OpenHandles() == 0 && pieces.KeyCount() == reg.KeyCount());
  }
  Check(reg.OpenHandles() == 0);
  if (!read.ok()) {
    // "line N: what is wrong", N from 1.
    const std::string& why = read.detail();
    Check(why.rfind("line ", 0) == 0 && why.rfind("line 0:", 0) != 0 && why.back() != ' ');
    return 0;
  }
  qm::RegKey key = qm::kNoKey;
  if (reg.OpenKey(qm::kHkeyLocalMachine, "Saved", &key) == qm::kRegOk) {
    WalkBelow(reg, key, 12);
    reg.CloseKey(key);
  }
  Check(reg.OpenHandles() == 0);
  return 0;
}
