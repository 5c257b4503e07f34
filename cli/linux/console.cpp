#include "cli/linux/console.h"

#include <signal.h>
#include <unistd.h>

#include <string>

#include "platform/text.h"

namespace qm::cli {

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

}  // namespace

void Write(FILE* f, std::string_view utf8) {
  const std::string shown = text::DisplayUtf8(utf8);
  std::fwrite(shown.data(), 1, shown.size(), f);
  std::fflush(f);
}

int UsageError(std::string_view message) {
  Write(stderr, "quillmar-cli: " + std::string(message) + "\nTry 'quillmar-cli --help'.\n");
  return 2;
}

bool IsTerminal(FILE* f) {
  return ::isatty(::fileno(f)) != 0;
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
  return g_interrupted != 0;
}

}  // namespace qm::cli
