#include "shell/art/chrome_art.h"

#include <cmath>

#include "shell/art/palette.h"

namespace qm::art {
namespace {

constexpr int kChromeButtonTop = 6;  // where minimise and exit sit on the caption bar

struct Face {
  Rgb top, bottom, border;
};

// A small rounded button over the caption bar, with a soft top highlight.
void SmallButton(Canvas& c, const Face& f) {
  for (int y = 0; y < c.Height(); ++y)
    c.FillRect(0, y, c.Width(), 1, CaptionColor(y + kChromeButtonTop));
  const double w = c.Width(), h = c.Height();
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 0, 0, w, h, 3.5); }, f.border);
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 1, 1, w - 2, h - 2, 2.5); },
              [=](double, double y) { return Mix(f.top, f.bottom, y / h); });
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 2, 1.5, w - 4, h / 2 - 1, 2); },
              kWhite, 0.22);
}

}  // namespace

void DrawMinButton(Canvas& c, int state) {
  static const Face faces[3] = {
      {{132, 186, 236}, {74, 136, 206}, {58, 108, 168}},
      {{170, 214, 255}, {96, 168, 246}, {64, 126, 196}},
      {{88, 102, 118}, {52, 64, 78}, {38, 46, 56}},
  };
  SmallButton(c, faces[state]);
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 9, 9, 10, 2.4, 1); }, kWhite);
}

void DrawExitButton(Canvas& c, int state) {
  static const Face faces[3] = {
      {{236, 98, 84}, {198, 44, 30}, {150, 34, 24}},
      {{255, 142, 96}, {244, 84, 40}, {190, 60, 26}},
      {{134, 64, 42}, {92, 40, 24}, {64, 28, 16}},
  };
  SmallButton(c, faces[state]);
  c.FillShape(
      [](double x, double y) {
        return std::min(SdCapsule(x, y, 10.5, 4.5, 17.5, 10.5, 1.1),
                        SdCapsule(x, y, 17.5, 4.5, 10.5, 10.5, 1.1));
      },
      kWhite);
}

void DrawNavGlyph(Canvas& c, NavIcon icon, double cx, double cy, double s, Rgb ink, Rgb cut) {
  switch (icon) {
    case NavIcon::Scanner:  // a magnifying glass
      c.FillShape(
          [=](double x, double y) {
            const double ring = std::abs(SdCircle(x, y, cx - 2 * s, cy - 2 * s, 5.2 * s)) - 1.3 * s;
            const double handle =
                SdCapsule(x, y, cx + 2 * s, cy + 2 * s, cx + 6.5 * s, cy + 6.5 * s, 1.7 * s);
            return std::min(ring, handle);
          },
          ink);
      break;
    case NavIcon::Restore: {  // a document with an upward arrow
      const double l = cx - 6 * s, t = cy - 8 * s, w = 12 * s, h = 16 * s;
      c.FillShape(
          [=](double x, double y) {
            const double outer = SdRoundRect(x, y, l, t, w, h, 1.5 * s);
            const double inner =
                SdRoundRect(x, y, l + 1.4 * s, t + 1.4 * s, w - 2.8 * s, h - 2.8 * s, 0.5 * s);
            return std::max(outer, -inner);
          },
          ink);
      c.FillShape(
          [=](double x, double y) {
            const double stem = SdCapsule(x, y, cx, cy + 4.5 * s, cx, cy - 3.5 * s, 1.1 * s);
            const double left =
                SdCapsule(x, y, cx, cy - 4 * s, cx - 3.2 * s, cy - 0.8 * s, 1.1 * s);
            const double right =
                SdCapsule(x, y, cx, cy - 4 * s, cx + 3.2 * s, cy - 0.8 * s, 1.1 * s);
            return std::min(stem, std::min(left, right));
          },
          ink);
      break;
    }
    case NavIcon::Settings:  // crossed tools: a wrench over a screwdriver
      c.FillShape(
          [=](double x, double y) {
            const double driver =
                SdCapsule(x, y, cx - 6 * s, cy + 6 * s, cx + 5 * s, cy - 5 * s, 1.2 * s);
            const double grip =
                SdCapsule(x, y, cx - 7 * s, cy + 7 * s, cx - 3.5 * s, cy + 3.5 * s, 2.0 * s);
            const double shaft =
                SdCapsule(x, y, cx - 4 * s, cy - 4 * s, cx + 5 * s, cy + 5 * s, 1.4 * s);
            const double head = SdCircle(x, y, cx - 5 * s, cy - 5 * s, 3.6 * s);
            const double jaw = SdCircle(x, y, cx - 6.6 * s, cy - 6.6 * s, 2.0 * s);
            const double wrench = std::max(std::min(shaft, head), -jaw);
            return std::min(wrench, std::min(driver, grip));
          },
          ink);
      break;
    case NavIcon::Records:  // a circular badge with the letter i
      c.FillShape([=](double x, double y) { return SdCircle(x, y, cx, cy, 8 * s); }, ink);
      c.FillShape(
          [=](double x, double y) {
            const double dot = SdCircle(x, y, cx, cy - 4 * s, 1.4 * s);
            const double bar = SdCapsule(x, y, cx, cy - 0.8 * s, cx, cy + 4.6 * s, 1.2 * s);
            return std::min(dot, bar);
          },
          cut);
      break;
  }
}

void DrawNavButton(Canvas& c, NavIcon icon, const wchar_t* text, int state) {
  const double w = c.Width(), h = c.Height();
  Rgb top, bottom, border;
  if (state == 0) {
    top = {96, 108, 122};
    bottom = {66, 77, 90};
    border = {50, 60, 72};
  } else if (state == 1) {
    top = {132, 145, 160};
    bottom = {98, 111, 126};
    border = {74, 86, 100};
  } else {
    top = {255, 166, 64};
    bottom = {236, 108, 10};
    border = {196, 86, 6};
  }
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 0, 0, w, h, 5); }, border);
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 1, 1, w - 2, h - 2, 4); },
              [=](double, double y) { return Mix(top, bottom, y / h); });
  c.FillShape([=](double x, double y) { return SdRoundRect(x, y, 2, 1.5, w - 4, h / 2 - 2, 3); },
              kWhite, 0.13);
  DrawNavGlyph(c, icon, 26, h / 2, 0.95, kWhite, Mix(top, bottom, 0.5));
  c.Text(text, 50, static_cast<int>(h / 2) - 9, L"微软雅黑", 17, true, kWhite);
  if (state != 0) {
    // The badge at the right end: an arrow on hover, a chevron when selected.
    const double bx = w - 22, by = h / 2;
    const Rgb badge = state == 1 ? Rgb{255, 255, 255} : Rgb{255, 255, 255};
    const Rgb mark = state == 1 ? Rgb{98, 111, 126} : kOrangeDeep;
    c.FillShape([=](double x, double y) { return SdCircle(x, y, bx, by, 8.5); }, badge,
                state == 1 ? 0.9 : 1.0);
    if (state == 1) {
      c.FillShape(
          [=](double x, double y) {
            const double shaft = SdCapsule(x, y, bx - 4, by, bx + 3.5, by, 1.1);
            const double up = SdCapsule(x, y, bx + 3.5, by, bx + 0.3, by - 3.2, 1.1);
            const double down = SdCapsule(x, y, bx + 3.5, by, bx + 0.3, by + 3.2, 1.1);
            return std::min(shaft, std::min(up, down));
          },
          mark);
    } else {
      c.FillShape(
          [=](double x, double y) {
            return std::min(SdCapsule(x, y, bx - 3.8, by - 1.6, bx, by + 2.2, 1.3),
                            SdCapsule(x, y, bx + 3.8, by - 1.6, bx, by + 2.2, 1.3));
          },
          mark);
    }
  }
}

void DrawCaptionStrip(Canvas& c) {
  for (int y = 0; y < c.Height(); ++y) c.FillRect(0, y, c.Width(), 1, CaptionColor(y));
}

void DrawAppIcon(Canvas& c) {
  const double n = c.Width();
  const double s = n / 48.0;
  // A blue rounded tile with a white magnifying glass and an orange spark:
  // the scan that finds what is left behind.
  c.FillShape(
      [=](double x, double y) {
        return SdRoundRect(x, y, 1 * s, 1 * s, n - 2 * s, n - 2 * s, 10 * s);
      },
      [=](double, double y) { return Mix(kHeaderTop, kHeaderBottom, y / n); });
  c.FillShape(
      [=](double x, double y) {
        return SdRoundRect(x, y, 3 * s, 2.5 * s, n - 6 * s, n / 2 - 3 * s, 8 * s);
      },
      kWhite, 0.12);
  c.FillShape(
      [=](double x, double y) {
        const double ring = std::abs(SdCircle(x, y, 20 * s, 20 * s, 10.5 * s)) - 3.0 * s;
        const double handle = SdCapsule(x, y, 28.5 * s, 28.5 * s, 38 * s, 38 * s, 4.2 * s);
        return std::min(ring, handle);
      },
      kWhite);
  c.FillShape([=](double x, double y) { return SdCircle(x, y, 20 * s, 20 * s, 5.2 * s); }, kOrange);
}

}  // namespace qm::art
