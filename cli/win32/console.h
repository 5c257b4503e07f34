// The console side of quillmar-cli: UTF-8 output, usage errors, the
// program's folder and the terminal.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace qm::cli {

// Writes the text as UTF-8 and flushes it; an unpaired surrogate of a
// registry name, or a stray byte, is written as U+FFFD.
void Write(FILE* f, std::string_view utf8);

// Prints the message with a pointer to --help on standard error; 2.
[[nodiscard]] int UsageError(std::string_view message);

// The folder of quillmar-cli.exe, where ro.ini and RegBackups lie.
[[nodiscard]] std::string ProgramFolderOrDot();

// The profile ro.ini beside the program.
[[nodiscard]] std::string ProfileFile();

// Whether the standard handle (STD_INPUT_HANDLE and so on) is a console.
// A pipe, a file or NUL is not, though the C runtime's _isatty calls every
// character device a terminal.
[[nodiscard]] bool IsConsole(unsigned long std_handle);
[[nodiscard]] bool StdinIsTerminal();

// One short line typed on standard input, without its line end (see
// ReadAnswerLine); nothing at the end of input.
[[nodiscard]] std::optional<std::string> ReadLine();

// Ctrl+C and Ctrl+Break only raise a flag from the moment this is called:
// the scan stops at its next key, a repair before its next deletion.
void CatchInterrupts();
[[nodiscard]] bool Interrupted();

}  // namespace qm::cli
