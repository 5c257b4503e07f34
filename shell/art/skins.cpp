#include "shell/art/skins.h"

#include <cmath>

#include "shell/art/chrome_art.h"
#include "shell/art/palette.h"

namespace qm::art {
namespace {

constexpr const wchar_t* kHeadFont = L"微软雅黑";

void CaptionBar(Canvas& c) {
  for (int y = 0; y < kCaptionHeight; ++y) c.FillRect(0, y, c.Width(), 1, CaptionColor(y));
}

void Footer(Canvas& c) {
  c.FillRect(0, kFooterTopY, c.Width(), 1, kFooterLine);
  c.VGradient(0, kFooterTopY + 1, c.Width(), c.Height() - kFooterTopY - 1, kFooterTop,
              kFooterBottom);
}

// Soft rings in the corner of a coloured band.
void Rings(Canvas& c, double cx, double cy, int top, int bottom, double opacity) {
  c.FillShape(
      [=](double x, double y) {
        if (y < top || y > bottom) return 1.0;
        const double d = std::hypot(x - cx, y - cy);
        return std::min(std::abs(d - 120) - 14, std::abs(d - 200) - 6);
      },
      kWhite, opacity);
}

// The left column of the navigation windows: the brand, the heading place
// (LabelTip is drawn over it) and the navigation buttons' track.
void Sidebar(Canvas& c) {
  const int bottom = kFooterTopY;
  c.VGradient(0, kCaptionHeight, kSidebarWidth, 260, {40, 56, 75}, kSidebar);
  c.FillRect(0, kCaptionHeight + 260, kSidebarWidth, bottom - kCaptionHeight - 260, kSidebar);
  c.VGradient(0, 400, kSidebarWidth, bottom - 400, kSidebar, kSidebarLow);
  c.FillRect(kSidebarWidth - 1, kCaptionHeight, 1, bottom - kCaptionHeight, {20, 28, 38});
  // Brand: the tile of the icon and the name.
  Canvas icon(32, 32, {}, true);
  DrawAppIcon(icon);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) c.Blend(16 + x, 44 + y, icon.At(x, y), icon.AlphaAt(x, y) / 255.0);
  }
  c.Text(L"Quillmar", 56, 42, kHeadFont, 22, true, kWhite);
  c.Text(L"注册表清理专家", 57, 68, kHeadFont, 12, false, {150, 170, 192});
  // An accent before the heading label, and a hairline under it.
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 36, 111, 4, 14, 2); }, kOrange);
  c.FillRect(16, 130, kSidebarWidth - 32, 1, {52, 68, 88});
  // Under the buttons: a quiet note on what the program does.
  c.FillRect(16, 290, kSidebarWidth - 32, 1, {52, 68, 88});
  const wchar_t* lines[] = {L"扫描注册表中的无效引用，", L"修复前自动备份，", L"随时可以恢复。"};
  for (int i = 0; i < 3; ++i)
    c.Text(lines[i], 20, 304 + i * 20, kHeadFont, 12, false, {128, 148, 170});
}

void Card(Canvas& c, int x, int y, int w, int h) {
  c.FillShape(
      [=](double px, double py) { return SdRoundRect(px, py, x - 1, y + 1, w + 2, h + 2, 7); },
      {200, 208, 218}, 0.5);
  c.FillShape(
      [=](double px, double py) { return SdRoundRect(px, py, x - 1, y - 1, w + 2, h + 2, 7); },
      kCardBorder);
  c.FillShape([=](double px, double py) { return SdRoundRect(px, py, x, y, w, h, 6); }, kCard);
}

}  // namespace

void DrawMainSkin(Canvas& c) {
  c.FillRect(0, 0, c.Width(), c.Height(), kPage);
  CaptionBar(c);
  Sidebar(c);
  // The header band: title, promise, and the heading of the categories
  // (Label2, white) at its foot.
  const int x0 = kSidebarWidth;
  c.VGradient(x0, kCaptionHeight, c.Width() - x0, 160, kHeaderTop, kHeaderBottom);
  Rings(c, 760, 40, kCaptionHeight, kCaptionHeight + 159, 0.07);
  c.Text(L"注册表扫描", 254, 48, kHeadFont, 26, true, kWhite);
  c.Text(L"查找指向已删除程序文件的注册表项，一键清理，保持系统整洁。", 256, 88, kHeadFont, 13,
         false, {206, 228, 248});
  c.FillRect(256, 142, 500, 1, {72, 148, 208});
  Card(c, 240, 194, 528, 300);
  Footer(c);
}

void DrawOtherSkin(Canvas& c) {
  c.FillRect(0, 0, c.Width(), c.Height(), kPage);
  CaptionBar(c);
  Sidebar(c);
  const int x0 = kSidebarWidth;
  c.VGradient(x0, kCaptionHeight, c.Width() - x0, 96, kHeaderTop, kHeaderBottom);
  Rings(c, 760, 20, kCaptionHeight, kCaptionHeight + 95, 0.07);
  c.Text(L"Quillmar 维护中心", 254, 46, kHeadFont, 24, true, kWhite);
  c.Text(L"备份、设置与扫描记录", 256, 84, kHeadFont, 13, false, {206, 228, 248});
  c.FillRect(x0, kCaptionHeight + 96, c.Width() - x0, kFooterTopY - kCaptionHeight - 96, kCard);
  Footer(c);
}

void DrawScanSkin(Canvas& c) {
  c.FillRect(0, 0, c.Width(), c.Height(), kPage);
  CaptionBar(c);
  // Title row with the counters' place at the right (labels drawn over it).
  c.VGradient(0, kCaptionHeight, c.Width(), 76, {252, 253, 255}, {236, 240, 245});
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 20, 36, 44, 44, 10); },
              [](double, double y) { return Mix(kHeaderTop, kHeaderBottom, (y - 36) / 44); });
  DrawNavGlyph(c, NavIcon::Scanner, 42, 58, 1.25, kWhite, kWhite);
  c.Text(L"注册表扫描", 78, 38, kHeadFont, 22, true, kInk);
  c.Text(L"正在查找无效的注册表引用", 80, 68, kHeadFont, 12, false, {110, 124, 140});
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 616, 40, 156, 56, 6); }, kCard);
  c.FillShape(
      [](double x, double y) {
        return std::max(SdRoundRect(x, y, 616, 40, 156, 56, 6),
                        -SdRoundRect(x, y, 617, 41, 154, 54, 5));
      },
      kCardBorder);
  c.FillRect(624, 68, 140, 1, {232, 236, 241});
  // The status line: the light tab under "正在扫描：" and the dark bar
  // under the key being searched.
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 16, 106, 84, 24, 4); },
              {222, 228, 235});
  c.FillShape([](double x, double y) { return SdRoundRect(x, y, 90, 106, 680, 24, 4); },
              [](double, double y) {
                return Mix({44, 60, 80}, kSidebar, (y - 106) / 24);
              });
  // The list's place, framed by the window.
  Card(c, 15, 143, 756, 322);
  Footer(c);
}

}  // namespace qm::art
