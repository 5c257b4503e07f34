// The terminal side of quillmar-cli on Linux: UTF-8 output, usage errors
// and Ctrl+C.
#pragma once

#include <cstdio>
#include <string_view>

namespace qm::cli {

// Writes the text and flushes it; an unpaired surrogate of a registry name,
// or a stray byte, is written as U+FFFD.
void Write(FILE* f, std::string_view utf8);

// Prints the message with a pointer to --help on standard error; 2.
[[nodiscard]] int UsageError(std::string_view message);

[[nodiscard]] bool IsTerminal(FILE* f);

// SIGINT only raises a flag from the moment this is called: the scan stops
// at its next key, a repair before its next deletion.
void CatchInterrupts();
[[nodiscard]] bool Interrupted();

}  // namespace qm::cli
