// The chrome pictures: minimise and exit (28 x 15), the navigation buttons
// (199 x 36), the caption strips and the application icon.
#pragma once

#include <memory>

#include "shell/art/canvas.h"

namespace qm::art {

enum class NavIcon { Scanner, Restore, Settings, Records };

void DrawMinButton(Canvas& c, int state);
void DrawExitButton(Canvas& c, int state);
void DrawNavButton(Canvas& c, NavIcon icon, const wchar_t* text, int state);
void DrawCaptionStrip(Canvas& c);
// The application icon, filling a square transparent canvas.
void DrawAppIcon(Canvas& c);
// The navigation icon alone in `ink`, centred at (cx, cy), `scale` 1 about
// 20 pixels; `cut` colours what is cut out of a filled glyph (the i).
void DrawNavGlyph(Canvas& c, NavIcon icon, double cx, double cy, double scale, Rgb ink, Rgb cut);

}  // namespace qm::art
