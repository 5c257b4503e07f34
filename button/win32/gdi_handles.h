// Move-only owners of GDI and window-system handles, each with its exact
// release. Only Win32 sources include this.
#pragma once

#include <windows.h>

#include <utility>

namespace qm::button::win32 {

// Brushes, pens, fonts, bitmaps and regions: released with DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle h) : h_(h) {}
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Reset(); }

  [[nodiscard]] Handle get() const { return h_; }
  [[nodiscard]] explicit operator bool() const { return h_ != nullptr; }
  // Gives up ownership, for a handle the system takes over (SetWindowRgn).
  [[nodiscard]] Handle release() { return std::exchange(h_, nullptr); }
  void Reset() {
    if (h_ != nullptr) DeleteObject(h_);
    h_ = nullptr;
  }

 private:
  Handle h_ = nullptr;
};

using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// A GDI object selected into a DC; the previous one is selected back.
class Selection {
 public:
  Selection() = default;
  Selection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  Selection(Selection&& o) noexcept
      : dc_(std::exchange(o.dc_, nullptr)), old_(std::exchange(o.old_, nullptr)) {}
  Selection& operator=(Selection&& o) noexcept {
    if (this != &o) {
      Restore();
      dc_ = std::exchange(o.dc_, nullptr);
      old_ = std::exchange(o.old_, nullptr);
    }
    return *this;
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { Restore(); }

  void Restore() {
    if (dc_ != nullptr && old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A device context from GetDC: released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  WindowDc(WindowDc&& o) noexcept
      : hwnd_(std::exchange(o.hwnd_, nullptr)), dc_(std::exchange(o.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&&) = delete;
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  [[nodiscard]] HDC get() const { return dc_; }

 private:
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// A device context from CreateCompatibleDC or CreateDC: released with DeleteDC.
class OwnedDc {
 public:
  OwnedDc() = default;
  explicit OwnedDc(HDC dc) : dc_(dc) {}
  OwnedDc(OwnedDc&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
  OwnedDc& operator=(OwnedDc&& o) noexcept {
    if (this != &o) {
      Reset();
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  OwnedDc(const OwnedDc&) = delete;
  OwnedDc& operator=(const OwnedDc&) = delete;
  ~OwnedDc() { Reset(); }
  [[nodiscard]] HDC get() const { return dc_; }
  void Reset() {
    if (dc_ != nullptr) DeleteDC(dc_);
    dc_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
};

}  // namespace qm::button::win32
