// The three skin pictures: the main window, the other navigation windows
// and the scan window. Each is 786 x 557 and leaves room for the chrome
// and the labels that the windows draw over it.
#pragma once

#include "shell/art/canvas.h"

namespace qm::art {

void DrawMainSkin(Canvas& c);
void DrawOtherSkin(Canvas& c);
void DrawScanSkin(Canvas& c);

}  // namespace qm::art
