#include "cli/win32/console.h"

#include <windows.h>

#include <atomic>

#include "cli/answer_line.h"
#include "platform/text.h"
#include "platform/win32/program_folder.h"
#include "profile/profile_store.h"

namespace qm::cli {

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleCtrl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    g_interrupted = true;
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void Write(FILE* f, std::string_view utf8) {
  // A registry name may hold an unpaired surrogate (WTF-8 inside); a
  // reader gets U+FFFD for it.
  const std::string shown = text::DisplayUtf8(utf8);
  std::fwrite(shown.data(), 1, shown.size(), f);
  std::fflush(f);
}

int UsageError(std::string_view message) {
  Write(stderr, "quillmar-cli: " + std::string(message) + "\nTry 'quillmar-cli --help'.\n");
  return 2;
}

std::string ProgramFolderOrDot() {
  return win32::ProgramFolder().value_or(".");
}

std::string ProfileFile() {
  return ProfilePath(ProgramFolderOrDot());
}

bool IsConsole(unsigned long std_handle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(std_handle), &mode) != 0;
}

bool StdinIsTerminal() {
  return IsConsole(STD_INPUT_HANDLE);
}

std::optional<std::string> ReadLine() {
  // A console gives UTF-16 through ReadConsoleW; only the answer's first
  // letters matter, so the bytes read through the C runtime do.
  std::optional<std::string> line = ReadAnswerLine(stdin);
  // What was typed past a too-long answer would otherwise reach the shell
  // as its next command.
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  return line;
}

void CatchInterrupts() {
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
}

bool Interrupted() {
  return g_interrupted;
}

}  // namespace qm::cli
