// A command run through the shell, for tests that drive quillmar-cli as a
// child process: its exit code and everything it printed.
#pragma once

#include <stdio.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace qm::testing {

struct CliRun {
  int exit = -1;
  std::string output;  // standard output and standard error
};

inline CliRun RunCommand(const std::string& command) {
  CliRun r;
  std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int status = ::pclose(p);
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace qm::testing
