#include "fake_scan_window.h"

#include "shell/scan_window.h"

namespace qm::shell {

namespace testing {
ScanWindowCalls& ScanWindowRecorder() {
  static ScanWindowCalls calls;
  return calls;
}
}  // namespace testing

void ShowScanWindow(HWND owner) {
  auto& calls = testing::ScanWindowRecorder();
  ++calls.count;
  calls.owner = owner;
  if (calls.run) calls.run(owner);
}

}  // namespace qm::shell
