// Reads the registry text that Wine keeps a prefix's registry in, and that
// RegSaveKeyW writes under Wine: "WINE REGISTRY Version 2", then per key a
// line "[Escaped\\Path] <seconds>" followed by "#time=", "#class=" and
// "#link" lines and the key's values ("name"= or @= with "text",
// str(N):"text", dword:, hex: or hex(N): data continued over lines).
//
// The file is untrusted input: anything Wine would not have written (a
// stray byte, an unknown line, a bad escape, data cut short) makes the
// whole file unreadable, with the line where it went wrong, so that the
// caller reads the registry another way rather than from a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/memory_registry.h"

namespace qm {

// What a file that reads whole held. When it does not read, the failure's
// detail is "line N: what is wrong with it" (N the first line that does not
// read, from 1; in English) and its code kErrInvalidData.
struct WineRegistryTree {
  // The saved key's own path, from the file's ";; All keys relative to"
  // line: "REGISTRY\Machine" for HKEY_LOCAL_MACHINE.
  std::string base;
  std::size_t keys = 0;  // key lines read
  // Links the file alone cannot resolve (the target lies outside the saved
  // tree, or none is given): they are left not opening, which need not be
  // what the registry shows.
  std::size_t links_unresolved = 0;
};
using WineRegistryRead = Result<WineRegistryTree>;

// Whether the bytes start as Wine's registry text does.
[[nodiscard]] bool IsWineRegistryText(std::span<const std::uint8_t> bytes);

// Reads the file into `into` below `root`\`under`: the saved key becomes
// that key, its subkeys and values keep the file's order. Links whose
// target lies inside the saved tree open as they do in the registry. On
// failure `into` holds part of the file and is to be discarded.
[[nodiscard]] WineRegistryRead ReadWineRegistry(std::span<const std::uint8_t> bytes,
                                                MemoryRegistry& into, RegKey root,
                                                std::string_view under = {});

// Fills `into` with the next bytes of the file and sets `got` to how many;
// 0 at its end. False when the file does not read.
using WineRegistrySource = std::function<bool(std::span<std::uint8_t> into, std::size_t& got)>;

// The same, from a file read piece by piece as the parse goes, so that a
// large file is never held whole beside the tree made from it.
[[nodiscard]] WineRegistryRead ReadWineRegistry(const WineRegistrySource& source,
                                                MemoryRegistry& into, RegKey root,
                                                std::string_view under = {});

}  // namespace qm
