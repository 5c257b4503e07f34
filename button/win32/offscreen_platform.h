// A window-less platform for the button: it paints into an off-screen
// bitmap through the GDI canvas. The render tool and the canvas agreement
// tests use it; the input services do nothing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "button/command_host.h"
#include "button/win32/gdi_canvas.h"
#include "platform/win32/gdi_handles.h"

namespace qm::button::win32 {

class OffscreenPlatform : public CommandPlatform {
 public:
  OffscreenPlatform(int width, int height);
  ~OffscreenPlatform() override;
  OffscreenPlatform(const OffscreenPlatform&) = delete;
  OffscreenPlatform& operator=(const OffscreenPlatform&) = delete;

  // False when the bitmap could not be made (error code from GetLastError).
  [[nodiscard]] bool Ok() const { return canvas_ != nullptr; }
  [[nodiscard]] DWORD Error() const { return error_; }
  [[nodiscard]] HDC Dc() const { return dc_.Get(); }
  // Pixel in 0x00BBGGRR form, read straight from the bitmap's memory.
  [[nodiscard]] Color At(int x, int y) const;
  // Writes the image as a 32-bit BMP file; returns 0 or the error code.
  [[nodiscard]] DWORD SaveBmp(const std::wstring& path) const;

  [[nodiscard]] Color SysColor(int index) const override {
    return static_cast<Color>(GetSysColor(index));
  }
  [[nodiscard]] std::uintptr_t WindowHandle() const override { return 0; }
  void EnableWindow(bool) override {}
  void UseFont(const FontSpec& font) override;
  [[nodiscard]] Canvas* Surface() override { return canvas_.get(); }
  void PaintDone() override {}
  void ShowImageNow() override {}
  void SetWindowShape(const WindowShape& shape) override { shape_ = shape; }
  [[nodiscard]] double ClientWidth() const override { return width_; }
  [[nodiscard]] double ClientHeight() const override { return height_; }
  void SetTimer1(bool) override {}
  [[nodiscard]] std::optional<PointF> CursorInClient() const override { return std::nullopt; }
  void MoveFocus(bool) override {}
  void SetAccessKey(std::optional<char32_t>) override {}

  [[nodiscard]] const WindowShape& Shape() const { return shape_; }

 private:
  int width_;
  int height_;
  DWORD error_ = 0;
  qm::win32::UniqueMemoryDc dc_;
  qm::win32::UniqueBitmap bitmap_;
  qm::win32::Selection bitmap_selection_;
  qm::win32::UniqueFont font_;
  qm::win32::Selection font_selection_;
  const std::uint32_t* bits_ = nullptr;
  std::unique_ptr<GdiCanvas> canvas_;
  WindowShape shape_;
};

// Builds the font the button's window would select for a font description.
[[nodiscard]] qm::win32::UniqueFont CreateButtonFont(const FontSpec& desc);

}  // namespace qm::button::win32
