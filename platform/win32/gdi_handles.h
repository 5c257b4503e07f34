// Owners of GDI and window-system drawing handles, in the same family as
// handles.h: one move-only type per handle kind, each with its exact
// release, and the same Get/Reset/Release spelling.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/win32/handles.h"

namespace qm::win32 {

// Brushes, pens, fonts, bitmaps and regions: released with DeleteObject.
template <typename Handle>
struct GdiObjectTraits {
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<HPEN, GdiObjectTraits<HPEN>>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueRegion = UniqueHandle<HRGN, GdiObjectTraits<HRGN>>;

// A device context from CreateCompatibleDC or CreateDC: released with DeleteDC.
struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

// A device context from GetDC: released with ReleaseDC to the same window.
class UniqueWindowDc {
 public:
  explicit UniqueWindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  UniqueWindowDc(UniqueWindowDc&& o) noexcept
      : hwnd_(std::exchange(o.hwnd_, nullptr)), dc_(std::exchange(o.dc_, nullptr)) {}
  UniqueWindowDc& operator=(UniqueWindowDc&&) = delete;
  UniqueWindowDc(const UniqueWindowDc&) = delete;
  UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
  ~UniqueWindowDc() {
    if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
  }
  [[nodiscard]] HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// The painting of one WM_PAINT: BeginPaint at construction, EndPaint with
// the same PAINTSTRUCT at the end.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  [[nodiscard]] HDC Dc() const { return dc_; }
  // The part of the window to paint again.
  [[nodiscard]] const RECT& Area() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// A GDI object selected into a DC; the previous one is selected back.
class Selection {
 public:
  Selection() = default;
  Selection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  Selection(Selection&& o) noexcept
      : dc_(std::exchange(o.dc_, nullptr)), old_(std::exchange(o.old_, nullptr)) {}
  Selection& operator=(Selection&& o) noexcept {
    if (this != &o) {
      Reset();
      dc_ = std::exchange(o.dc_, nullptr);
      old_ = std::exchange(o.old_, nullptr);
    }
    return *this;
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { Reset(); }

  // Selects the previous object back.
  void Reset() {
    if (dc_ != nullptr && old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A 32-bit top-down DIB section of width x height (each at least 1), the
// surface every off-screen image here draws on. `bits` receives its memory:
// rows of 0x00RRGGBB pixels from the top. An empty owner on failure, with
// the error left for GetLastError.
[[nodiscard]] inline UniqueBitmap CreateDib32(HDC dc, int width, int height, void** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width > 0 ? width : 1;
  bi.bmiHeader.biHeight = -(height > 0 ? height : 1);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return UniqueBitmap(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0));
}

}  // namespace qm::win32
