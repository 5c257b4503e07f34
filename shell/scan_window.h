// The way from the main window into the scan window: enables the scan
// window's start timer and shows it modally with `owner` (the main window)
// as owner, centred over it; returns when the scan window has closed.
// The scan window itself (FormRepair) is built on ChromeForm with
// ChromeForm::ScanWindowLayout(); the real implementation lives with it.
#pragma once

#include <windows.h>

namespace qm::shell {

void ShowScanWindow(HWND owner);

}  // namespace qm::shell
