#include "shell/art/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qm::art {

Rgb Mix(Rgb a, Rgb b, double t) {
  auto m = [t](int p, int q) { return static_cast<std::uint8_t>(std::lround(p + (q - p) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Canvas::Canvas(int width, int height, Rgb fill, bool transparent) : w_(width), h_(height) {
  void* bits = nullptr;
  dc_ = win32::UniqueMemoryDc(CreateCompatibleDC(nullptr));
  bitmap_ = win32::CreateDib32(dc_.Get(), width, height, &bits);
  bits_ = static_cast<std::uint8_t*>(bits);
  selection_ = win32::Selection(dc_.Get(), bitmap_.Get());
  for (int i = 0; i < width * height; ++i) {
    bits_[i * 4 + 0] = fill.b;
    bits_[i * 4 + 1] = fill.g;
    bits_[i * 4 + 2] = fill.r;
    bits_[i * 4 + 3] = transparent ? 0 : 255;
  }
}

Rgb Canvas::At(int x, int y) const {
  const std::uint8_t* p = bits_ + (y * w_ + x) * 4;
  return {p[2], p[1], p[0]};
}

std::uint8_t Canvas::AlphaAt(int x, int y) const {
  return bits_[(y * w_ + x) * 4 + 3];
}

void Canvas::Blend(int x, int y, Rgb c, double a) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
  a = std::min(a, 1.0);
  std::uint8_t* p = bits_ + (y * w_ + x) * 4;
  const double da = p[3] / 255.0;
  const double oa = a + da * (1 - a);
  auto ch = [&](std::uint8_t dst, std::uint8_t src) {
    if (oa <= 0) return std::uint8_t{0};
    return static_cast<std::uint8_t>(std::lround((src * a + dst * da * (1 - a)) / oa));
  };
  p[0] = ch(p[0], c.b);
  p[1] = ch(p[1], c.g);
  p[2] = ch(p[2], c.r);
  p[3] = static_cast<std::uint8_t>(std::lround(oa * 255));
}

void Canvas::FillRect(int x, int y, int w, int h, Rgb c) {
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) Blend(i, j, c, 1.0);
  }
}

void Canvas::VGradient(int x, int y, int w, int h, Rgb top, Rgb bottom) {
  for (int j = 0; j < h; ++j) {
    const Rgb c = Mix(top, bottom, h > 1 ? static_cast<double>(j) / (h - 1) : 0.0);
    for (int i = 0; i < w; ++i) Blend(x + i, y + j, c, 1.0);
  }
}

void Canvas::HGradient(int x, int y, int w, int h, Rgb left, Rgb right) {
  for (int i = 0; i < w; ++i) {
    const Rgb c = Mix(left, right, w > 1 ? static_cast<double>(i) / (w - 1) : 0.0);
    for (int j = 0; j < h; ++j) Blend(x + i, y + j, c, 1.0);
  }
}

void Canvas::FillShape(const Sdf& sdf, const Paint& paint, double opacity) {
  for (int y = 0; y < h_; ++y) {
    for (int x = 0; x < w_; ++x) {
      const double cx = x + 0.5;
      const double cy = y + 0.5;
      const double d = sdf(cx, cy);
      const double cover = std::clamp(0.5 - d, 0.0, 1.0);
      if (cover > 0) Blend(x, y, paint(cx, cy), cover * opacity);
    }
  }
}

namespace {
HFONT MakeFont(const wchar_t* face, int pixel_height, bool bold) {
  return CreateFontW(-pixel_height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                     DEFAULT_PITCH, face);
}
}  // namespace

int Canvas::TextWidth(const std::wstring& text, const wchar_t* face, int pixel_height, bool bold) {
  const win32::UniqueFont font(MakeFont(face, pixel_height, bold));
  const win32::Selection selected(dc_.Get(), font.Get());
  SIZE size{};
  GetTextExtentPoint32W(dc_.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

void Canvas::Text(const std::wstring& text, int x, int y, const wchar_t* face, int pixel_height,
                  bool bold, Rgb c, int align) {
  const int width = TextWidth(text, face, pixel_height, bold);
  if (align == 1) x -= width / 2;
  if (align == 2) x -= width;
  {
    const win32::UniqueFont font(MakeFont(face, pixel_height, bold));
    const win32::Selection selected(dc_.Get(), font.Get());
    SetBkMode(dc_.Get(), TRANSPARENT);
    SetTextColor(dc_.Get(), RGB(c.r, c.g, c.b));
    TextOutW(dc_.Get(), x, y, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
  }
  // GDI clears the alpha byte of the pixels it writes; these canvases are opaque.
  for (int i = 0; i < w_ * h_; ++i) bits_[i * 4 + 3] = 255;
}

bool Canvas::SaveBmp(const std::wstring& path) const {
  const int row = (w_ * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof(ih);
  ih.biWidth = w_;
  ih.biHeight = h_;  // bottom-up, the most widely read form
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biCompression = BI_RGB;
  ih.biSizeImage = static_cast<DWORD>(row * h_);
  ih.biXPelsPerMeter = ih.biYPelsPerMeter = 3780;  // 96 dots per inch
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  std::vector<std::uint8_t> data(ih.biSizeImage, 0);
  for (int y = 0; y < h_; ++y) {
    std::uint8_t* out = data.data() + (h_ - 1 - y) * row;
    for (int x = 0; x < w_; ++x) {
      const Rgb c = At(x, y);
      out[x * 3 + 0] = c.b;
      out[x * 3 + 1] = c.g;
      out[x * 3 + 2] = c.r;
    }
  }
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f == nullptr) return false;
  bool ok = fwrite(&fh, sizeof(fh), 1, f) == 1 && fwrite(&ih, sizeof(ih), 1, f) == 1 &&
            fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = fclose(f) == 0 && ok;
  return ok;
}

double SdCircle(double x, double y, double cx, double cy, double r) {
  return std::hypot(x - cx, y - cy) - r;
}

double SdRoundRect(double x, double y, double left, double top, double w, double h, double radius) {
  const double cx = left + w / 2, cy = top + h / 2;
  const double qx = std::abs(x - cx) - (w / 2 - radius);
  const double qy = std::abs(y - cy) - (h / 2 - radius);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double SdCapsule(double x, double y, double x1, double y1, double x2, double y2, double r) {
  const double px = x - x1, py = y - y1, dx = x2 - x1, dy = y2 - y1;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
  return std::hypot(px - dx * t, py - dy * t) - r;
}

}  // namespace qm::art
