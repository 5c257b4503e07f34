// quillmar-cli on Linux: the commands over a Wine prefix's registry or a
// Windows installation that is not running, with the same search and rules
// as the Windows program.
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/answer_line.h"
#include "cli/commands.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

class LinuxConsole final : public qm::cli::Console {
 public:
  void Write(FILE* f, std::string_view utf8) override { qm::cli::WriteShown(f, utf8); }
  bool IsTerminal(FILE* f) override { return ::isatty(::fileno(f)) != 0; }
  std::optional<std::string> ReadLine() override { return qm::cli::ReadAnswerLine(stdin); }
  void CatchInterrupts() override {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
  }
  bool Interrupted() override { return g_interrupted != 0; }
};

}  // namespace

int main(int argc, char** argv) {
  LinuxConsole console;
  const std::vector<std::string> words(argv + 1, argv + argc);
  return qm::cli::RunCli(words, console, qm::cli::OpenSource);
}
