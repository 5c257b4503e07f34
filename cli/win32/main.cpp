// quillmar-cli.exe: the commands over the running system's registry, with
// the console of Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "cli/answer_line.h"
#include "cli/commands.h"
#include "platform/win32/wide.h"

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleCtrl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    g_interrupted = true;
    return TRUE;
  }
  return FALSE;
}

class Win32Console final : public qm::cli::Console {
 public:
  void Write(FILE* f, std::string_view utf8) override { qm::cli::WriteShown(f, utf8); }
  // A pipe, a file or NUL is no console, though the C runtime's _isatty
  // calls every character device a terminal.
  bool IsTerminal(FILE* f) override {
    const DWORD which = f == stdin    ? STD_INPUT_HANDLE
                        : f == stdout ? STD_OUTPUT_HANDLE
                                      : STD_ERROR_HANDLE;
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
  }
  std::optional<std::string> ReadLine() override {
    // A console gives UTF-16 through ReadConsoleW; only the answer's first
    // letters matter, so the bytes read through the C runtime do.
    std::optional<std::string> line = qm::cli::ReadAnswerLine(stdin);
    // What was typed past a too-long answer would otherwise reach the
    // shell as its next command.
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    return line;
  }
  void CatchInterrupts() override { SetConsoleCtrlHandler(OnConsoleCtrl, TRUE); }
  bool Interrupted() override { return g_interrupted; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Output is UTF-8 bytes: set the console to show them as such, and keep
  // the C runtime from translating line ends in pipes and files.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.push_back(qm::win32::Narrow(argv[i]));
  Win32Console console;
  return qm::cli::RunCli(words, console, qm::cli::OpenSource);
}
