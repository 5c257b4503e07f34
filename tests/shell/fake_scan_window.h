// The scan window as the window tests see it: each opening is recorded and
// may run a test's own modal window.
#pragma once

#include <windows.h>

#include <functional>

namespace qm::shell::testing {

struct ScanWindowCalls {
  int count = 0;
  HWND owner = nullptr;
  std::function<void(HWND owner)> run;  // what the opening does, if anything
};

ScanWindowCalls& ScanWindowRecorder();

}  // namespace qm::shell::testing
