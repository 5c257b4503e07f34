#include "button/win32/offscreen_platform.h"

#include <cmath>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm::button::win32 {

qm::win32::UniqueFont CreateButtonFont(const FontSpec& desc) {
  LOGFONTW lf{};
  const qm::win32::UniqueWindowDc screen(nullptr);
  const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  lf.lfHeight = -static_cast<LONG>(std::lround(desc.size_points * dpi / 72.0));
  lf.lfWeight = desc.weight;
  lf.lfItalic = desc.italic ? TRUE : FALSE;
  lf.lfUnderline = desc.underline ? TRUE : FALSE;
  lf.lfStrikeOut = desc.strikethrough ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(desc.charset);
  const std::wstring face = qm::win32::Widen(desc.name);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return qm::win32::UniqueFont(CreateFontIndirectW(&lf));
}

OffscreenPlatform::OffscreenPlatform(int width, int height) : width_(width), height_(height) {
  dc_ = qm::win32::UniqueMemoryDc(CreateCompatibleDC(nullptr));
  if (!dc_.Get()) {
    error_ = GetLastError();
    return;
  }
  void* bits = nullptr;
  bitmap_ = qm::win32::CreateDib32(dc_.Get(), width, height, &bits);
  if (!bitmap_) {
    error_ = GetLastError();
    return;
  }
  bits_ = static_cast<const std::uint32_t*>(bits);
  bitmap_selection_ = qm::win32::Selection(dc_.Get(), bitmap_.Get());
  canvas_ = std::make_unique<GdiCanvas>(dc_.Get(), width, height, Rgb(1, 2, 3));
}

OffscreenPlatform::~OffscreenPlatform() {
  canvas_.reset();
  font_selection_.Reset();
  bitmap_selection_.Reset();
}

void OffscreenPlatform::UseFont(const FontSpec& desc) {
  qm::win32::UniqueFont font = CreateButtonFont(desc);
  if (!font || !dc_.Get()) return;
  font_selection_.Reset();
  font_ = std::move(font);
  font_selection_ = qm::win32::Selection(dc_.Get(), font_.Get());
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
  const qm::win32::UniqueFile file_handle(CreateFileW(
      path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_handle) return GetLastError();
  const HANDLE f = file_handle.Get();
  DWORD written = 0;
  BOOL ok = WriteFile(f, &file, sizeof(file), &written, nullptr);
  ok = ok && WriteFile(f, &info, sizeof(info), &written, nullptr);
  // The fourth byte is not part of a colour: the platform's inverting
  // operations flip it too, and viewers would take it for transparency.
  std::vector<std::uint32_t> pixels(bits_, bits_ + image_size / 4);
  for (std::uint32_t& px : pixels) px &= 0x00FFFFFF;
  ok = ok && WriteFile(f, pixels.data(), image_size, &written, nullptr);
  return ok ? 0 : GetLastError();
}

}  // namespace qm::button::win32
