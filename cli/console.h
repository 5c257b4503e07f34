// The terminal side of quillmar-cli: UTF-8 output, the answer to a
// question and Ctrl+C. Each system's build provides one.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace qm::cli {

class Console {
 public:
  virtual ~Console() = default;
  // Writes the text and flushes it; an unpaired surrogate of a registry
  // name, or a stray byte, is written as U+FFFD.
  virtual void Write(FILE* f, std::string_view utf8) = 0;
  // Whether a person is at the stream: a pipe, a file or NUL is not.
  [[nodiscard]] virtual bool IsTerminal(FILE* f) = 0;
  // One short line typed on standard input, without its line end (see
  // ReadAnswerLine); nothing at the end of input.
  [[nodiscard]] virtual std::optional<std::string> ReadLine() = 0;
  // Ctrl+C only raises a flag from the moment this is called: the scan
  // stops at its next key, a repair before its next deletion.
  virtual void CatchInterrupts() = 0;
  [[nodiscard]] virtual bool Interrupted() = 0;
};

// What every console's Write does with its text: shown as UTF-8, each
// unpaired surrogate or stray byte as U+FFFD, and flushed.
void WriteShown(FILE* f, std::string_view utf8);

// Prints the message with a pointer to --help on standard error; 2.
[[nodiscard]] int UsageError(Console& console, std::string_view message);

}  // namespace qm::cli
