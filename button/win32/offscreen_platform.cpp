#include "button/win32/offscreen_platform.h"

#include <cmath>
#include <vector>

#include "platform/win32/wide.h"

namespace qm::button::win32 {

Font CreateButtonFont(const FontSpec& desc) {
  LOGFONTW lf{};
  const WindowDc screen(nullptr);
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  lf.lfHeight = -static_cast<LONG>(std::lround(desc.size_points * dpi / 72.0));
  lf.lfWeight = desc.weight;
  lf.lfItalic = desc.italic ? TRUE : FALSE;
  lf.lfUnderline = desc.underline ? TRUE : FALSE;
  lf.lfStrikeOut = desc.strikethrough ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(desc.charset);
  const std::wstring face = qm::win32::Widen(desc.name);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return Font(CreateFontIndirectW(&lf));
}

OffscreenPlatform::OffscreenPlatform(int width, int height) : width_(width), height_(height) {
  dc_ = OwnedDc(CreateCompatibleDC(nullptr));
  if (!dc_.get()) {
    error_ = GetLastError();
    return;
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width > 0 ? width : 1;
  bi.bmiHeader.biHeight = -(height > 0 ? height : 1);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = Bitmap(CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_) {
    error_ = GetLastError();
    return;
  }
  bits_ = static_cast<const std::uint32_t*>(bits);
  bitmap_selection_ = Selection(dc_.get(), bitmap_.get());
  canvas_ = std::make_unique<GdiCanvas>(dc_.get(), width, height, Rgb(1, 2, 3));
}

OffscreenPlatform::~OffscreenPlatform() {
  canvas_.reset();
  font_selection_.Restore();
  bitmap_selection_.Restore();
}

void OffscreenPlatform::UseFont(const FontSpec& desc) {
  Font font = CreateButtonFont(desc);
  if (!font || !dc_.get()) return;
  font_selection_.Restore();
  font_ = std::move(font);
  font_selection_ = Selection(dc_.get(), font_.get());
}

Color OffscreenPlatform::At(int x, int y) const {
  GdiFlush();
  const std::uint32_t v = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)];
  // The bitmap holds 0x00RRGGBB; colours are 0x00BBGGRR.
  return Rgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
             static_cast<int>(v & 0xFF));
}

DWORD OffscreenPlatform::SaveBmp(const std::wstring& path) const {
  if (bits_ == nullptr) return ERROR_INVALID_HANDLE;
  GdiFlush();
  const DWORD image_size = static_cast<DWORD>(width_) * static_cast<DWORD>(height_) * 4;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + image_size;
  info.biSize = sizeof(info);
  info.biWidth = width_;
  info.biHeight = -height_;  // top-down rows, as in memory
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  info.biSizeImage = image_size;
  const HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  BOOL ok = WriteFile(f, &file, sizeof(file), &written, nullptr);
  ok = ok && WriteFile(f, &info, sizeof(info), &written, nullptr);
  // The fourth byte is not part of a colour: the platform's inverting
  // operations flip it too, and viewers would take it for transparency.
  std::vector<std::uint32_t> pixels(bits_, bits_ + image_size / 4);
  for (std::uint32_t& px : pixels) px &= 0x00FFFFFF;
  ok = ok && WriteFile(f, pixels.data(), image_size, &written, nullptr);
  const DWORD error = ok ? 0 : GetLastError();
  CloseHandle(f);
  return error;
}

}  // namespace qm::button::win32
