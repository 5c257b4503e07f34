// Drawing primitives and face routines of the button, on a canvas of
// W x H client pixels. Coordinates follow the platform: Fill and Frame
// cover x..x+w-1, y..y+h-1; a Line leaves out its end point.
#pragma once

#include "button/canvas.h"
#include "button/color.h"

namespace qm::button {

struct Surface {
  Canvas& canvas;
  int W;
  int H;

  // Fills (or, with frame set, outlines) the rectangle (x, y)-(x+w, y+h).
  void FillBox(int x, int y, int w, int h, Color c, bool frame);
  void Fill(int x, int y, int w, int h, Color c) { FillBox(x, y, w, h, c, false); }
  void Frame(int x, int y, int w, int h, Color c) { FillBox(x, y, w, h, c, true); }
  void DrawLine(int x1, int y1, int x2, int y2, Color c) { canvas.Line(x1, y1, x2, y2, c); }
  void PutPixel(int x, int y, Color c) { canvas.SetPixelV(x, y, c); }
};

// Rows from..to (inclusive, by step) fading from (r, g, b) towards white,
// reaching it after H - 5 rows.
void FadeToWhite(Surface& s, int r, int g, int b, int from, int to, int step);

// Edges that stop two pixels short of each corner, plus one corner pixel each.
void DrawRoundFrame(Surface& s, Color c1, Color c2);

// Face of the glass look: two gradients split at percent of the height.
void PaintGlassFace(Surface& s, Color mid, Color border, Color end, int percent, bool flat);

// Face of the gel look: gradient, solid band, gradient, light inner frames.
void PaintGelFace(Surface& s, Color mid, Color border, Color end, int percent);

// Fixed decorations shared by several looks.
void DrawXpFrame(Surface& s);
void DrawHoverRing(Surface& s, Color k);
void DrawBlueFocusRing(Surface& s, bool classic_form);
void DrawGreenFocusRing(Surface& s);

}  // namespace qm::button
